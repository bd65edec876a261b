#pragma once

#include <functional>
#include <memory>

#include "platform/RunLoop.h"

namespace headroom {

namespace detail {
struct GlibLoopState;
}

/// The run loop on GLib's default main context (the one GTK and GIO turn), for the main thread.
///
/// - `now()`: g_get_monotonic_time(), in seconds.
/// - Repeating timers: GLib timeout sources, millisecond precision, first fire one interval
///   after creation; each next fire is scheduled one interval after the previous dispatch (GLib
///   timeouts do not catch up missed fires). The loop holds every valid timer: dropping the
///   handle does not stop it, `invalidate()` does (and releases the callback). A timer does not
///   fire again while its own callback runs (a nested `runUntil` inside it skips it).
/// - `performAfterDelay`: default-mode work, in order of due time (then of submission). One
///   source wakes at the earliest due time; while tracking it does not wake at all, and when
///   tracking ends, work already due runs on the next turn. Work runs also inside a nested
///   `runUntil` called from other delayed work (as delayed performs do on the desktop the
///   program was designed for).
/// - `dispatchToMainQueue`: work in the order queued, on the next turn, tracking or not; work
///   queued while the queue is being drained runs on a later turn. It runs also inside a nested
///   `runUntil` called from other main-queue work, so a long piece of work that turns the loop
///   does not hold back the menu commands queued meanwhile. The one call that may be made from
///   any thread.
/// - `runUntil(moment)`: iterates the context (g_main_context_iteration, blocking) until the
///   monotonic clock reaches `moment`; a source set to the moment wakes it, so it never spins.
///   It always turns the loop at least once (without waiting when the moment has passed).
/// - `run()`/`quit()`: a Glib::MainLoop on the same context, for the program's main.
///
/// Callbacks may invalidate their own timer, add timers and work, or call `runUntil`; none of
/// that frees anything still in use. The loop must not be destroyed from inside its own
/// callbacks. Destroying it removes its sources and invalidates its timers; work still pending
/// is dropped. An exception escaping a callback ends the program (std::terminate): GLib's C
/// frames cannot be unwound.
class GlibRunLoop final : public RunLoop {
  public:
    GlibRunLoop();
    ~GlibRunLoop() override;

    GlibRunLoop(const GlibRunLoop&) = delete;
    GlibRunLoop& operator=(const GlibRunLoop&) = delete;

    Seconds now() const override;
    std::shared_ptr<Timer> addRepeatingTimer(Seconds interval, std::function<void()> fire) override;
    void performAfterDelay(Seconds delay, std::function<void()> work) override;
    void dispatchToMainQueue(std::function<void()> work) override;
    void runUntil(Seconds moment) override;
    void setTracking(bool tracking) override;
    bool isTracking() const override;

    /// Runs the main loop until `quit()`. A `quit()` made before `run()` makes it return at once.
    void run();
    /// Ends `run()` once the current callback returns.
    void quit();

  private:
    std::unique_ptr<detail::GlibLoopState> impl_;
};

}  // namespace headroom

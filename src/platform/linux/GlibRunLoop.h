#pragma once

#include <glib.h>

#include <functional>
#include <memory>
#include <vector>

#include "platform/RunLoop.h"

namespace headroom {

/// The run loop on GLib's default main context (the one GTK and GIO turn), for the main thread.
/// Every piece of work is a GLib source of default priority: repeating timers are timeouts
/// (millisecond precision; GLib does not catch up missed fires), delayed work is a one-shot
/// timeout, main-queue work an idle source. GLib does not dispatch a source inside its own
/// callback, so a timer never fires again from within itself, while every other source (menu
/// clicks, signals, the bus, queued work) runs inside a nested `runUntil`: a clean's pauses
/// handle them. Delayed work that falls due while a menu is tracking waits and runs, in the order
/// it fell due, once tracking ends: that hold is the one piece written here, as GLib's context
/// has no modes.
///
/// Destroying the loop removes the sources it made; work still pending is dropped. The loop
/// must not be destroyed from inside its own callbacks. An exception escaping a callback ends
/// the program (std::terminate): GLib's C frames cannot be unwound.
class GlibRunLoop final : public RunLoop {
  public:
    GlibRunLoop() = default;
    ~GlibRunLoop() override;
    GlibRunLoop(const GlibRunLoop&) = delete;
    GlibRunLoop& operator=(const GlibRunLoop&) = delete;

    Seconds now() const override;
    std::shared_ptr<Timer> addRepeatingTimer(Seconds interval, std::function<void()> fire) override;
    void performAfterDelay(Seconds delay, std::function<void()> work) override;
    void dispatchToMainQueue(std::function<void()> work) override;
    void runUntil(Seconds moment) override;
    void setTracking(bool tracking) override;

    /// Turns the loop until `quit()`; a `quit()` made before makes it return at once.
    void run();
    /// Ends `run()` once the current callback returns.
    void quit();

  private:
    GSource* attach(GSource* source, std::function<void()> work, bool repeats);

    std::vector<GSource*> sources_;  // made here and not yet found destroyed; one reference each
    std::vector<std::function<void()>> held_;  // delayed work that fell due while tracking
    bool tracking_ = false;
    bool quit_ = false;
};

}  // namespace headroom

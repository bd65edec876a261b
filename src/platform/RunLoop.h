#pragma once

#include <chrono>
#include <functional>
#include <memory>

namespace headroom {

/// Seconds as a floating-point count; the unit every timer and delay of the program uses.
using Seconds = std::chrono::duration<double>;

/// A repeating timer that belongs to the run loop. Dropping the last handle does not stop it:
/// only `invalidate` does, as with the desktop timers the program was designed around.
class Timer {
  public:
    virtual ~Timer() = default;
    virtual void invalidate() = 0;
    virtual bool isValid() const = 0;
};

/// The main thread's event loop. Two kinds of work are distinguished:
/// - "common modes" work (repeating timers, main-queue dispatch) runs whenever the loop turns,
///   also while a menu is open and tracking;
/// - "default mode" work (delayed performs) waits while the loop is tracking a menu and runs
///   once tracking ends and its moment has come.
class RunLoop {
  public:
    virtual ~RunLoop() = default;

    /// The loop's clock; monotonic, starting anywhere.
    virtual Seconds now() const = 0;

    /// Schedules `fire` every `interval`, first after one interval, in the common modes.
    virtual std::shared_ptr<Timer> addRepeatingTimer(Seconds interval,
                                                     std::function<void()> fire) = 0;

    /// Runs `work` once, no earlier than `delay` from now, in the default mode.
    virtual void performAfterDelay(Seconds delay, std::function<void()> work) = 0;

    /// Queues `work` on the main queue; it runs on a later turn of the loop, in the order queued,
    /// tracking or not, also on a turn made by other work that calls `runUntil`.
    virtual void dispatchToMainQueue(std::function<void()> work) = 0;

    /// Turns the loop in the default mode until `moment` has come, running whatever falls due.
    virtual void runUntil(Seconds moment) = 0;

    /// Menu tracking: while on, default-mode work waits.
    virtual void setTracking(bool tracking) = 0;
};

}  // namespace headroom

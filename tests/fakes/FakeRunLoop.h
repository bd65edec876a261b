#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "CallJournal.h"
#include "platform/RunLoop.h"

namespace headroom::test {

/// A repeating timer of the fake loop. The loop keeps its own reference, so a timer whose
/// owner dropped its handle goes on firing until it is invalidated.
class FakeTimer final : public Timer {
  public:
    FakeTimer(Seconds interval, Seconds firstFire, std::function<void()> fire)
        : interval_(interval), nextFire_(firstFire), fire_(std::move(fire)) {}

    void invalidate() override { valid_ = false; }
    bool isValid() const override { return valid_; }
    Seconds interval() const { return interval_; }

  private:
    friend class FakeRunLoop;

    Seconds interval_;
    Seconds nextFire_;
    std::function<void()> fire_;
    std::uint64_t sequence_ = 0;
    bool valid_ = true;
    bool firing_ = false;
};

/// A deterministic run loop on a virtual clock that starts at 0 and moves only when a test (or
/// code under test, through `runUntil`) turns the loop.
///
/// - Repeating timers run in the common modes: they fire while tracking too. A timer is not
///   fired again from inside its own callback; a fire missed that way comes once, late, and
///   the timer then keeps its original phase.
/// - Delayed performs run in the default mode: while tracking they wait; once tracking is off
///   they run on the next turn, in the order they fell due.
/// - Main-queue work runs on the next turn, tracking or not, in the order it was queued, also
///   inside a turn that another main-queue item makes.
///
/// Everything due is run in time order (ties in the order the work was scheduled), with the
/// clock set to each piece's moment. Callbacks may add work, invalidate timers or turn the loop
/// again.
class FakeRunLoop final : public RunLoop, public Journaled {
  public:
    // The port.
    Seconds now() const override { return now_; }
    std::shared_ptr<Timer> addRepeatingTimer(Seconds interval, std::function<void()> fire) override;
    void performAfterDelay(Seconds delay, std::function<void()> work) override;
    void dispatchToMainQueue(std::function<void()> work) override;
    void runUntil(Seconds moment) override { advanceTo(moment); }
    void setTracking(bool tracking) override { tracking_ = tracking; }

    /// Runs everything due up to `moment` and leaves the clock there (never moves it back).
    /// Work that keeps falling due at one moment would never let it return: past a million
    /// pieces in one call it throws instead.
    void advanceTo(Seconds moment);
    void advanceBy(double seconds) { advanceTo(now_ + Seconds(seconds)); }
    /// One turn at the current moment: main-queue work and whatever is already due.
    void turn() { advanceTo(now_); }

    /// Timers not yet invalidated, oldest first.
    std::vector<std::shared_ptr<FakeTimer>> validTimers() const;
    std::size_t validTimerCount() const { return validTimers().size(); }
    /// Timers the loop still holds, invalidated ones not yet dropped included.
    std::size_t heldTimerCount() const { return timers_.size(); }
    std::size_t pendingDelayedPerformCount() const { return pendingDelayedPerformDates().size(); }
    std::size_t pendingMainQueueCount() const;
    /// Moments at which delayed performs are due, in due order.
    std::vector<Seconds> pendingDelayedPerformDates() const;

    /// Moments of the timer fires so far (any timer), in seconds.
    const std::vector<double>& timerFireTimes() const { return timerFires_; }
    /// Forgets them, for a long run that would otherwise keep every fire.
    void clearFireLog() { timerFires_.clear(); }

  private:
    struct PendingWork {
        Seconds due;
        std::uint64_t sequence;
        bool delayed;  ///< a delayed perform, which waits while tracking; else main-queue work
        std::function<void()> work;
    };

    bool runNext(Seconds limit);
    void fireTimer(FakeTimer& timer);

    Seconds now_{0.0};
    bool tracking_ = false;
    std::uint64_t nextSequence_ = 0;
    std::vector<std::shared_ptr<FakeTimer>> timers_;
    std::vector<PendingWork> pending_;
    std::vector<double> timerFires_;
};

}  // namespace headroom::test

#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "CallJournal.h"
#include "platform/RunLoop.h"

namespace headroom::test {

/// A repeating timer of the fake loop. The loop keeps its own reference, so a timer whose
/// owner dropped its handle goes on firing until it is invalidated.
class FakeTimer final : public Timer {
  public:
    FakeTimer(std::uint64_t id, Seconds interval, Seconds firstFire, std::function<void()> fire);

    void invalidate() override { valid_ = false; }
    bool isValid() const override { return valid_; }
    Seconds interval() const { return interval_; }

    std::uint64_t id() const { return id_; }
    Seconds nextFireDate() const { return nextFire_; }
    std::size_t fireCount() const { return fireCount_; }

  private:
    friend class FakeRunLoop;

    std::uint64_t id_;
    Seconds interval_;
    Seconds nextFire_;
    std::function<void()> fire_;
    std::uint64_t sequence_ = 0;
    std::size_t fireCount_ = 0;
    bool valid_ = true;
    bool firing_ = false;
};

/// The interval of a timer the fake loop made.
inline Seconds intervalOf(const std::shared_ptr<Timer>& timer) {
    return static_cast<const FakeTimer&>(*timer).interval();
}

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
    enum class WorkKind { Timer, DelayedPerform, MainQueue };

    struct FireRecord {
        WorkKind kind;
        Seconds at;
        std::uint64_t timerId = 0;  ///< for timers
    };

    // The port.
    Seconds now() const override { return now_; }
    std::shared_ptr<Timer> addRepeatingTimer(Seconds interval, std::function<void()> fire) override;
    void performAfterDelay(Seconds delay, std::function<void()> work) override;
    void dispatchToMainQueue(std::function<void()> work) override;
    void runUntil(Seconds moment) override { advanceTo(moment); }
    void setTracking(bool tracking) override { tracking_ = tracking; }

    /// Runs everything due up to `moment` and leaves the clock there (never moves it back).
    void advanceTo(Seconds moment);
    void advanceBy(Seconds delta) { advanceTo(now_ + delta); }
    void advanceBy(double seconds) { advanceBy(Seconds(seconds)); }
    /// One turn at the current moment: main-queue work and whatever is already due.
    void turn() { advanceTo(now_); }

    /// Timers not yet invalidated, oldest first.
    std::vector<std::shared_ptr<FakeTimer>> validTimers() const;
    std::size_t validTimerCount() const { return validTimers().size(); }
    /// Timers the loop still holds, invalidated ones not yet dropped included.
    std::size_t heldTimerCount() const { return timers_.size(); }
    std::size_t pendingDelayedPerformCount() const { return performs_.size(); }
    std::size_t pendingMainQueueCount() const { return mainQueue_.size(); }
    /// Moments at which delayed performs are due, in due order.
    std::vector<Seconds> pendingDelayedPerformDates() const;

    /// Every piece of work run so far, in the order it ran.
    const std::vector<FireRecord>& fireLog() const { return fireLog_; }
    /// Moments of the timer fires in the log (any timer), in seconds.
    std::vector<double> timerFireTimes() const;
    /// Forgets the log, for a long run that would otherwise keep every fire.
    void clearFireLog() { fireLog_.clear(); }

    /// A loop that keeps scheduling work at the same moment would never return; past this many
    /// pieces of work in one turn the fake throws instead.
    static constexpr std::size_t kMaximumWorkPerAdvance = 1'000'000;

  private:
    struct PendingWork {
        Seconds due;
        std::uint64_t sequence;
        std::function<void()> work;
    };

    bool runNext(Seconds limit);
    void fireTimer(const std::shared_ptr<FakeTimer>& timer);

    Seconds now_{0.0};
    bool tracking_ = false;
    std::uint64_t nextSequence_ = 0;
    std::uint64_t nextTimerId_ = 1;
    std::vector<std::shared_ptr<FakeTimer>> timers_;
    std::vector<PendingWork> performs_;
    std::vector<PendingWork> mainQueue_;
    std::vector<FireRecord> fireLog_;
};

}  // namespace headroom::test

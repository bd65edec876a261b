// The virtual-time loop the other tests stand on: its modes, ordering and reentrancy.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "FakeRunLoop.h"

namespace headroom::test {
namespace {

TEST(FakeRunLoop, TimersFireAtTheirIntervalAlsoWhileTracking) {
    FakeRunLoop loop;
    int fires = 0;
    auto timer = loop.addRepeatingTimer(Seconds(2.0), [&] { ++fires; });
    loop.setTracking(true);
    loop.advanceBy(7.0);
    EXPECT_EQ(fires, 3);
    EXPECT_EQ(loop.timerFireTimes(), (std::vector<double>{2.0, 4.0, 6.0}));
    EXPECT_EQ(loop.now(), Seconds(7.0));
}

TEST(FakeRunLoop, DroppedTimerKeepsFiringUntilInvalidated) {
    FakeRunLoop loop;
    int fires = 0;
    std::weak_ptr<Timer> weak;
    {
        auto timer = loop.addRepeatingTimer(Seconds(1.0), [&] { ++fires; });
        weak = timer;
    }
    loop.advanceBy(3.0);
    EXPECT_EQ(fires, 3);
    ASSERT_EQ(loop.validTimerCount(), 1U);
    loop.validTimers().front()->invalidate();
    loop.advanceBy(3.0);
    EXPECT_EQ(fires, 3);
    loop.turn();
    EXPECT_TRUE(weak.expired());  // the loop let go of it
}

TEST(FakeRunLoop, DelayedPerformsWaitWhileTrackingThenRunInDueOrder) {
    FakeRunLoop loop;
    std::vector<std::string> ran;
    loop.performAfterDelay(Seconds(2.0), [&] { ran.push_back("second"); });
    loop.performAfterDelay(Seconds(1.0), [&] { ran.push_back("first"); });
    loop.setTracking(true);
    loop.advanceBy(5.0);
    EXPECT_TRUE(ran.empty());
    EXPECT_EQ(loop.pendingDelayedPerformCount(), 2U);

    loop.setTracking(false);
    loop.turn();
    EXPECT_EQ(ran, (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(loop.now(), Seconds(5.0));
}

TEST(FakeRunLoop, MainQueueRunsOnTheNextTurnEvenWhileTracking) {
    FakeRunLoop loop;
    int ran = 0;
    loop.setTracking(true);
    loop.dispatchToMainQueue([&] { ++ran; });
    EXPECT_EQ(ran, 0);
    loop.turn();
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(loop.pendingMainQueueCount(), 0U);
}

TEST(FakeRunLoop, WorkRunsInTimeOrderWithTheClockAtItsMoment) {
    FakeRunLoop loop;
    std::vector<double> moments;
    auto timer =
        loop.addRepeatingTimer(Seconds(3.0), [&] { moments.push_back(loop.now().count()); });
    loop.performAfterDelay(Seconds(4.0), [&] { moments.push_back(-loop.now().count()); });
    loop.advanceBy(7.0);
    EXPECT_EQ(moments, (std::vector<double>{3.0, -4.0, 6.0}));
}

TEST(FakeRunLoop, CallbacksMayInvalidateAndScheduleWhileRunning) {
    FakeRunLoop loop;
    std::shared_ptr<Timer> self;
    std::shared_ptr<Timer> replacement;
    int firstFires = 0;
    int secondFires = 0;
    self = loop.addRepeatingTimer(Seconds(1.0), [&] {
        ++firstFires;
        self->invalidate();
        replacement = loop.addRepeatingTimer(Seconds(1.0), [&] { ++secondFires; });
        loop.dispatchToMainQueue([&] { loop.performAfterDelay(Seconds(0.5), [] {}); });
    });
    loop.advanceBy(3.0);
    EXPECT_EQ(firstFires, 1);
    EXPECT_EQ(secondFires, 2);
    EXPECT_EQ(loop.validTimerCount(), 1U);
    EXPECT_EQ(loop.pendingDelayedPerformCount(), 0U);
}

TEST(FakeRunLoop, NestedTurnsAdvanceTimeWithoutRefiringTheRunningTimer) {
    FakeRunLoop loop;
    int outer = 0;
    int other = 0;
    auto busy = loop.addRepeatingTimer(Seconds(1.0), [&] {
        if (++outer == 1) {
            loop.runUntil(loop.now() + Seconds(2.5));  // a long job that turns the loop
        }
    });
    auto ticking = loop.addRepeatingTimer(Seconds(1.0), [&] { ++other; });
    loop.advanceBy(4.0);
    // The other timer went on inside the job; the busy one came back once, late, then on phase.
    EXPECT_EQ(other, 4);
    EXPECT_EQ(outer, 3);
    EXPECT_EQ(busy->isValid(), true);
    EXPECT_EQ(std::static_pointer_cast<FakeTimer>(busy)->nextFireDate(), Seconds(5.0));
}

TEST(FakeRunLoop, WorkThatNeverSettlesIsReported) {
    FakeRunLoop loop;
    std::function<void()> again;
    again = [&] { loop.performAfterDelay(Seconds(0.0), again); };
    loop.performAfterDelay(Seconds(0.0), again);
    EXPECT_THROW(loop.turn(), std::runtime_error);
}

}  // namespace
}  // namespace headroom::test

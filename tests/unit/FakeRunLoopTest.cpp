// The virtual clock the core's tests stand on: what runs when, in which order, at which moment.

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "FakeRunLoop.h"

namespace headroom::test {
namespace {

TEST(FakeRunLoop, RunsWorkInTimeOrderAtItsMomentAndHoldsDelayedWorkWhileTracking) {
    FakeRunLoop loop;
    std::vector<std::string> ran;
    auto log = [&](const char* what) { ran.push_back(what + std::to_string(loop.now().count())); };
    auto timer = loop.addRepeatingTimer(Seconds(3.0), [&] { log("timer@"); });
    loop.performAfterDelay(Seconds(4.0), [&] { log("later@"); });
    loop.performAfterDelay(Seconds(1.0), [&] { log("sooner@"); });
    loop.advanceBy(7.0);
    EXPECT_EQ(ran, (std::vector<std::string>{"sooner@1.000000", "timer@3.000000", "later@4.000000",
                                             "timer@6.000000"}));

    // While a menu tracks, timers and the main queue go on and delayed work waits.
    ran.clear();
    loop.setTracking(true);
    loop.performAfterDelay(Seconds(0.5), [&] { log("held@"); });
    loop.dispatchToMainQueue([&] { log("queued@"); });
    loop.advanceBy(3.0);
    EXPECT_EQ(ran, (std::vector<std::string>{"queued@7.000000", "timer@9.000000"}));
    loop.setTracking(false);
    loop.turn();
    EXPECT_EQ(ran.back(), "held@10.000000");
    EXPECT_EQ(loop.now(), Seconds(10.0));
}

TEST(FakeRunLoop, TimersFireUntilInvalidatedAndNeverFromInsideThemselves) {
    FakeRunLoop loop;
    int busy = 0;
    int other = 0;
    auto job = loop.addRepeatingTimer(Seconds(1.0), [&] {
        if (++busy == 1) {
            loop.runUntil(loop.now() + Seconds(2.5));  // a long job that turns the loop
        }
    });
    loop.addRepeatingTimer(Seconds(1.0), [&] { ++other; });  // its handle dropped at once
    loop.advanceBy(4.0);
    // The other timer went on inside the job; the busy one came back once, late, then on phase.
    EXPECT_EQ(other, 4);
    EXPECT_EQ(busy, 3);
    loop.advanceBy(1.0);
    EXPECT_EQ(busy, 4) << "back on its phase at 5 s";

    for (const auto& timer : loop.validTimers()) {
        timer->invalidate();
    }
    loop.advanceBy(3.0);
    EXPECT_EQ(busy + other, 9);
    EXPECT_EQ(loop.heldTimerCount(), 0U);
    EXPECT_FALSE(job->isValid());
}

TEST(FakeRunLoop, WorkThatNeverSettlesIsReported) {
    FakeRunLoop loop;
    std::function<void()> again = [&] { loop.dispatchToMainQueue(again); };
    loop.dispatchToMainQueue(again);
    EXPECT_THROW(loop.turn(), std::runtime_error);
}

}  // namespace
}  // namespace headroom::test

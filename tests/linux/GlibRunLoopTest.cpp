// GlibRunLoop on the real GLib default main context. Waits are tens of milliseconds and the
// assertions are about order and counts with wide margins, never about timing targets.

#include <glib.h>
#include <gtest/gtest.h>
#include <time.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/linux/GlibRunLoop.h"

namespace headroom {
namespace {

constexpr Seconds kMs{0.001};

/// Turns the loop in short pauses until `done()` holds or two seconds have passed (a loaded
/// machine may be slow; a wrong loop never gets there).
template <typename Done>
bool runUntilTrue(GlibRunLoop& loop, Done done) {
    const Seconds limit = loop.now() + Seconds(2);
    while (!done() && loop.now() < limit) {
        loop.runUntil(loop.now() + 5 * kMs);
    }
    return done();
}

double processCpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

TEST(GlibRunLoop, RunUntilReturnsAtTheMomentWithoutSpinningAndTurnsOnceForAPastOne) {
    GlibRunLoop loop;
    const Seconds start = loop.now();
    const double cpuBefore = processCpuSeconds();
    loop.runUntil(start + 50 * kMs);
    const double cpu = processCpuSeconds() - cpuBefore;
    EXPECT_GE((loop.now() - start).count(), 0.050);
    EXPECT_LT((loop.now() - start).count(), 1.0);
    EXPECT_LT(cpu, 0.025) << "a spinning loop burns the whole 50 ms";

    bool ran = false;
    loop.dispatchToMainQueue([&] { ran = true; });
    const Seconds past = loop.now();
    loop.runUntil(past - Seconds(10));
    EXPECT_TRUE(ran);
    EXPECT_LT((loop.now() - past).count(), 0.5);
}

TEST(GlibRunLoop, ATimerFiresUntilInvalidatedEvenWithoutAHandleAndNeverInsideItself) {
    GlibRunLoop loop;
    std::vector<double> at;
    int depth = 0;
    int maxDepth = 0;
    const Seconds start = loop.now();
    auto timer = loop.addRepeatingTimer(5 * kMs, [&] {
        at.push_back((loop.now() - start).count());
        maxDepth = std::max(maxDepth, ++depth);
        if (at.size() == 1) {
            loop.runUntil(loop.now() + 20 * kMs);  // a long job inside its own fire
        }
        --depth;
    });
    int droppedFires = 0;
    loop.addRepeatingTimer(5 * kMs, [&] { ++droppedFires; });  // its handle is dropped at once
    ASSERT_TRUE(runUntilTrue(loop, [&] { return at.size() >= 4 && droppedFires >= 4; }));
    EXPECT_GE(at.front(), 0.005) << "the first fire comes one interval after creation";
    EXPECT_EQ(maxDepth, 1);
    EXPECT_TRUE(timer->isValid());
    timer->invalidate();
    EXPECT_FALSE(timer->isValid());
    const std::size_t fires = at.size();
    loop.runUntil(loop.now() + 30 * kMs);
    EXPECT_EQ(at.size(), fires);
    timer->invalidate();  // twice is harmless
}

TEST(GlibRunLoop, ATimerMayInvalidateItselfAndItsCallbackIsReleasedAfterTheCall) {
    GlibRunLoop loop;
    int fires = 0;
    std::shared_ptr<Timer> self;
    struct Probe {
        int* fires = nullptr;
        ~Probe() { *fires += 1000; }  // marks when the callback (and what it holds) is released
    };
    auto probe = std::make_shared<Probe>();
    probe->fires = &fires;
    self = loop.addRepeatingTimer(5 * kMs, [probe, &self] {
        ++*probe->fires;
        self->invalidate();
        ++*probe->fires;  // still inside the callback after invalidate: its captures are alive
    });
    probe.reset();
    ASSERT_TRUE(runUntilTrue(loop, [&] { return fires > 0; }));
    loop.runUntil(loop.now() + 30 * kMs);
    EXPECT_EQ(fires, 1002) << "fired once, then the callback was released";
}

// Only one bound is checked against the clock: on a loaded machine a turn may come late, and
// GLib then runs everything that fell due in that turn in the order it was asked for.
TEST(GlibRunLoop, DelayedWorkRunsNoEarlierAndWaitsWhileTracking) {
    GlibRunLoop loop;
    std::vector<std::string> order;
    const Seconds start = loop.now();
    double ranAt = -1;
    loop.performAfterDelay(30 * kMs, [&] {
        order.push_back("30ms");
        ranAt = (loop.now() - start).count();
    });
    loop.runUntil(start + 60 * kMs);
    EXPECT_EQ(order, (std::vector<std::string>{"30ms"}));
    EXPECT_GE(ranAt, 0.030);

    loop.setTracking(true);  // a menu opens: delayed work waits, due or not
    loop.performAfterDelay(Seconds(-1), [&] { order.push_back("due-a"); });
    loop.performAfterDelay(Seconds(-1), [&] { order.push_back("due-b"); });
    loop.runUntil(loop.now() + 20 * kMs);
    EXPECT_EQ(order, (std::vector<std::string>{"30ms"}));

    loop.setTracking(false);
    // Already due: one turn is enough, without waiting.
    g_main_context_iteration(nullptr, FALSE);
    EXPECT_EQ(order, (std::vector<std::string>{"30ms", "due-a", "due-b"}));
}

TEST(GlibRunLoop, MainQueueIsFifoRunsWhileTrackingAndWorkQueuedByWorkRunsOnALaterTurn) {
    GlibRunLoop loop;
    loop.setTracking(true);
    std::vector<std::string> order;
    loop.dispatchToMainQueue([&] {
        order.push_back("a");
        loop.dispatchToMainQueue([&] { order.push_back("c"); });
    });
    loop.dispatchToMainQueue([&] { order.push_back("b"); });
    g_main_context_iteration(nullptr, FALSE);
    EXPECT_EQ(order, (std::vector<std::string>{"a", "b"}));
    g_main_context_iteration(nullptr, FALSE);
    EXPECT_EQ(order, (std::vector<std::string>{"a", "b", "c"}));
}

TEST(GlibRunLoop, WorkThatTurnsTheLoopLetsEveryOtherKindOfWorkRun) {
    // As the clean does, started from a delayed request or from a menu click on the main
    // queue: it turns the loop in small pauses, and whatever arrives meanwhile (a second
    // request, a click, a timer) runs inside those pauses.
    for (const bool fromMainQueue : {false, true}) {
        SCOPED_TRACE(fromMainQueue ? "started from the main queue" : "started as delayed work");
        GlibRunLoop loop;
        std::vector<std::string> order;
        std::shared_ptr<Timer> timer;
        auto clean = [&] {
            order.push_back("clean begins");
            loop.performAfterDelay(5 * kMs, [&] { order.push_back("delayed"); });
            loop.dispatchToMainQueue([&] { order.push_back("queued"); });
            loop.dispatchToMainQueue([&] { order.push_back("queued next"); });
            timer = loop.addRepeatingTimer(5 * kMs, [&] {
                order.push_back("timer");
                timer->invalidate();
            });
            for (int i = 0; i < 4; ++i) {
                loop.runUntil(loop.now() + 5 * kMs);
            }
            order.push_back("clean ends");
        };
        if (fromMainQueue) {
            loop.dispatchToMainQueue(clean);
        } else {
            loop.performAfterDelay(Seconds(0), clean);
        }
        ASSERT_TRUE(runUntilTrue(loop, [&] { return order.size() >= 6; }));
        ASSERT_EQ(order.size(), 6u);
        EXPECT_EQ(order.front(), "clean begins");
        EXPECT_EQ(order.back(), "clean ends");
        const auto queued = std::find(order.begin(), order.end(), "queued");
        EXPECT_LT(queued, std::find(order.begin(), order.end(), "queued next"));
        EXPECT_NE(std::find(order.begin(), order.end(), "delayed"), order.end());
        EXPECT_NE(std::find(order.begin(), order.end(), "timer"), order.end());
    }
}

TEST(GlibRunLoop, RunEndsOnQuitFromACallbackOrAtOnceAfterAnEarlierQuit) {
    GlibRunLoop loop;
    Seconds start = loop.now();
    loop.performAfterDelay(10 * kMs, [&] { loop.quit(); });
    auto guard = loop.addRepeatingTimer(Seconds(5), [&] { loop.quit(); });  // never hangs
    loop.run();
    guard->invalidate();
    EXPECT_GE((loop.now() - start).count(), 0.010);
    EXPECT_LT((loop.now() - start).count(), 2.0);

    loop.quit();
    start = loop.now();
    loop.run();
    EXPECT_LT((loop.now() - start).count(), 1.0);
}

TEST(GlibRunLoop, DestroyingTheLoopDropsItsWorkAndInvalidatesTimersStillHeld) {
    int fires = 0;
    std::shared_ptr<Timer> timer;
    {
        GlibRunLoop loop;
        timer = loop.addRepeatingTimer(5 * kMs, [&] { ++fires; });
        loop.performAfterDelay(5 * kMs, [&] { ++fires; });
        loop.dispatchToMainQueue([&] { ++fires; });
        loop.setTracking(true);
    }
    EXPECT_FALSE(timer->isValid());
    timer->invalidate();
    // Nothing of the dead loop is left on the context.
    GlibRunLoop another;
    another.runUntil(another.now() + 20 * kMs);
    EXPECT_EQ(fires, 0);
}

}  // namespace
}  // namespace headroom

// GlibRunLoop on the real GLib default main context. Waits are tens of milliseconds and the
// assertions are about order and counts with wide margins, never about timing targets.

#include <glib.h>
#include <gtest/gtest.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/GlibRunLoop.h"

namespace headroom {
namespace {

using namespace std::chrono_literals;

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

TEST(GlibRunLoop, NowIsTheMonotonicClockInSeconds) {
    GlibRunLoop loop;
    const double before = static_cast<double>(g_get_monotonic_time()) / 1e6;
    const double now = loop.now().count();
    const double after = static_cast<double>(g_get_monotonic_time()) / 1e6;
    EXPECT_LE(before, now);
    EXPECT_LE(now, after);
}

TEST(GlibRunLoop, RunUntilReturnsAtTheMomentWithoutSpinning) {
    GlibRunLoop loop;
    const Seconds start = loop.now();
    const double cpuBefore = processCpuSeconds();
    loop.runUntil(start + 50 * kMs);
    const double cpu = processCpuSeconds() - cpuBefore;
    const Seconds elapsed = loop.now() - start;
    EXPECT_GE(elapsed.count(), 0.050);
    EXPECT_LT(elapsed.count(), 1.0);
    // A spinning loop would burn the whole 50 ms.
    EXPECT_LT(cpu, 0.025);
}

TEST(GlibRunLoop, RunUntilAPastMomentTurnsOnceWithoutWaiting) {
    GlibRunLoop loop;
    bool ran = false;
    loop.dispatchToMainQueue([&] { ran = true; });
    const Seconds start = loop.now();
    loop.runUntil(start - Seconds(10));
    EXPECT_TRUE(ran);
    EXPECT_LT((loop.now() - start).count(), 0.5);
}

TEST(GlibRunLoop, RepeatingTimerFiresAboutEveryIntervalUntilInvalidated) {
    GlibRunLoop loop;
    int fires = 0;
    std::vector<double> at;
    const Seconds start = loop.now();
    auto timer = loop.addRepeatingTimer(10 * kMs, [&] {
        ++fires;
        at.push_back((loop.now() - start).count());
    });
    EXPECT_TRUE(timer->isValid());
    EXPECT_DOUBLE_EQ(timer->interval().count(), 0.010);
    loop.runUntil(start + 105 * kMs);
    // Ten in a perfect world; never more (each fire is due one interval after the previous
    // one's turn), fewer on a slow machine (GLib does not catch up missed fires).
    EXPECT_GE(fires, 1);
    EXPECT_LE(fires, 11);
    ASSERT_TRUE(runUntilTrue(loop, [&] { return fires >= 5; }));
    EXPECT_GE(at.front(), 0.010);  // the first fire comes one interval after creation
    EXPECT_GE(at[4], 0.050);       // and the fifth no sooner than five intervals
    timer->invalidate();
    EXPECT_FALSE(timer->isValid());
    const int atInvalidate = fires;
    loop.runUntil(loop.now() + 40 * kMs);
    EXPECT_EQ(fires, atInvalidate);
    timer->invalidate();  // twice is harmless
}

TEST(GlibRunLoop, TheLoopKeepsATimerWhoseHandleWasDropped) {
    GlibRunLoop loop;
    int fires = 0;
    std::weak_ptr<Timer> weak = loop.addRepeatingTimer(5 * kMs, [&] { ++fires; });
    // The caller holds no handle; the loop does.
    ASSERT_FALSE(weak.expired());
    EXPECT_TRUE(runUntilTrue(loop, [&] { return fires >= 2; }));
    auto handle = weak.lock();
    ASSERT_TRUE(handle);
    handle->invalidate();
    handle.reset();
    EXPECT_TRUE(weak.expired()) << "the loop lets go of an invalidated timer";
    const int atInvalidate = fires;
    loop.runUntil(loop.now() + 30 * kMs);
    EXPECT_EQ(fires, atInvalidate);
}

TEST(GlibRunLoop, ATimerMayInvalidateItselfFromItsOwnCallback) {
    GlibRunLoop loop;
    int fires = 0;
    std::weak_ptr<Timer> weak;
    // The callback holds only a weak reference; the loop's is the last strong one, and it
    // goes during the call.
    struct Probe {
        int* fires = nullptr;
        std::weak_ptr<Timer>* weak = nullptr;
        ~Probe() { *fires += 1000; }  // marks when the callback (and what it holds) is released
    };
    auto probe = std::make_shared<Probe>();
    probe->fires = &fires;
    probe->weak = &weak;
    weak = loop.addRepeatingTimer(5 * kMs, [probe] {
        ++*probe->fires;
        if (auto self = probe->weak->lock()) {
            self->invalidate();
        }
        // Still running inside the callback after invalidate: its captures must be alive.
        ++*probe->fires;
    });
    probe.reset();
    ASSERT_TRUE(runUntilTrue(loop, [&] { return fires > 0; }));
    loop.runUntil(loop.now() + 30 * kMs);
    EXPECT_EQ(fires, 1002) << "fired once, then the callback was released";
    EXPECT_TRUE(weak.expired());
}

TEST(GlibRunLoop, CallbacksMayAddTimersAndWork) {
    GlibRunLoop loop;
    std::vector<std::string> events;
    std::shared_ptr<Timer> second;
    std::shared_ptr<Timer> first = loop.addRepeatingTimer(5 * kMs, [&] {
        events.push_back("first");
        first->invalidate();
        second = loop.addRepeatingTimer(5 * kMs, [&] {
            events.push_back("second");
            second->invalidate();
        });
        loop.dispatchToMainQueue([&] { events.push_back("queued"); });
        loop.performAfterDelay(Seconds(0), [&] { events.push_back("delayed"); });
    });
    ASSERT_TRUE(runUntilTrue(loop, [&] { return events.size() >= 4; }));
    loop.runUntil(loop.now() + 20 * kMs);
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0], "first");
    EXPECT_EQ(events[3], "second");
}

TEST(GlibRunLoop, DelayedWorkRunsNoEarlierThanItsDelayInOrder) {
    GlibRunLoop loop;
    std::vector<std::string> order;
    const Seconds start = loop.now();
    double ranAt = -1;
    loop.performAfterDelay(30 * kMs, [&] {
        order.push_back("30ms");
        ranAt = (loop.now() - start).count();
    });
    loop.performAfterDelay(10 * kMs, [&] { order.push_back("10ms-a"); });
    loop.performAfterDelay(10 * kMs, [&] { order.push_back("10ms-b"); });
    loop.performAfterDelay(Seconds(-1), [&] { order.push_back("now"); });
    loop.runUntil(start + 60 * kMs);
    EXPECT_EQ(order, (std::vector<std::string>{"now", "10ms-a", "10ms-b", "30ms"}));
    EXPECT_GE(ranAt, 0.030);
}

TEST(GlibRunLoop, DelayedWorkWaitsWhileTrackingAndRunsOnTheNextTurnAfter) {
    GlibRunLoop loop;
    bool ran = false;
    loop.setTracking(true);
    EXPECT_TRUE(loop.isTracking());
    loop.performAfterDelay(5 * kMs, [&] { ran = true; });
    loop.runUntil(loop.now() + 40 * kMs);
    EXPECT_FALSE(ran) << "default-mode work must wait while a menu is tracking";

    loop.setTracking(false);
    EXPECT_FALSE(loop.isTracking());
    // Already due: one turn is enough, without waiting.
    g_main_context_iteration(nullptr, FALSE);
    EXPECT_TRUE(ran);
}

TEST(GlibRunLoop, TrackingThatBeginsInsideDelayedWorkHoldsTheRest) {
    GlibRunLoop loop;
    std::vector<int> ran;
    loop.performAfterDelay(Seconds(0), [&] {
        ran.push_back(1);
        loop.setTracking(true);
    });
    loop.performAfterDelay(Seconds(0), [&] { ran.push_back(2); });
    loop.runUntil(loop.now() + 20 * kMs);
    EXPECT_EQ(ran, std::vector<int>{1});
    loop.setTracking(false);
    loop.runUntil(loop.now() + 10 * kMs);
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));
}

TEST(GlibRunLoop, MainQueueAndTimersRunWhileTracking) {
    GlibRunLoop loop;
    loop.setTracking(true);
    bool queued = false;
    int fires = 0;
    loop.dispatchToMainQueue([&] { queued = true; });
    auto timer = loop.addRepeatingTimer(5 * kMs, [&] { ++fires; });
    EXPECT_TRUE(runUntilTrue(loop, [&] { return queued && fires >= 2; }));
    EXPECT_TRUE(loop.isTracking());
    timer->invalidate();
}

TEST(GlibRunLoop, MainQueueIsFifoAndWorkQueuedByWorkRunsOnALaterTurn) {
    GlibRunLoop loop;
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
    // request, a click queued from another thread, a signal) runs inside those pauses.
    for (const bool fromMainQueue : {false, true}) {
        SCOPED_TRACE(fromMainQueue ? "started from the main queue" : "started as delayed work");
        GlibRunLoop loop;
        std::vector<std::string> order;
        auto clean = [&] {
            order.push_back("clean begins");
            loop.performAfterDelay(5 * kMs, [&] { order.push_back("delayed"); });
            loop.dispatchToMainQueue([&] { order.push_back("queued"); });
            std::thread([&] {
                loop.dispatchToMainQueue([&] { order.push_back("queued elsewhere"); });
            }).join();
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
        ASSERT_TRUE(runUntilTrue(loop, [&] { return order.size() >= 5; }));
        ASSERT_EQ(order.size(), 5u);
        EXPECT_EQ(order.front(), "clean begins");
        EXPECT_EQ(order.back(), "clean ends");
        // All ran inside the clean's pauses; the main queue keeps its order.
        const auto queued = std::find(order.begin(), order.end(), "queued");
        EXPECT_LT(queued, std::find(order.begin(), order.end(), "queued elsewhere"));
        EXPECT_NE(std::find(order.begin(), order.end(), "delayed"), order.end());
    }
}

TEST(GlibRunLoop, ATimerDoesNotFireInsideItsOwnCallback) {
    GlibRunLoop loop;
    int depth = 0;
    int maxDepth = 0;
    int fires = 0;
    auto timer = loop.addRepeatingTimer(2 * kMs, [&] {
        ++fires;
        maxDepth = std::max(maxDepth, ++depth);
        if (fires == 1) {
            loop.runUntil(loop.now() + 20 * kMs);
        }
        --depth;
    });
    EXPECT_TRUE(runUntilTrue(loop, [&] { return fires >= 3; }));
    timer->invalidate();
    EXPECT_EQ(maxDepth, 1);
}

TEST(GlibRunLoop, RunEndsOnQuitFromACallback) {
    GlibRunLoop loop;
    const Seconds start = loop.now();
    loop.performAfterDelay(10 * kMs, [&] { loop.quit(); });
    auto guard = loop.addRepeatingTimer(Seconds(5), [&] { loop.quit(); });  // never hangs
    loop.run();
    guard->invalidate();
    const double elapsed = (loop.now() - start).count();
    EXPECT_GE(elapsed, 0.010);
    EXPECT_LT(elapsed, 2.0);
}

TEST(GlibRunLoop, QuitBeforeRunMakesRunReturnAtOnce) {
    GlibRunLoop loop;
    loop.quit();
    const Seconds start = loop.now();
    loop.run();
    EXPECT_LT((loop.now() - start).count(), 1.0);
}

TEST(GlibRunLoop, DispatchFromAnotherThreadWakesTheLoop) {
    GlibRunLoop loop;
    std::atomic<bool> ran{false};
    auto guard = loop.addRepeatingTimer(Seconds(5), [&] { loop.quit(); });
    std::thread worker([&] {
        std::this_thread::sleep_for(10ms);
        loop.dispatchToMainQueue([&] {
            ran = true;
            loop.quit();
        });
    });
    const Seconds start = loop.now();
    loop.run();
    worker.join();
    guard->invalidate();
    EXPECT_TRUE(ran);
    EXPECT_LT((loop.now() - start).count(), 2.0);
}

TEST(GlibRunLoop, DestroyingTheLoopInvalidatesTimersStillHeld) {
    int fires = 0;
    std::shared_ptr<Timer> timer;
    {
        GlibRunLoop loop;
        timer = loop.addRepeatingTimer(5 * kMs, [&] { ++fires; });
        loop.performAfterDelay(5 * kMs, [&] { ++fires; });
        loop.dispatchToMainQueue([&] { ++fires; });
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

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
using Order = std::vector<std::string>;

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

TEST(GlibRunLoop, RunUntilWaitsWithoutSpinningAndTurnsOnceForAPastMoment) {
    GlibRunLoop loop;
    const Seconds start = loop.now();
    timespec cpu[2]{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu[0]);
    loop.runUntil(start + 50 * kMs);
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu[1]);
    const double waited = (loop.now() - start).count();
    EXPECT_GE(waited, 0.050);
    EXPECT_LT(waited, 1.0);
    const double busy = static_cast<double>(cpu[1].tv_sec - cpu[0].tv_sec) +
                        static_cast<double>(cpu[1].tv_nsec - cpu[0].tv_nsec) / 1e9;
    // A spinning loop burns what the scheduler gives it, a loaded machine's share included.
    EXPECT_LT(busy, 0.1 * waited) << "a spinning loop burns the wait";

    bool ran = false;
    loop.dispatchToMainQueue([&] { ran = true; });
    const Seconds past = loop.now();
    loop.runUntil(past - Seconds(10));
    EXPECT_TRUE(ran);
    EXPECT_LT((loop.now() - past).count(), 0.5);
}

TEST(GlibRunLoop, TimersFireUntilInvalidatedWithoutAHandleAndNeverInsideThemselves) {
    GlibRunLoop loop;
    std::vector<double> at;
    int depth = 0;
    int maxDepth = 0;
    const Seconds start = loop.now();
    loop.addRepeatingTimer(5 * kMs, [&] {  // its handle is dropped at once
        at.push_back((loop.now() - start).count());
        maxDepth = std::max(maxDepth, ++depth);
        if (at.size() == 1) {
            loop.runUntil(loop.now() + 20 * kMs);  // a long job inside its own fire
        }
        --depth;
    });
    // Another invalidates itself on its third fire, its captures still alive after that within
    // the call; then the loop lets go of them.
    int fires = 0;
    bool released = false;
    struct Probe {
        bool* released;
        ~Probe() { *released = true; }
    };
    std::shared_ptr<Probe> probe(new Probe{&released});
    std::shared_ptr<Timer> self;
    self = loop.addRepeatingTimer(5 * kMs, [probe, &self, &fires] {
        if (++fires == 3) {
            self->invalidate();
            fires += *probe->released ? 0 : 1000;
        }
    });
    probe.reset();
    ASSERT_TRUE(runUntilTrue(loop, [&] { return at.size() >= 4 && released; }));
    EXPECT_EQ(fires, 1003) << "three fires, the last one whole, and none after";
    EXPECT_GE(at.front(), 0.005) << "the first fire comes one interval after creation";
    EXPECT_EQ(maxDepth, 1);
    EXPECT_FALSE(self->isValid());
    self->invalidate();  // twice is harmless
}

// Only one bound is checked against the clock: on a loaded machine a turn may come late, and
// GLib then runs everything that fell due in that turn in the order it was asked for.
TEST(GlibRunLoop, DelayedWorkWaitsWhileTrackingAndTheMainQueueDoesNot) {
    GlibRunLoop loop;
    Order order;
    const Seconds start = loop.now();
    double ranAt = -1;
    loop.performAfterDelay(30 * kMs, [&] { ranAt = (loop.now() - start).count(); });
    loop.runUntil(start + 60 * kMs);
    EXPECT_GE(ranAt, 0.030);

    loop.setTracking(true);  // a menu opens: delayed work waits, due or not
    loop.performAfterDelay(Seconds(-1), [&] { order.push_back("due-a"); });
    loop.performAfterDelay(Seconds(-1), [&] { order.push_back("due-b"); });
    loop.dispatchToMainQueue([&] {
        order.push_back("queued-a");
        loop.dispatchToMainQueue([&] { order.push_back("queued-c"); });  // on a later turn
    });
    loop.dispatchToMainQueue([&] { order.push_back("queued-b"); });
    g_main_context_iteration(nullptr, FALSE);
    EXPECT_EQ(order, (Order{"queued-a", "queued-b"}));
    loop.runUntil(loop.now() + 20 * kMs);
    EXPECT_EQ(order, (Order{"queued-a", "queued-b", "queued-c"}));

    loop.setTracking(false);
    g_main_context_iteration(nullptr, FALSE);  // already due: one turn, without waiting
    EXPECT_EQ(order, (Order{"queued-a", "queued-b", "queued-c", "due-a", "due-b"}));
}

// Quit from a callback ends the terminal view (tests/e2e); quit before run must not be lost.
TEST(GlibRunLoop, AQuitBeforeRunEndsItAtOnce) {
    GlibRunLoop loop;
    auto guard = loop.addRepeatingTimer(Seconds(5), [&] { loop.quit(); });  // never hangs
    loop.quit();
    const Seconds start = loop.now();
    loop.run();
    EXPECT_LT((loop.now() - start).count(), 1.0);
    guard->invalidate();
}

TEST(GlibRunLoop, DestroyingTheLoopDropsItsWorkAndInvalidatesTimersStillHeld) {
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
    GlibRunLoop another;  // nothing of the dead loop is left on the context
    another.runUntil(another.now() + 20 * kMs);
    EXPECT_EQ(fires, 0);
}

}  // namespace
}  // namespace headroom

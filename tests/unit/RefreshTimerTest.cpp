// The refresh timer: one at a time, at the stored interval within sane bounds.

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <vector>

#include "DelegateTestSupport.h"

namespace headroom::test {
namespace {

class RefreshTimer : public DelegateTest {
  protected:
    std::size_t refreshes() { return fakes.hostMemory.statisticsReads(); }
    /// The one timer that runs; the test fails when there is not exactly one.
    std::shared_ptr<FakeTimer> timer() {
        const auto timers = fakes.runLoop.validTimers();
        EXPECT_EQ(timers.size(), 1U);
        return timers.empty() ? nullptr : timers.front();
    }
};

TEST_F(RefreshTimer, TicksEveryIntervalAfterLaunch) {
    launch();
    ASSERT_EQ(refreshes(), 1U);  // the launch's own read
    fakes.runLoop.advanceBy(16.0);
    EXPECT_EQ(fakes.runLoop.timerFireTimes(), (std::vector<double>{5.0, 10.0, 15.0}));
    EXPECT_EQ(refreshes(), 4U);
}

TEST_F(RefreshTimer, ChangingTheIntervalReplacesTheTimer) {
    launch();
    fakes.runLoop.advanceBy(2.0);
    const std::shared_ptr<Timer> old = timer();

    delegate().setRefreshInterval(10);

    EXPECT_FALSE(old->isValid());
    ASSERT_EQ(fakes.runLoop.validTimerCount(), 1U);
    EXPECT_EQ(timer()->interval(), Seconds(10.0));
    EXPECT_EQ(refreshes(), 1U);  // no refresh of its own

    fakes.runLoop.advanceBy(20.0);
    EXPECT_EQ(fakes.runLoop.timerFireTimes(), (std::vector<double>{12.0, 22.0}));
    EXPECT_EQ(refreshes(), 3U);
}

TEST_F(RefreshTimer, TickWhileTheMenuIsOpen) {
    launch();
    fakes.runLoop.setTracking(true);
    fakes.hostMemory.setFreeBytes(kGiB);
    fakes.runLoop.advanceBy(5.0);
    EXPECT_EQ(rowTitle(2), "  Free: 1.00 GB");
}

struct ClampCase {
    std::int64_t stored;
    double timerSeconds;
};

void PrintTo(const ClampCase& c, std::ostream* os) {
    *os << "stored " << c.stored;
}

class StoredInterval : public RefreshTimer, public ::testing::WithParamInterface<ClampCase> {};

TEST_P(StoredInterval, TimerStaysWithinBoundsAndThePropertyKeepsTheStoredValue) {
    fakes.preferences.put("refreshInterval", GetParam().stored);
    launch();

    EXPECT_EQ(delegate().refreshInterval, GetParam().stored);
    ASSERT_EQ(fakes.runLoop.validTimerCount(), 1U);
    EXPECT_EQ(fakes.runLoop.validTimers().front()->interval(), Seconds(GetParam().timerSeconds));

    // The same bound holds when the interval is changed afterwards.
    delegate().setRefreshInterval(GetParam().stored);
    ASSERT_EQ(fakes.runLoop.validTimerCount(), 1U);
    EXPECT_EQ(timer()->interval(), Seconds(GetParam().timerSeconds));
}

INSTANTIATE_TEST_SUITE_P(RefreshTimer, StoredInterval,
                         ::testing::Values(ClampCase{0, 1.0}, ClampCase{-3, 1.0},
                                           ClampCase{100000, 3600.0}, ClampCase{1, 1.0},
                                           ClampCase{3600, 3600.0},
                                           ClampCase{std::int64_t{1} << 40, 3600.0}));

TEST_F(RefreshTimer, StartTimerInBackgroundRefreshesAtOnceAndKeepsOneTimer) {
    launch();
    fakes.runLoop.advanceBy(3.0);
    fakes.hostMemory.setFreeBytes(kGiB);

    delegate().cleaner.startTimerInBackground();

    EXPECT_EQ(rowTitle(2), "  Free: 1.00 GB");
    EXPECT_EQ(statusItem().title()->text, "1.00 GB");
    EXPECT_EQ(fakes.runLoop.validTimerCount(), 1U);
    fakes.runLoop.advanceBy(10.0);
    EXPECT_EQ(fakes.runLoop.timerFireTimes(), (std::vector<double>{8.0, 13.0}));
}

TEST_F(RefreshTimer, RestartQueuedOnTheMainQueueRunsOnTheNextTurn) {
    launch();
    timer()->invalidate();  // as a clean does
    fakes.runLoop.dispatchToMainQueue([this] { delegate().cleaner.startTimerInBackground(); });
    fakes.runLoop.setTracking(true);
    const std::size_t before = refreshes();

    fakes.runLoop.turn();

    EXPECT_EQ(refreshes(), before + 1);
    EXPECT_EQ(fakes.runLoop.validTimerCount(), 1U);
}

TEST_F(RefreshTimer, DelegateStopsItsTimerWhenItGoes) {
    {
        AppDelegate shortLived(fakes.platform());
        shortLived.applicationDidFinishLaunching();
        ASSERT_EQ(fakes.runLoop.validTimerCount(), 1U);
    }
    EXPECT_EQ(fakes.runLoop.validTimerCount(), 0U);
    // A timer left behind would call into the destroyed delegate here.
    fakes.runLoop.advanceBy(10.0);
    EXPECT_TRUE(fakes.runLoop.timerFireTimes().empty());
}

}  // namespace
}  // namespace headroom::test

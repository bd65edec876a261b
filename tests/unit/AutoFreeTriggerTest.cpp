// Automatic freeing: a refresh that finds memory low schedules one clean 0.9 s later, in the
// default mode, and holds back while an automatic clean has left memory low.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DelegateTestSupport.h"
#include "cleaner/CleanArithmetic.h"

namespace headroom::test {
namespace {

class AutoFreeTrigger : public DelegateTest {
  protected:
    void SetUp() override {
        fakes.preferences.put("memoryLevel", 200);
        setFreeBytesExactly(100 * kMiB);
        // Blocks of 1 MiB, all refused by the floor: the passes run, nothing is claimed.
        fakes.bundleResources.blockLength = kMiB;
        fakes.hostMemory.setAvailableMemory(cleanSafetyFloor(8 * kGiB));
    }

    /// Cleans begun so far: each begins by showing "0%".
    std::size_t cleansRun() {
        std::size_t count = 0;
        std::string previous;
        for (const auto& title : statusItem().titleHistory()) {
            count += title.text == "0%" && previous != "0%" ? 1u : 0u;
            previous = title.text;
        }
        return count;
    }
    bool cleanHasRun() { return cleansRun() > 0; }
};

TEST_F(AutoFreeTrigger, OffByDefaultTheTitleIsStillRed) {
    fakes.preferences.erase("memoryLevel");
    launch();
    fakes.runLoop.advanceBy(11.0);
    EXPECT_EQ(fakes.runLoop.pendingDelayedPerformCount(), 0u);
    EXPECT_EQ(statusItem().title()->attributes.foregroundColor, TitleColor::Red);
    EXPECT_FALSE(cleanHasRun());
}

TEST_F(AutoFreeTrigger, OneRequestWaitsForTheMenuThenCleansThenBacksOffWhileMemoryStaysLow) {
    fakes.preferences.put("isAutoFreeMemory", true);
    launch();
    ASSERT_EQ(fakes.runLoop.pendingDelayedPerformDates(), std::vector<Seconds>{Seconds(0.9)});

    // The menu opens before the request is due: ticks go on and find memory low again, but
    // nothing more is queued and nothing runs until the menu closes.
    fakes.runLoop.setTracking(true);
    fakes.runLoop.advanceBy(10.5);
    EXPECT_EQ(fakes.runLoop.timerFireTimes().size(), 2u);
    EXPECT_EQ(fakes.runLoop.pendingDelayedPerformCount(), 1u);
    EXPECT_FALSE(cleanHasRun());

    // A refresh while the clean runs (a preference change, say) schedules nothing.
    std::size_t pendingInside = 99;
    fakes.runLoop.performAfterDelay(Seconds(3.0), [&] {
        delegate().updateMemoryDisplay();
        pendingInside = fakes.runLoop.pendingDelayedPerformCount();
    });
    fakes.runLoop.setTracking(false);
    fakes.runLoop.turn();
    EXPECT_TRUE(cleanHasRun());
    EXPECT_EQ(pendingInside, 0u);
    EXPECT_EQ(fakes.runLoop.pendingDelayedPerformCount(), 0u);

    // The clean left memory low: while it stays low, no clean follows...
    fakes.runLoop.advanceBy(300.0);
    EXPECT_EQ(cleansRun(), 1u);
    // ...until it has been above the level once,
    setFreeBytesExactly(300 * kMiB);
    fakes.runLoop.advanceBy(10.0);
    setFreeBytesExactly(100 * kMiB);
    fakes.runLoop.advanceBy(10.0);
    EXPECT_EQ(cleansRun(), 2u);
    // ...or ten minutes have passed since the last one ended.
    fakes.runLoop.advanceBy(500.0);
    EXPECT_EQ(cleansRun(), 2u);
    fakes.runLoop.advanceBy(200.0);
    EXPECT_EQ(cleansRun(), 3u);
}

}  // namespace
}  // namespace headroom::test

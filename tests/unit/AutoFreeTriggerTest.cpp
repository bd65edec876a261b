// Automatic freeing: a low-memory title schedules one clean 0.9 s later, in the default mode.

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
        fakes.bundleResources.setImage("hd", FakeBundleResources::solidImage(512, 512));
        fakes.hostMemory.setAvailableMemory(cleanSafetyFloor(8 * kGiB));
    }

    bool cleanHasRun() {
        for (const auto& title : statusItem().titleHistory()) {
            if (title.text == "0%") {
                return true;
            }
        }
        return false;
    }
};

TEST_F(AutoFreeTrigger, OffByDefaultTheTitleIsStillRed) {
    fakes.preferences.erase("memoryLevel");
    launch();
    fakes.runLoop.advanceBy(11.0);
    EXPECT_EQ(fakes.runLoop.pendingDelayedPerformCount(), 0u);
    EXPECT_EQ(statusItem().title()->attributes.foregroundColor, TitleColor::Red);
    EXPECT_FALSE(cleanHasRun());
}

TEST_F(AutoFreeTrigger, OneRequestWaitsForTheMenuThenCleansAndTheCycleGoesOn) {
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

    // A title built while the clean runs (a preference change, say) schedules nothing.
    std::size_t pendingInside = 99;
    fakes.runLoop.performAfterDelay(Seconds(3.0), [&] {
        delegate().attTitleFromString(std::string("x"));
        pendingInside = fakes.runLoop.pendingDelayedPerformCount();
    });
    fakes.runLoop.setTracking(false);
    fakes.runLoop.turn();
    EXPECT_TRUE(cleanHasRun());
    EXPECT_EQ(pendingInside, 0u);
    EXPECT_FALSE(delegate().isCleanPending());

    // The restart builds the title twice; still low, so exactly one more clean is queued.
    fakes.runLoop.turn();
    ASSERT_EQ(fakes.runLoop.pendingDelayedPerformCount(), 1u);
    EXPECT_EQ(fakes.runLoop.pendingDelayedPerformDates()[0], fakes.runLoop.now() + Seconds(0.9));
}

}  // namespace
}  // namespace headroom::test

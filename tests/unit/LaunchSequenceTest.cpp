// The launch sequence, observed through the ports it touches, and the small menu commands.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "DelegateTestSupport.h"

namespace headroom::test {
namespace {

using Post = FakeNotificationCenter::Post;

constexpr const char* kHelper = "com.Tidewell.Helper";

class Launch : public DelegateTest {
  protected:
    std::size_t journalIndex(const char* entry, std::size_t occurrence = 0) {
        const auto index = fakes.journal.indexOf(entry, occurrence);
        EXPECT_TRUE(index.has_value()) << entry << " #" << occurrence << " never happened";
        return index.value_or(0);
    }
};

TEST_F(Launch, StepsTouchThePortsInLaunchOrder) {
    fakes.loginItems.running = {kHelper};
    launch();

    // Helper check, status item with placeholders, preferences, total memory, application
    // rows, menu attached, first statistics, refresh timer.
    const std::vector<std::size_t> order = {
        journalIndex("loginItems.loginItemRunning"),
        journalIndex("notifications.post"),
        journalIndex("statusBar.statusItemWithLength"),
        journalIndex("statusItem.setImage"),
        journalIndex("statusItem.setAttributedTitle"),
        journalIndex("preferences.valueForKey"),
        journalIndex("hostMemory.physicalMemory"),
        journalIndex("workspace.runningApplications"),
        journalIndex("statusItem.setMenu"),
        journalIndex("hostMemory.statistics"),
        journalIndex("statusItem.setAttributedTitle", 1),
        journalIndex("statusItem.setImage", 1),
        journalIndex("runLoop.addRepeatingTimer"),
    };
    for (std::size_t i = 1; i < order.size(); ++i) {
        EXPECT_LT(order[i - 1], order[i]) << "step " << i << " of the launch is out of place";
    }
    EXPECT_EQ(fakes.statusBar.itemCount(), 1U);
    EXPECT_EQ(statusItem().length(), StatusBar::variableLength);
}

TEST_F(Launch, ExtremeCleanIsNamedInRowZero) {
    launch();
    EXPECT_EQ(rowTitle(0), "Extreme Clean");
}

TEST_F(Launch, PlaceholdersComeBeforeThePreferencesAndAreRed) {
    // Stored preferences that would change the title if they were loaded first.
    fakes.preferences.put("isShowText", false);
    fakes.preferences.put("memoryLevel", -1);
    launch();

    ASSERT_GE(statusItem().imageHistory().size(), 2U);
    EXPECT_EQ(statusItem().imageHistory().front(),
              (StatusImage{StatusImage::Kind::Named, "h2_n", 0.0f, false}));
    ASSERT_GE(statusItem().titleHistory().size(), 2U);
    const AttributedTitle& placeholder = statusItem().titleHistory().front();
    EXPECT_EQ(placeholder.text, "4.00 GB");
    EXPECT_EQ(placeholder.attributes.foregroundColor, TitleColor::Red);
    // The real title follows the stored preferences: no text, grey (level below any free).
    EXPECT_EQ(statusItem().title()->text, "");
    EXPECT_EQ(statusItem().title()->attributes.foregroundColor, TitleColor::DisabledControlText);
}

TEST_F(Launch, TotalHeaderAndMenuAreSetUp) {
    fakes.preferences.put("isPercentage", true);
    launch();

    EXPECT_EQ(rowTitle(7), "  Total: 8.00 GB");
    EXPECT_EQ(statusItem().setMenuCount(), 1U);
}

TEST_F(Launch, StatusShowsCurrentFreeMemoryBeforeTheFirstTick) {
    fakes.hostMemory.setFreeBytes(2 * kGiB);
    launch();

    EXPECT_EQ(statusItem().title()->text, "2.00 GB");
    EXPECT_EQ(statusItem().title()->attributes.foregroundColor, TitleColor::DisabledControlText);
    ASSERT_TRUE(statusItem().image().has_value());
    EXPECT_EQ(statusItem().image()->kind, StatusImage::Kind::BarIcon);
    EXPECT_TRUE(statusItem().image()->isTemplate);
    EXPECT_EQ(statusItem().image()->barWidth, static_cast<float>(0.75 * double{11.4f}));
}

TEST_F(Launch, BreakdownRowsWaitForTheFirstTick) {
    fakes.hostMemory.setFreeBytes(2 * kGiB);
    launch();

    const std::vector<std::string> initial = {"  Free: -", "  Inactive: -", "  Active: -",
                                              "  Wired: -", "  Used: -"};
    for (std::size_t row = 2; row <= 6; ++row) {
        EXPECT_EQ(rowTitle(row), initial[row - 2]) << "row " << row;
    }
    ASSERT_EQ(fakes.runLoop.validTimerCount(), 1U);
    EXPECT_EQ(fakes.runLoop.validTimers().front()->interval(), Seconds(5.0));

    fakes.runLoop.advanceBy(4.999);
    EXPECT_EQ(rowTitle(2), initial[0]);

    fakes.runLoop.advanceBy(0.001);
    EXPECT_EQ(rowTitle(2), "  Free: 2.00 GB");
    EXPECT_EQ(rowTitle(3), "  Inactive: 1.00 GB");
    EXPECT_EQ(rowTitle(4), "  Active: 1.50 GB");
    EXPECT_EQ(rowTitle(5), "  Wired: 512.00 MB");
    EXPECT_EQ(rowTitle(6), "  Used: 6.00 GB");
    EXPECT_EQ(rowTitle(7), "  Total: 8.00 GB");
}

TEST_F(Launch, TicksFollowTheMachine) {
    fakes.hostMemory.setFreeBytes(2 * kGiB);
    launch();
    fakes.hostMemory.setFreeBytes(kGiB);
    fakes.runLoop.advanceBy(5.0);
    EXPECT_EQ(statusItem().title()->text, "1.00 GB");
    fakes.hostMemory.setFreeBytes(100 * kMiB);
    fakes.runLoop.advanceBy(5.0);
    EXPECT_EQ(statusItem().title()->text, "100.00 MB");
    EXPECT_EQ(statusItem().title()->attributes.foregroundColor, TitleColor::Red);
    EXPECT_EQ(rowTitle(2), "  Free: 100.00 MB");
}

TEST_F(Launch, NoHelperRunningPostsNothing) {
    fakes.loginItems.running = {"com.tidewell.helper", "com.Tidewell.Helper2"};  // lookalikes
    launch();
    EXPECT_TRUE(fakes.notificationCenter.posts().empty());
}

TEST_F(Launch, ARunningHelperGetsOneNoticeWithTheApplicationsOwnIdentifier) {
    fakes.loginItems.running = {kHelper};
    launch();
    EXPECT_EQ(fakes.notificationCenter.posts(),
              (std::vector<Post>{{"TERMINATEHELPER", "com.Tidewell.Headroom"}}));
}

TEST_F(Launch, QuitTerminatesTheApplication) {
    launch();
    EXPECT_EQ(fakes.application.terminateCount(), 0U);
    delegate().quitPressed();
    EXPECT_EQ(fakes.application.terminateCount(), 1U);
}

TEST_F(Launch, RateShowsTheEnjoymentDialog) {
    launch();
    EXPECT_EQ(fakes.feedback.dialogs, 0);
    delegate().rateAppPressed();
    EXPECT_EQ(fakes.feedback.dialogs, 1);
}

}  // namespace
}  // namespace headroom::test

// What the status item and the menu's breakdown show: the launch, every refresh at the timer's
// interval, the automatic clean a low refresh schedules, and the small menu commands.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "DelegateTestSupport.h"
#include "cleaner/CleanArithmetic.h"

namespace headroom::test {
namespace {

class Display : public DelegateTest {
  protected:
    /// The figures of the breakdown rows, "Free" (row 2) to "Total" (row 7), without their
    /// labels and joined by " | "; a row that lost its label shows whole.
    std::string breakdown() {
        static const char* const kLabels[] = {
            "  Free: ", "  Inactive: ", "  Active: ", "  Wired: ", "  Used: ", "  Total: "};
        std::string figures;
        for (std::size_t row = 2; row <= 7; ++row) {
            const std::string title = rowTitle(row);
            const std::string label = kLabels[row - 2];
            figures += (row > 2 ? " | " : "") +
                       (title.starts_with(label) ? title.substr(label.size()) : title);
        }
        return figures;
    }
    const AttributedTitle& title() { return *statusItem().title(); }
    std::size_t refreshes() { return fakes.hostMemory.statisticsReads(); }

    /// Cleans begun so far: each begins by showing "0%".
    std::size_t cleansRun() {
        std::size_t count = 0;
        std::string previous;
        for (const auto& shown : statusItem().titleHistory()) {
            count += shown.text == "0%" && previous != "0%" ? 1u : 0u;
            previous = shown.text;
        }
        return count;
    }
};

struct ShownCase {
    const char* name;
    std::uint64_t installed;
    std::uint64_t free, active, inactive, wired;
    const char* preference;  ///< a check box set to `value` in the store, or none
    bool value;
    std::string title;
    TitleColor color;
    std::optional<float> bar;  ///< the bar icon's width; nothing: no image
    std::string rows;          ///< the breakdown at the first tick
};

void PrintTo(const ShownCase& c, std::ostream* os) {
    *os << c.name;
}

class Shown : public Display, public ::testing::WithParamInterface<ShownCase> {};

TEST_P(Shown, TitleIconAndBreakdownFollowTheFiguresAndThePreferences) {
    const ShownCase& c = GetParam();
    fakes.hostMemory.setPhysicalMemory(c.installed);
    fakes.hostMemory.setStatistics({c.free, c.active, c.inactive, c.wired});
    if (c.preference != nullptr) {
        fakes.preferences.put(c.preference, c.value);
    }
    launch();
    openMenu();

    // Title and image from the launch's own reading; the breakdown at the first tick.
    EXPECT_EQ(title().text, c.title);
    EXPECT_EQ(title().attributes.foregroundColor, c.color);
    const StatusImage& image = statusItem().image();
    EXPECT_EQ(image.isLow, c.color == TitleColor::Red);
    EXPECT_EQ(image.showsBar, c.bar.has_value());
    EXPECT_EQ(image.showsText, !c.title.empty());
    EXPECT_EQ(image.freeBytes, static_cast<double>(c.free));
    EXPECT_EQ(image.totalBytes, static_cast<double>(c.installed));
    if (c.bar) {
        EXPECT_FLOAT_EQ(image.barWidth(), *c.bar);
    }
    fakes.runLoop.advanceBy(5.0);
    EXPECT_EQ(breakdown(), c.rows);
    EXPECT_EQ(title().text, c.title);
}

constexpr std::uint64_t kOdd = 327680000;           // 312.5 MiB
constexpr std::uint64_t kGiB16Plus1 = 17179869185;  // one byte over 16 GiB
constexpr TitleColor kGrey = TitleColor::DisabledControlText;
constexpr TitleColor kRed = TitleColor::Red;

// The level is the default 200 MiB throughout.
INSTANTIATE_TEST_SUITE_P(
    Display, Shown,
    ::testing::Values(
        ShownCase{"defaults", 8 * kGiB, 2 * kGiB, 3 * kGiB / 2, kGiB, kGiB / 2, nullptr, false,
                  "2.00 GB", kGrey, 8.55f,
                  "2.00 GB | 1.00 GB | 1.50 GB | 512.00 MB | 6.00 GB | 8.00 GB"},
        ShownCase{"used_is_the_rest_of_the_total", 8 * kGiB, kOdd, kGiB, 3 * kGiB / 2, 512 * kMiB,
                  nullptr, false, "312.50 MB", kGrey, 10.965124f,
                  "312.50 MB | 1.50 GB | 1.00 GB | 512.00 MB | 7.69 GB | 8.00 GB"},
        ShownCase{"percentages_but_the_total", 8 * kGiB, kOdd, kGiB, 3 * kGiB / 2, 512 * kMiB,
                  "isPercentage", true, "3.81%", kGrey, 10.965124f,
                  "3.81% | 18.75% | 12.50% | 6.25% | 96.19% | 8.00 GB"},
        ShownCase{"total_in_bytes_not_rounded", kGiB16Plus1, kOdd, 0, 0, 0, "isPercentage", true,
                  "1.91%", kGrey, 11.182562f, "1.91% | 0.00% | 0.00% | 0.00% | 98.09% | 16.00 GB"},
        ShownCase{"at_the_level_is_red", 8 * kGiB, 200 * kMiB, 0, 0, 0, nullptr, false, "200.00 MB",
                  kRed, 11.121679f, "200.00 MB | 0.00 KB | 0.00 KB | 0.00 KB | 7.80 GB | 8.00 GB"},
        ShownCase{"a_byte_above_is_grey", 8 * kGiB, 200 * kMiB + 1, 0, 0, 0, nullptr, false,
                  "200.00 MB", kGrey, 11.121679f,
                  "200.00 MB | 0.00 KB | 0.00 KB | 0.00 KB | 7.80 GB | 8.00 GB"},
        ShownCase{"percentages_compare_bytes", 8 * kGiB, 200 * kMiB, 0, 0, 0, "isPercentage", true,
                  "2.44%", kRed, 11.121679f, "2.44% | 0.00% | 0.00% | 0.00% | 97.56% | 8.00 GB"},
        ShownCase{"hidden_text_is_still_coloured", 8 * kGiB, 100 * kMiB, 0, 0, 0, "isShowText",
                  false, "", kRed, 11.260839f,
                  "100.00 MB | 0.00 KB | 0.00 KB | 0.00 KB | 7.90 GB | 8.00 GB"},
        ShownCase{"hidden_icon", 8 * kGiB, 4 * kGiB, 0, 0, 0, "isShowIcon", false, "4.00 GB", kGrey,
                  std::nullopt, "4.00 GB | 0.00 KB | 0.00 KB | 0.00 KB | 4.00 GB | 8.00 GB"},
        ShownCase{"none_free_full_bar", 8 * kGiB, 0, 0, 0, 0, nullptr, false, "0.00 KB", kRed,
                  11.4f, "0.00 KB | 0.00 KB | 0.00 KB | 0.00 KB | 8.00 GB | 8.00 GB"},
        ShownCase{"all_free_empty_bar", 8 * kGiB, 8 * kGiB, 0, 0, 0, nullptr, false, "8.00 GB",
                  kGrey, 0.0f, "8.00 GB | 0.00 KB | 0.00 KB | 0.00 KB | 0.00 KB | 8.00 GB"}),
    [](const ::testing::TestParamInfo<ShownCase>& p) { return std::string(p.param.name); });

TEST_F(Display, LaunchShowsPlaceholdersBeforeThePreferencesAndTheBreakdownAtTheFirstTick) {
    // Stored preferences that would change the placeholders if they were loaded first.
    fakes.preferences.put("isShowText", false);
    fakes.preferences.put("memoryLevel", -1);
    launch();
    openMenu();

    EXPECT_EQ(rowTitle(0), "Extreme Clean");
    EXPECT_EQ(fakes.statusBar.itemCount(), 1U);
    // No figures yet: the bar's frame alone.
    EXPECT_EQ(statusItem().imageHistory().front(), StatusImage{});
    const AttributedTitle& placeholder = statusItem().titleHistory().front();
    EXPECT_EQ(placeholder.text, "4.00 GB");
    EXPECT_EQ(placeholder.attributes.foregroundColor, TitleColor::Red);
    // The real title follows the stored preferences: no text, grey (level below any free).
    EXPECT_EQ(title().text, "");
    EXPECT_EQ(title().attributes.foregroundColor, TitleColor::DisabledControlText);

    const std::string before = "- | - | - | - | - | 8.00 GB";
    EXPECT_EQ(breakdown(), before);
    fakes.runLoop.advanceBy(4.999);
    EXPECT_EQ(breakdown(), before);
    fakes.runLoop.advanceBy(0.001);
    EXPECT_EQ(breakdown(), "2.00 GB | 1.00 GB | 1.50 GB | 512.00 MB | 6.00 GB | 8.00 GB");
}

TEST_F(Display, RefreshesFollowTheMachineAtTheIntervalMenuOpenOrNot) {
    launch();
    ASSERT_EQ(refreshes(), 1U);  // the launch's own read
    fakes.runLoop.setTracking(true);
    openMenu();
    fakes.hostMemory.setFreeBytes(100 * kMiB);
    fakes.runLoop.advanceBy(5.0);
    EXPECT_EQ(title().text, "100.00 MB");
    EXPECT_EQ(title().attributes.foregroundColor, TitleColor::Red);
    EXPECT_EQ(rowTitle(2), "  Free: 100.00 MB");
    fakes.runLoop.setTracking(false);
    statusItem().menuEvent(MenuEvent::Closed);
    fakes.hostMemory.setFreeBytes(kGiB);
    fakes.runLoop.advanceBy(7.0);
    EXPECT_EQ(title().text, "1.00 GB");
    EXPECT_EQ(rowTitle(2), "  Free: 100.00 MB") << "rows wait for the menu";
    statusItem().menuEvent(MenuEvent::AboutToShow);
    EXPECT_EQ(rowTitle(2), "  Free: 1.00 GB");
    EXPECT_EQ(title().attributes.foregroundColor, TitleColor::DisabledControlText);
    EXPECT_EQ(refreshes(), 3U);

    // A new interval replaces the timer, without a refresh of its own.
    const std::shared_ptr<Timer> old = fakes.runLoop.validTimers().front();
    delegate().setRefreshInterval(10);
    EXPECT_FALSE(old->isValid());
    EXPECT_EQ(refreshes(), 3U);
    fakes.runLoop.advanceBy(20.0);
    EXPECT_EQ(fakes.runLoop.timerFireTimes(), (std::vector<double>{5.0, 10.0, 22.0, 32.0}));
    EXPECT_EQ(fakes.runLoop.validTimerCount(), 1U);
}

class StoredInterval : public Display,
                       public ::testing::WithParamInterface<std::pair<std::int64_t, double>> {};

TEST_P(StoredInterval, TimerStaysWithinBoundsAndThePropertyKeepsTheStoredValue) {
    const auto [stored, seconds] = GetParam();
    fakes.preferences.put("refreshInterval", stored);
    launch();
    EXPECT_EQ(delegate().refreshInterval, stored);
    ASSERT_EQ(fakes.runLoop.validTimerCount(), 1U);
    EXPECT_EQ(fakes.runLoop.validTimers().front()->interval(), Seconds(seconds));

    // The same bound holds when the interval is set afterwards.
    delegate().setRefreshInterval(stored);
    ASSERT_EQ(fakes.runLoop.validTimerCount(), 1U);
    EXPECT_EQ(fakes.runLoop.validTimers().front()->interval(), Seconds(seconds));
}

INSTANTIATE_TEST_SUITE_P(Display, StoredInterval,
                         ::testing::Values(std::pair{std::int64_t{0}, 1.0},
                                           std::pair{std::int64_t{-3}, 1.0},
                                           std::pair{std::int64_t{1}, 1.0},
                                           std::pair{std::int64_t{3600}, 3600.0},
                                           std::pair{std::int64_t{100000}, 3600.0},
                                           std::pair{std::int64_t{1} << 40, 3600.0}));

TEST_F(Display, TheDelegateStopsItsTimerWhenItGoes) {
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

TEST_F(Display, AFailedReadIsLoggedOncePerProblemAndKeepsTheLastFigures) {
    // A first read that fails: an empty title and no figures, but the total.
    fakes.hostMemory.failStatistics();
    launch();
    openMenu();
    EXPECT_EQ(title().text, "");
    EXPECT_EQ(breakdown(), "- | - | - | - | - | 8.00 GB");
    fakes.runLoop.advanceBy(5.0);
    EXPECT_EQ(breakdown(), " |  |  |  |  | 8.00 GB");

    // The machine answers: the figures appear; then it fails again and they stand.
    fakes.hostMemory.setFreeBytes(2 * kGiB);
    fakes.runLoop.advanceBy(5.0);
    const std::string shown = breakdown();
    EXPECT_TRUE(shown.starts_with("2.00 GB |")) << shown;
    fakes.hostMemory.setFreeBytes(kGiB);  // what the machine has, but cannot say
    fakes.hostMemory.failStatistics();
    fakes.runLoop.advanceBy(10.0);
    EXPECT_EQ(breakdown(), shown);
    EXPECT_EQ(title().text, "2.00 GB");
    fakes.hostMemory.failStatistics("cannot open /x/meminfo: No such file or directory");
    fakes.runLoop.advanceBy(10.0);
    EXPECT_EQ(
        fakes.log.lines(),
        (std::vector<std::string>{"Failed to fetch vm statistics", "Failed to fetch vm statistics",
                                  "Failed to fetch vm statistics: cannot open /x/meminfo: "
                                  "No such file or directory"}));
}

TEST_F(Display, ALowRefreshSchedulesOneCleanThatWaitsForTheMenuThenBacksOff) {
    fakes.preferences.put("memoryLevel", 200);
    setFreeBytesExactly(100 * kMiB);
    // Blocks of 1 MiB, all refused by the floor: the passes run, nothing is claimed.
    fakes.bundleResources.blockLength = kMiB;
    fakes.hostMemory.setAvailableMemory(cleanSafetyFloor(8 * kGiB));
    // Off by default: the title is red all the same, and nothing is scheduled.
    launch();
    fakes.runLoop.advanceBy(11.0);
    EXPECT_EQ(title().attributes.foregroundColor, TitleColor::Red);
    EXPECT_EQ(fakes.runLoop.pendingDelayedPerformCount(), 0u);

    delegate().setIsAutoFreeMemory(true);
    fakes.runLoop.advanceBy(4.0);
    ASSERT_EQ(fakes.runLoop.pendingDelayedPerformDates(), std::vector<Seconds>{Seconds(15.9)});
    // The menu opens before the request is due: ticks go on and find memory low again, but
    // nothing more is queued and nothing runs until the menu closes.
    fakes.runLoop.setTracking(true);
    fakes.runLoop.advanceBy(10.5);
    EXPECT_EQ(fakes.runLoop.timerFireTimes().size(), 5u);
    EXPECT_EQ(fakes.runLoop.pendingDelayedPerformCount(), 1u);
    EXPECT_EQ(cleansRun(), 0u);

    // A refresh while the clean runs (a preference change, say) schedules nothing.
    std::size_t pendingInside = 99;
    fakes.runLoop.performAfterDelay(Seconds(3.0), [&] {
        delegate().updateMemoryDisplay();
        pendingInside = fakes.runLoop.pendingDelayedPerformCount();
    });
    fakes.runLoop.setTracking(false);
    fakes.runLoop.turn();
    EXPECT_EQ(cleansRun(), 1u);
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
    // None starts while programs wait for memory at or above the pressure level (10 %).
    fakes.hostMemory.setPressure(10.0);
    fakes.runLoop.advanceBy(900.0);
    EXPECT_EQ(cleansRun(), 3u);
    fakes.hostMemory.setPressure(9.99);
    fakes.runLoop.advanceBy(20.0);
    EXPECT_EQ(cleansRun(), 4u);
    // A level of 0 turns the warning off, and pressure then holds nothing back.
    fakes.hostMemory.setPressure(100.0);
    delegate().setPressureLevel(0);
    fakes.runLoop.advanceBy(700.0);
    EXPECT_EQ(cleansRun(), 5u);
}

TEST(DisplayCommands, ARunningHelperIsToldToEndAndTheCommandsReachTheirPorts) {
    const std::vector<std::pair<std::set<std::string>, std::size_t>> cases = {
        {{}, 0},
        {{"com.tidewell.helper", "com.Tidewell.Helper2"}, 0},
        {{"com.Tidewell.Helper"}, 1}};
    for (const auto& [running, notices] : cases) {
        FakePlatform fakes;
        fakes.loginItems.running = running;
        AppDelegate delegate(fakes.platform());
        delegate.applicationDidFinishLaunching();
        EXPECT_EQ(fakes.notificationCenter.posts(),
                  std::vector<FakeNotificationCenter::Post>(
                      notices, {"TERMINATEHELPER", "com.Tidewell.Headroom"}));

        // Rows are chosen by key; disabled rows and the header do nothing.
        FakeStatusItem& item = fakes.statusBar.item();
        for (const char* key : {"free", "total", "significant", "-commands", "rate"}) {
            item.choose(key);
        }
        EXPECT_EQ(fakes.feedback.dialogs, 1);
        EXPECT_EQ(fakes.application.terminateCount(), 0U);
        item.choose("quit");
        EXPECT_EQ(fakes.application.terminateCount(), 1U);
    }
}

}  // namespace
}  // namespace headroom::test

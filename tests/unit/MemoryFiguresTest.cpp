// The memory figures read at each refresh, seen in the menu's breakdown rows on the fake machine.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "DelegateTestSupport.h"

namespace headroom::test {
namespace {

class MemoryFigures : public DelegateTest {
  protected:
    void SetUp() override {
        fakes.hostMemory.setPhysicalMemory(8 * kGiB);
        fakes.hostMemory.setStatistics({327680000, kGiB, 3 * kGiB / 2, 512 * kMiB});
    }

    /// Launches and refreshes once, as the first tick does.
    void refresh() {
        launch();
        delegate().updateMemoryDisplay();
    }

    /// The figure a breakdown row shows ("Free" is row 2, "Used" row 6).
    std::string entry(const char* key) {
        for (std::size_t row = 2; row <= 7; ++row) {
            const std::string title = rowTitle(row);
            const std::string label = std::string("  ") + key + ": ";
            if (title.starts_with(label)) {
                return title.substr(label.size());
            }
        }
        return "<no row " + std::string(key) + ">";
    }
};

TEST_F(MemoryFigures, TotalIsReadOnceInBytes) {
    fakes.hostMemory.setPhysicalMemory(17179869185);  // one byte over 16 GiB
    fakes.preferences.put("isPercentage", true);
    refresh();
    EXPECT_EQ(entry("Total"), "16.00 GB");
    EXPECT_EQ(entry("Used"), "98.09%");  // (17179869185 - 327680000) / 17179869185
    EXPECT_EQ(fakes.journal.count("hostMemory.physicalMemory"), 1U);
}

TEST_F(MemoryFigures, UsedIsTheRestOfTheTotal) {
    refresh();

    EXPECT_EQ(statusItem().title()->text, "312.50 MB");
    EXPECT_EQ(entry("Free"), "312.50 MB");
    EXPECT_EQ(entry("Used"), "7.69 GB");  // 8589934592 - 327680000 = 8262254592 bytes
    EXPECT_EQ(entry("Active"), "1.00 GB");
    EXPECT_EQ(entry("Inactive"), "1.50 GB");
    EXPECT_EQ(entry("Wired"), "512.00 MB");
}

TEST_F(MemoryFigures, PercentageModeShowsSharesThatAddUpToAHundred) {
    fakes.preferences.put("isPercentage", true);
    refresh();

    EXPECT_EQ(entry("Free"), "3.81%");  // 327680000 / 8589934592
    EXPECT_EQ(entry("Active"), "12.50%");
    EXPECT_EQ(entry("Total"), "8.00 GB");  // the total is never a share
    EXPECT_NEAR(std::stod(entry("Free")) + std::stod(entry("Used")), 100.0, 0.011);
}

TEST_F(MemoryFigures, AFailedReadIsLoggedAndKeepsThePreviousFigures) {
    refresh();
    std::vector<std::string> before;
    for (std::size_t row = 2; row <= 7; ++row) {
        before.push_back(rowTitle(row));
    }
    ASSERT_TRUE(fakes.log.lines().empty());

    fakes.hostMemory.setFreeBytes(kGiB);  // what the machine has, but cannot say
    fakes.hostMemory.failStatistics();
    delegate().updateMemoryDisplay();

    EXPECT_EQ(fakes.log.lines(), std::vector<std::string>{"Failed to fetch vm statistics"});
    for (std::size_t row = 2; row <= 7; ++row) {
        EXPECT_EQ(rowTitle(row), before[row - 2]);
    }
    EXPECT_EQ(statusItem().title()->text, "312.50 MB");
    EXPECT_EQ(delegate().monitor.statisticsFailure(), std::optional<std::string>(""));

    // Once per distinct problem, naming it: the same failure again is not logged.
    delegate().updateMemoryDisplay();
    fakes.hostMemory.failStatistics("cannot open /x/meminfo: No such file or directory");
    delegate().updateMemoryDisplay();
    delegate().updateMemoryDisplay();
    EXPECT_EQ(fakes.log.lines(),
              (std::vector<std::string>{"Failed to fetch vm statistics",
                                        "Failed to fetch vm statistics: cannot open /x/meminfo: "
                                        "No such file or directory"}));
}

TEST_F(MemoryFigures, AFailedFirstReadShowsAnEmptyTitleAndNoFigures) {
    fakes.hostMemory.failStatistics();
    refresh();

    EXPECT_EQ(fakes.log.count("Failed to fetch vm statistics"), 1U);
    ASSERT_TRUE(statusItem().title().has_value());
    EXPECT_EQ(statusItem().title()->text, "");
    for (const char* key : {"Free", "Inactive", "Active", "Wired", "Used"}) {
        EXPECT_EQ(entry(key), "") << key;
    }
    EXPECT_EQ(entry("Total"), "8.00 GB");

    // The next tick reads again; once the machine answers, the figures appear.
    fakes.hostMemory.setFreeBytes(2 * kGiB);
    fakes.runLoop.advanceBy(5.0);
    EXPECT_EQ(statusItem().title()->text, "2.00 GB");
    EXPECT_EQ(rowTitle(2), "  Free: 2.00 GB");
}

}  // namespace
}  // namespace headroom::test

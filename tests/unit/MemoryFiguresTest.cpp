// The memory figures read at each refresh, seen through the delegate on the fake machine.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "DelegateTestSupport.h"
#include "monitor/MemoryFigures.h"

namespace headroom::test {
namespace {

class MemoryFigures : public DelegateTest {
  protected:
    void SetUp() override {
        fakes.hostMemory.setPhysicalMemory(8 * kGiB);
        fakes.hostMemory.setPageSize(4096);
        VmStatistics s;
        s.freeCount = 100000;
        s.speculativeCount = 20000;
        s.activeCount = 262144;    // 1 GiB
        s.inactiveCount = 393216;  // 1.5 GiB
        s.wireCount = 131072;      // 512 MiB
        fakes.hostMemory.setStatistics(s);
    }

    const std::string& entry(const char* key) { return delegate().dicMemoryDetails().at(key); }
};

TEST_F(MemoryFigures, TotalIsReadAsDigitsAndKeptInBytes) {
    fakes.hostMemory.setPhysicalMemory(17179869185);  // one byte over 16 GiB
    EXPECT_EQ(delegate().getTotalMemory(), "17179869185");
    EXPECT_EQ(delegate().totalMemory(), 17179869185.0);
}

TEST_F(MemoryFigures, FreeLeavesOutSpeculativePagesAndUsedIsTheRest) {
    delegate().getTotalMemory();
    delegate().getMemoryDetails();

    EXPECT_EQ(delegate().freeMemoryInStart(), 327680000.0);
    EXPECT_EQ(entry("Free"), "312.50 MB");
    EXPECT_EQ(entry("Used"), "7.69 GB");  // 8589934592 - 327680000 = 8262254592 bytes
    EXPECT_EQ(entry("Active"), "1.00 GB");
    EXPECT_EQ(entry("Inactive"), "1.50 GB");
    EXPECT_EQ(entry("Wired"), "512.00 MB");
}

TEST_F(MemoryFigures, MoreSpeculativeThanFreeGivesANegativeFree) {
    VmStatistics s;
    s.freeCount = 1;
    s.speculativeCount = 2;
    fakes.hostMemory.setStatistics(s);
    delegate().getTotalMemory();
    delegate().getMemoryDetails();

    EXPECT_EQ(delegate().freeMemoryInStart(), -4096.0);
    EXPECT_EQ(entry("Free"), "-4.00 KB");
    EXPECT_EQ(entry("Used"), "8.00 GB");
}

TEST_F(MemoryFigures, PageProductsDoNotWrapAtThirtyTwoBits) {
    // 2^21 pages of 4 KiB: a product that overflows 32 bits.
    VmStatistics s;
    s.wireCount = 2097152;
    s.freeCount = 1048576;
    fakes.hostMemory.setStatistics(s);
    fakes.hostMemory.setPhysicalMemory(16 * kGiB);
    delegate().getTotalMemory();
    delegate().getMemoryDetails();

    EXPECT_EQ(entry("Wired"), "8.00 GB");
    EXPECT_EQ(delegate().freeMemoryInStart(), 4294967296.0);
}

TEST(MemoryFigureArithmetic, FreePlusUsedIsExactlyTheTotal) {
    const double total = 8589934592.0;
    for (const std::uint64_t freePages : {0ULL, 1ULL, 80000ULL, 1234567ULL, 2097152ULL}) {
        for (const std::uint64_t speculative : {0ULL, 3ULL, 20000ULL, 2097153ULL}) {
            VmStatistics s;
            s.freeCount = freePages;
            s.speculativeCount = speculative;
            const auto figures = computeMemoryFigures(s, 4096, total);
            EXPECT_EQ(figures.free + figures.used, total)
                << freePages << " free, " << speculative << " speculative";
        }
    }
}

TEST_F(MemoryFigures, PercentageModeShowsSharesThatAddUpToAHundred) {
    delegate().isPercentage = true;
    delegate().getTotalMemory();
    delegate().getMemoryDetails();

    EXPECT_EQ(entry("Free"), "3.81%");  // 327680000 / 8589934592
    EXPECT_EQ(entry("Active"), "12.50%");
    EXPECT_NEAR(std::stod(entry("Free")) + std::stod(entry("Used")), 100.0, 0.011);
}

TEST_F(MemoryFigures, AFailedReadIsLoggedAndKeepsThePreviousFigures) {
    delegate().getTotalMemory();
    delegate().getMemoryDetails();
    const auto before = delegate().dicMemoryDetails();
    ASSERT_TRUE(fakes.log.lines().empty());

    fakes.hostMemory.failStatistics();
    delegate().getMemoryDetails();

    EXPECT_EQ(fakes.log.lines(), std::vector<std::string>{"Failed to fetch vm statistics"});
    EXPECT_EQ(delegate().dicMemoryDetails(), before);
    EXPECT_EQ(delegate().freeMemoryInStart(), 327680000.0);
    EXPECT_EQ(delegate().statisticsFailure(), std::optional<std::string>(""));

    // Once per distinct problem, naming it: the same failure again is not logged.
    delegate().getMemoryDetails();
    fakes.hostMemory.failStatistics("cannot open /x/meminfo: No such file or directory");
    delegate().getMemoryDetails();
    delegate().getMemoryDetails();
    EXPECT_EQ(fakes.log.lines(),
              (std::vector<std::string>{"Failed to fetch vm statistics",
                                        "Failed to fetch vm statistics: cannot open /x/meminfo: "
                                        "No such file or directory"}));
}

TEST_F(MemoryFigures, AFailedFirstReadLeavesTheEntriesAbsent) {
    fakes.hostMemory.failStatistics();
    delegate().getTotalMemory();
    delegate().getMemoryDetails();

    EXPECT_EQ(fakes.log.count("Failed to fetch vm statistics"), 1U);
    for (const char* key : {"Free", "Used", "Active", "Inactive", "Wired"}) {
        EXPECT_FALSE(delegate().dicMemoryDetails().contains(key)) << key;
    }
    EXPECT_EQ(delegate().freeMemoryInStart(), 0.0);
}

TEST_F(MemoryFigures, AFailedFirstReadAtLaunchShowsAnEmptyTitleAndNoBreakdown) {
    fakes.hostMemory.failStatistics();
    launch();

    EXPECT_EQ(fakes.log.count("Failed to fetch vm statistics"), 1U);
    ASSERT_TRUE(statusItem().title().has_value());
    EXPECT_EQ(statusItem().title()->text, "");
    EXPECT_EQ(delegate().dicMemoryDetails().at("Total"), "8.00 GB");

    // The first tick reads again; once the machine answers, the figures appear.
    fakes.hostMemory.setFreeBytes(2 * kGiB);
    fakes.runLoop.advanceBy(5.0);
    EXPECT_EQ(statusItem().title()->text, "2.00 GB");
    EXPECT_EQ(rowTitle(2), "  Free: 2.00 GB");
}

}  // namespace
}  // namespace headroom::test

// The one rule by which memory amounts are shown.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <ostream>
#include <string>

#include "monitor/MemoryFormat.h"

namespace headroom {
namespace {

constexpr double kEightGiB = 8589934592.0;

struct AmountCase {
    double bytes;
    const char* expected;
};

void PrintTo(const AmountCase& c, std::ostream* os) {
    *os << std::fixed << c.bytes << " bytes";
}

class AmountFormat : public ::testing::TestWithParam<AmountCase> {};

TEST_P(AmountFormat, ScalesByPowersOfTwoWithTwoDecimals) {
    const AmountCase& c = GetParam();
    EXPECT_EQ(formatMemoryAmount(c.bytes, false, kEightGiB), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    RangeBoundaries, AmountFormat,
    ::testing::Values(AmountCase{1073741824.0, "1.00 GB"},     // first byte of the GiB range
                      AmountCase{1073741823.0, "1024.00 MB"},  // last byte below it
                      AmountCase{1048576.0, "1.00 MB"},        // first byte of the MiB range
                      AmountCase{1048575.0, "1024.00 KB"},     // last byte below it
                      AmountCase{512.0, "0.50 KB"}, AmountCase{0.0, "0.00 KB"},
                      AmountCase{6442450944.0, "6.00 GB"}, AmountCase{536870912.0, "512.00 MB"},
                      AmountCase{327680000.0, "312.50 MB"},
                      // A negative amount takes the KB branch.
                      AmountCase{-4096.0, "-4.00 KB"},
                      AmountCase{-3.0 * 1073741824.0, "-3145728.00 KB"}));

TEST(PercentageFormat, SharesOfTotalMemory) {
    EXPECT_EQ(formatMemoryAmount(2147483648.0, true, kEightGiB), "25.00%");
    EXPECT_EQ(formatMemoryAmount(kEightGiB, true, kEightGiB), "100.00%");
    EXPECT_EQ(formatMemoryAmount(0.0, true, kEightGiB), "0.00%");
    // Small amounts stay percentages; the unit ranges play no part in this mode.
    EXPECT_EQ(formatMemoryAmount(512.0, true, kEightGiB), "0.00%");
    EXPECT_EQ(formatMemoryAmount(1073741824.0, true, 4.0 * 1073741824.0), "25.00%");
}

TEST(PercentageFormat, FreeAndUsedAddUpToAHundredWithinRounding) {
    for (const double free : {0.0, 1.0, 327680000.0, 2147483647.0, 3333333333.0, kEightGiB}) {
        const double used = kEightGiB - free;
        const double sum = std::stod(formatMemoryAmount(free, true, kEightGiB)) +
                           std::stod(formatMemoryAmount(used, true, kEightGiB));
        EXPECT_NEAR(sum, 100.0, 0.011) << "free " << free;
    }
}

TEST(TotalFormat, AlwaysGibibytesWithTwoDecimals) {
    EXPECT_EQ(formatTotalMemory(8589934592.0), "8.00 GB");
    EXPECT_EQ(formatTotalMemory(17179869184.0), "16.00 GB");
    // Under a gibibyte the total is still given in gibibytes, not rescaled.
    EXPECT_EQ(formatTotalMemory(536870912.0), "0.50 GB");
    EXPECT_EQ(formatTotalMemory(8336760832.0), "7.76 GB");
}

TEST(AmountFormat, NoNumberShowsAsZero) {
    // Not-a-number and infinities would otherwise print as "nan KB" or "inf GB".
    for (const double bytes : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
        EXPECT_EQ(formatMemoryAmount(bytes, false, kEightGiB), "0.00 KB") << bytes;
        EXPECT_EQ(formatMemoryAmount(bytes, true, kEightGiB), "0.00%") << bytes;
    }
    // A total of 0 cannot come from a real machine: the share stays within 0 to 100.
    EXPECT_EQ(formatMemoryAmount(1.0, true, 0.0), "100.00%");
    EXPECT_EQ(formatMemoryAmount(0.0, true, 0.0), "0.00%");
}

}  // namespace
}  // namespace headroom

// The one rule by which memory amounts are shown.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "monitor/MemoryFormat.h"

namespace headroom {
namespace {

constexpr double kGiB = 1073741824.0;

TEST(MemoryFormat, AmountsInPowersOfTwoAndSharesOfTheTotalWithTwoDecimals) {
    struct Case {
        double bytes;
        bool isPercentage;
        double total;
        const char* shown;
    };
    const Case cases[] = {
        {kGiB, false, 8 * kGiB, "1.00 GB"},  // the first byte of the GiB range
        {kGiB - 1, false, 8 * kGiB, "1024.00 MB"},
        {1048576.0, false, 8 * kGiB, "1.00 MB"},  // the first byte of the MiB range
        {1048575.0, false, 8 * kGiB, "1024.00 KB"},
        {512.0, false, 8 * kGiB, "0.50 KB"},
        {0.0, false, 8 * kGiB, "0.00 KB"},
        {6 * kGiB, false, 8 * kGiB, "6.00 GB"},
        {327680000.0, false, 8 * kGiB, "312.50 MB"},
        {-4096.0, false, 8 * kGiB, "-4.00 KB"},  // negative amounts take the KB branch
        {-3 * kGiB, false, 8 * kGiB, "-3145728.00 KB"},
        {2 * kGiB, true, 8 * kGiB, "25.00%"},
        {8 * kGiB, true, 8 * kGiB, "100.00%"},
        {512.0, true, 8 * kGiB, "0.00%"},  // the unit ranges play no part in shares
        {kGiB, true, 4 * kGiB, "25.00%"},
        // Not-a-number and infinities would otherwise print as "nan KB" or "inf GB", and a
        // total of 0 (no real machine has it) as "inf%": they show as 0, within 0 to 100.
        {std::nan(""), false, 8 * kGiB, "0.00 KB"},
        {HUGE_VAL, false, 8 * kGiB, "0.00 KB"},
        {-HUGE_VAL, true, 8 * kGiB, "0.00%"},
        {std::nan(""), true, 8 * kGiB, "0.00%"},
        {1.0, true, 0.0, "100.00%"},
        {0.0, true, 0.0, "0.00%"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(formatMemoryAmount(c.bytes, c.isPercentage, c.total), c.shown)
            << c.bytes << (c.isPercentage ? " as a share of " : " of ") << c.total;
    }
    // The total is always in gibibytes, even under one.
    EXPECT_EQ(formatTotalMemory(16 * kGiB), "16.00 GB");
    EXPECT_EQ(formatTotalMemory(kGiB / 2), "0.50 GB");
    EXPECT_EQ(formatTotalMemory(8336760832.0), "7.76 GB");
}

}  // namespace
}  // namespace headroom

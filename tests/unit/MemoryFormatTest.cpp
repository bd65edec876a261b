// The one rule by which memory amounts are shown, and the byte text the figures travel in.

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
    *os << bytesText(c.bytes);
}

class AmountFormat : public ::testing::TestWithParam<AmountCase> {};

TEST_P(AmountFormat, ScalesByPowersOfTwoWithTwoDecimals) {
    const AmountCase& c = GetParam();
    EXPECT_EQ(formatMemoryAmount(bytesText(c.bytes), false, kEightGiB), c.expected)
        << "bytes " << bytesText(c.bytes);
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
                      // Free less speculative can go below zero: it takes the KB branch.
                      AmountCase{-4096.0, "-4.00 KB"},
                      AmountCase{-3.0 * 1073741824.0, "-3145728.00 KB"}));

TEST(PercentageFormat, SharesOfTotalMemory) {
    EXPECT_EQ(formatMemoryAmount(bytesText(2147483648.0), true, kEightGiB), "25.00%");
    EXPECT_EQ(formatMemoryAmount(bytesText(kEightGiB), true, kEightGiB), "100.00%");
    EXPECT_EQ(formatMemoryAmount(bytesText(0.0), true, kEightGiB), "0.00%");
    // Small amounts stay percentages; the unit ranges play no part in this mode.
    EXPECT_EQ(formatMemoryAmount(bytesText(512.0), true, kEightGiB), "0.00%");
    EXPECT_EQ(formatMemoryAmount(bytesText(1073741824.0), true, 4.0 * 1073741824.0), "25.00%");
}

TEST(PercentageFormat, FreeAndUsedAddUpToAHundredWithinRounding) {
    for (const double free : {0.0, 1.0, 327680000.0, 2147483647.0, 3333333333.0, kEightGiB}) {
        const double used = kEightGiB - free;
        const double sum = std::stod(formatMemoryAmount(bytesText(free), true, kEightGiB)) +
                           std::stod(formatMemoryAmount(bytesText(used), true, kEightGiB));
        EXPECT_NEAR(sum, 100.0, 0.011) << "free " << free;
    }
}

TEST(TotalFormat, AlwaysGibibytesWithTwoDecimals) {
    EXPECT_EQ(formatTotalMemory("8589934592"), "8.00 GB");
    EXPECT_EQ(formatTotalMemory("17179869184"), "16.00 GB");
    // Under a gibibyte the total is still given in gibibytes, not rescaled.
    EXPECT_EQ(formatTotalMemory("536870912"), "0.50 GB");
    EXPECT_EQ(formatTotalMemory("8336760832"), "7.76 GB");
}

TEST(BytesText, IsTheFixedSixDecimalTextOfTheCount) {
    EXPECT_EQ(bytesText(327680000.0), "327680000.000000");
    EXPECT_EQ(bytesText(0.5), "0.500000");
    EXPECT_EQ(bytesText(-4096.0), "-4096.000000");
}

TEST(BytesText, RoundTripsThroughTheParser) {
    for (const double bytes : {0.0, 0.5, 1.0, -4096.0, 1048575.0, 327680000.0, kEightGiB,
                               9007199254740992.0 /* 2^53 */, 1.5e18}) {
        EXPECT_EQ(parseBytesText(bytesText(bytes)), bytes) << bytesText(bytes);
    }
}

TEST(BytesText, ParserReadsNoNumberAsZero) {
    EXPECT_EQ(parseBytesText(""), 0.0);
    EXPECT_EQ(parseBytesText("garbage"), 0.0);
    EXPECT_EQ(parseBytesText("-"), 0.0);
    EXPECT_EQ(parseBytesText("   "), 0.0);
    // Not-a-number and infinities would poison every figure downstream.
    EXPECT_EQ(parseBytesText("nan"), 0.0);
    EXPECT_EQ(parseBytesText("inf"), 0.0);
    EXPECT_EQ(parseBytesText("1e999"), 0.0);
}

TEST(BytesText, ParserAcceptsLeadingBlanksAndSign) {
    EXPECT_EQ(parseBytesText("  12.5"), 12.5);
    EXPECT_EQ(parseBytesText("+7"), 7.0);
    EXPECT_EQ(parseBytesText("-2048.000000"), -2048.0);
    EXPECT_EQ(parseBytesText("18446744073709551615"), 18446744073709551615.0);
}

TEST(AmountFormat, GarbageTextShowsAsZero) {
    EXPECT_EQ(formatMemoryAmount("not a number", false, kEightGiB), "0.00 KB");
    EXPECT_EQ(formatMemoryAmount("", true, kEightGiB), "0.00%");
}

}  // namespace
}  // namespace headroom

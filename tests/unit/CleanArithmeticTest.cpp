// The figures of a clean: duration, step, block count, progress and the safety floor.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

#include "cleaner/CleanArithmetic.h"

namespace headroom {
namespace {

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
constexpr double kGiB = 0x1p30;

TEST(CleanArithmetic, DurationFromInstalledMemory) {
    EXPECT_EQ(cleanDuration(0.9 * kGiB), 2);
    EXPECT_EQ(cleanDuration(1.99 * kGiB), 2);
    EXPECT_EQ(cleanDuration(4 * kGiB), 8);
    EXPECT_EQ(cleanDuration(8589934592.0), 16);
    EXPECT_EQ(cleanDuration(8589934591.0), 14);  // truncated to 7 whole GiB
    EXPECT_EQ(cleanDuration(16 * kGiB), 32);
    EXPECT_EQ(cleanDuration(32 * kGiB), 64);
    // Figures no machine reports still give a defined duration.
    EXPECT_EQ(cleanDuration(std::nan("")), 2);
    EXPECT_EQ(cleanDuration(1e300), std::numeric_limits<std::int32_t>::max());
}

TEST(CleanArithmetic, BlockCountTruncatesIsBoundedByTheMachineAndRefusesWhatIsNotAQuotient) {
    const std::uint64_t machine = std::uint64_t{24} << 30;
    EXPECT_EQ(cleanBlockCount(4.0 * 270, 270, machine), 4);
    EXPECT_EQ(cleanBlockCount(5.0 * 270 - 1, 270, machine), 4);
    EXPECT_EQ(cleanBlockCount(269.0, 270, machine), 0);
    // No more blocks than the machine could hold: 2^54 kB "free" against 24 GiB installed.
    EXPECT_EQ(cleanBlockCount(0x1p64, 64 * kMiB, machine), 384);
    EXPECT_EQ(cleanBlockCount(1e9, 270, 0), 0);  // the machine unknown: one pass
    EXPECT_LT(cleanBlockCount(1e9, 0, machine), 0);
    EXPECT_LT(cleanBlockCount(0.0, 0, machine), 0);
    EXPECT_LT(cleanBlockCount(-1.0, 270, machine), 0);
    EXPECT_LT(cleanBlockCount(std::nan(""), 270, machine), 0);
}

TEST(CleanArithmetic, ProgressStaysWithinZeroToHundred) {
    // A single pass (no full block free) shows where the phase ends.
    EXPECT_EQ(firstPhaseProgress(0, 0, 84), 84);
    EXPECT_EQ(firstPhaseProgress(3 * 68, 3, 68), 68);
    // Machines of 50 GiB and more: the step is zero or negative.
    EXPECT_EQ(firstPhaseProgress(0, 0, -28), 0);
    EXPECT_EQ(firstPhaseProgress(2 * -28, 2, -28), 0);
    EXPECT_EQ(secondPhaseProgress(0, -28), 0);
    EXPECT_EQ(secondPhaseProgress(29, -28), 1);
    EXPECT_EQ(secondPhaseProgress(128, -28), 100);
    EXPECT_EQ(secondPhaseProgress(16, 84), 100);
    EXPECT_EQ(progressText(37), "37%");
}

TEST(CleanArithmetic, SafetyFloorIsTheLargerOf256MiBAndFivePerCent) {
    EXPECT_EQ(cleanSafetyFloor(std::uint64_t{1} << 30), 256 * kMiB);
    EXPECT_EQ(cleanSafetyFloor(std::uint64_t{24} << 30), (std::uint64_t{24} << 30) / 20);
    EXPECT_EQ(cleanSafetyFloor(0), 256 * kMiB);

    const std::uint64_t floor = 256 * kMiB;
    EXPECT_TRUE(mayProduceBlock(floor + 64 * kMiB, 64 * kMiB, floor));
    EXPECT_FALSE(mayProduceBlock(floor + 64 * kMiB - 1, 64 * kMiB, floor));
    EXPECT_FALSE(mayProduceBlock(floor - 1, 1, floor));  // no wrap-around below the floor
    EXPECT_FALSE(mayProduceBlock(std::nullopt, 1, floor));
    EXPECT_FALSE(mayProduceBlock(floor * 4, 0, floor));

    // Below the floor, enough blocks go back to reach it again.
    EXPECT_EQ(blocksToGiveBack(floor, 64 * kMiB, floor), 0u);
    EXPECT_EQ(blocksToGiveBack(floor - 1, 64 * kMiB, floor), 1u);
    EXPECT_EQ(blocksToGiveBack(floor - 128 * kMiB, 64 * kMiB, floor), 2u);
    EXPECT_EQ(blocksToGiveBack(0, 64 * kMiB, floor), 4u);
    EXPECT_EQ(blocksToGiveBack(0, 0, floor), 0u);
}

}  // namespace
}  // namespace headroom

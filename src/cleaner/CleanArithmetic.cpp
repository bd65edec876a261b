#include "cleaner/CleanArithmetic.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace headroom {

namespace {

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
constexpr std::uint64_t kFloorMinimum = 256 * kMiB;
constexpr std::uint64_t kFloorShareDivisor = 20;  // 5%

/// Counts past this are not exact in a double anyway; no machine comes near.
constexpr double kLargestBlockCount = 0x1p53;

std::int32_t clampPercent(std::int64_t percent) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(percent, 0, 100));
}

}  // namespace

std::int32_t cleanDuration(double totalMemory) {
    const double gibibytes = std::trunc(totalMemory * 0x1p-30);
    // Beyond 32 bits (or not a number) the figure is meaningless; keep the arithmetic defined.
    const std::int64_t whole =
        gibibytes >= 0.0 ? static_cast<std::int64_t>(std::min(
                               gibibytes, double{std::numeric_limits<std::int32_t>::max()}))
                         : 0;
    const std::int64_t scaled = whole * 2;
    if (scaled <= 1) {
        return 2;
    }
    return static_cast<std::int32_t>(
        std::min<std::int64_t>(scaled, std::numeric_limits<std::int32_t>::max()));
}

std::int64_t cleanBlockCount(double freeMemory, std::uint64_t blockLength,
                             std::uint64_t machineMemory) {
    const double quotient = freeMemory / static_cast<double>(blockLength);
    if (!std::isfinite(quotient) || quotient < 0.0) {
        return -1;
    }
    const double machineBlocks = static_cast<double>(machineMemory / blockLength);
    return static_cast<std::int64_t>(std::min({quotient, machineBlocks, kLargestBlockCount}));
}

std::int32_t firstPhaseProgress(std::int64_t runningSum, std::int64_t blockCount,
                                std::int32_t step) {
    // One pass only when the count is 0: it is the phase's last, so it shows the end value.
    if (blockCount == 0) {
        return clampPercent(step);
    }
    return clampPercent(runningSum / blockCount);
}

std::int32_t secondPhaseProgress(std::int32_t elapsedSeconds, std::int32_t step) {
    return clampPercent(std::int64_t{elapsedSeconds} + step);
}

std::string progressText(std::int32_t percent) {
    char text[16];
    std::snprintf(text, sizeof text, "%d%%", percent);
    return text;
}

std::uint64_t cleanSafetyFloor(std::uint64_t totalMemory) {
    return std::max(kFloorMinimum, totalMemory / kFloorShareDivisor);
}

std::uint64_t blocksToGiveBack(std::uint64_t available, std::uint64_t blockLength,
                               std::uint64_t floor) {
    if (available >= floor || blockLength == 0) {
        return 0;
    }
    const std::uint64_t shortfall = floor - available;
    return shortfall / blockLength + (shortfall % blockLength != 0 ? 1 : 0);
}

bool mayProduceBlock(std::optional<std::uint64_t> available, std::uint64_t blockLength,
                     std::uint64_t floor) {
    if (!available || blockLength == 0 || *available < floor) {
        return false;
    }
    return *available - floor >= blockLength;
}

}  // namespace headroom

#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace headroom {

// The figures of one clean, as pure functions of what the delegate knows when it starts.

/// Seconds the clean holds memory after its first phase: two per whole gibibyte installed, and
/// never less than two.
std::int32_t cleanDuration(double totalMemory);

/// Passes of the first phase beyond the first: free memory over the block length, truncated,
/// and never more than blocks of that length the machine could hold in all (`machineMemory`,
/// its installed memory), so that a free figure out of all proportion cannot keep the first
/// phase going for hours. Negative when the quotient is negative or not a number (a block
/// length of 0), which skips the first phase.
std::int64_t cleanBlockCount(double freeMemory, std::uint64_t blockLength,
                             std::uint64_t machineMemory);

/// Percentage of a first-phase pass, from the running sum (pass index × step): the sum over
/// the block count truncated toward zero, or the phase's end value (the step) when the block
/// count is 0; always within 0–100.
std::int32_t firstPhaseProgress(std::int64_t runningSum, std::int64_t blockCount,
                                std::int32_t step);

/// Percentage of a second-phase pass after `elapsedSeconds` whole seconds: elapsed + step,
/// within 0–100 (machines with a duration of 100 s or more start below zero).
std::int32_t secondPhaseProgress(std::int32_t elapsedSeconds, std::int32_t step);

/// The progress text, "%d%%": "37%".
std::string progressText(std::int32_t percent);

/// The memory a clean always leaves available to the rest of the system: 256 MiB or 5% of the
/// installed memory, whichever is larger.
std::uint64_t cleanSafetyFloor(std::uint64_t totalMemory);

/// How many blocks of `blockLength` bytes a clean gives back when `available` bytes are
/// available: enough to lift it to `floor` again, none when it is not below the floor.
std::uint64_t blocksToGiveBack(std::uint64_t available, std::uint64_t blockLength,
                               std::uint64_t floor);

/// Whether a block of `blockLength` bytes may be claimed when `available` bytes are available:
/// only when at least `floor` would remain. Never when the available memory is unknown or the
/// block is empty.
bool mayProduceBlock(std::optional<std::uint64_t> available, std::uint64_t blockLength,
                     std::uint64_t floor);

}  // namespace headroom

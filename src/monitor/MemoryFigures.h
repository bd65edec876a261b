#pragma once

#include <cstdint>

#include "platform/HostMemory.h"

namespace headroom {

/// The breakdown shown in the menu, in bytes.
struct MemoryFigures {
    double wired = 0.0;
    double active = 0.0;
    double inactive = 0.0;
    /// Free memory less speculative pages; negative when the speculative count is the larger.
    double free = 0.0;
    /// Total less free, so that free and used always add up to the installed memory; 0 when
    /// free exceeds the total (an impossible reading).
    double used = 0.0;
};

/// Turns page counters into bytes. Each product is taken in unsigned 64-bit and only then
/// converted to double; the subtractions are done in double.
MemoryFigures computeMemoryFigures(const VmStatistics& statistics, std::uint64_t pageSize,
                                   double totalMemory);

}  // namespace headroom

#pragma once

#include <cstdint>

#include "platform/HostMemory.h"

namespace headroom {

/// The breakdown shown in the menu, in bytes.
struct MemoryFigures {
    double wired = 0.0;
    double active = 0.0;
    double inactive = 0.0;
    double free = 0.0;
    /// Total less free, so that free and used always add up to the installed memory; 0 when
    /// free exceeds the total (an impossible reading).
    double used = 0.0;
};

/// The breakdown as doubles, with used memory computed in double.
MemoryFigures computeMemoryFigures(const VmStatistics& statistics, double totalMemory);

}  // namespace headroom

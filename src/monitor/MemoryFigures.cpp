#include "monitor/MemoryFigures.h"

#include <algorithm>

namespace headroom {

MemoryFigures computeMemoryFigures(const VmStatistics& statistics, double totalMemory) {
    MemoryFigures figures;
    figures.wired = static_cast<double>(statistics.wired);
    figures.active = static_cast<double>(statistics.active);
    figures.inactive = static_cast<double>(statistics.inactive);
    figures.free = static_cast<double>(statistics.free);
    // Free above the installed memory is impossible, but a substitute meminfo can say so;
    // used memory is then none, never a negative amount.
    figures.used = std::max(0.0, totalMemory - figures.free);
    return figures;
}

}  // namespace headroom

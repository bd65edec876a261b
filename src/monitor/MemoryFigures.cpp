#include "monitor/MemoryFigures.h"

#include <algorithm>

namespace headroom {

MemoryFigures computeMemoryFigures(const VmStatistics& statistics, std::uint64_t pageSize,
                                   double totalMemory) {
    auto bytes = [pageSize](std::uint64_t pages) { return static_cast<double>(pages * pageSize); };
    MemoryFigures figures;
    figures.wired = bytes(statistics.wireCount);
    const double speculative = bytes(statistics.speculativeCount);
    figures.active = bytes(statistics.activeCount);
    figures.inactive = bytes(statistics.inactiveCount);
    figures.free = bytes(statistics.freeCount) - speculative;
    // Free above the installed memory is impossible, but a substitute meminfo can say so;
    // used memory is then none, never a negative amount.
    figures.used = std::max(0.0, totalMemory - figures.free);
    return figures;
}

}  // namespace headroom

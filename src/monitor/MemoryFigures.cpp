#include "monitor/MemoryFigures.h"

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
    figures.used = totalMemory - figures.free;
    return figures;
}

}  // namespace headroom

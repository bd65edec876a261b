#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace headroom {

/// The host's virtual-memory counters, in pages of `HostMemory::pageSize()` bytes.
struct VmStatistics {
    std::uint64_t freeCount = 0;
    std::uint64_t activeCount = 0;
    std::uint64_t inactiveCount = 0;
    std::uint64_t wireCount = 0;
    std::uint64_t speculativeCount = 0;
};

/// The running machine's own memory, whatever the figures shown come from: what a clean may
/// claim is judged by these.
struct MachineMemory {
    /// Installed memory, in bytes.
    std::uint64_t total = 0;
    /// Memory the kernel could hand out now without swapping, in bytes.
    std::uint64_t available = 0;
};

/// The machine's memory as the operating system reports it.
class HostMemory {
  public:
    virtual ~HostMemory() = default;

    /// Page size in bytes.
    virtual std::uint64_t pageSize() const = 0;

    /// Current counters, or nothing when they cannot be read.
    virtual std::optional<VmStatistics> statistics() = 0;
    /// Why the last `statistics()` gave nothing, in one line that names what could not be read;
    /// empty when it did not fail or the reason is not known.
    virtual std::string statisticsFailure() const = 0;

    /// Installed physical memory in bytes.
    virtual std::uint64_t physicalMemory() = 0;

    /// The running system's installed and available memory, read from the system itself (never
    /// from a substitute tree) at each call; nothing when either cannot be read.
    virtual std::optional<MachineMemory> machineMemory() = 0;
};

}  // namespace headroom

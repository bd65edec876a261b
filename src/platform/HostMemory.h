#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace headroom {

/// The memory breakdown the menu shows, in bytes.
struct VmStatistics {
    std::uint64_t free = 0;
    std::uint64_t active = 0;
    std::uint64_t inactive = 0;
    std::uint64_t wired = 0;
    /// What programs could still be given without swapping: MemAvailable, plus the ZFS ARC
    /// above its floor; nothing where the kernel does not say.
    std::optional<std::uint64_t> available = {};
    /// Swap space and the part of it in use; nothing where the kernel does not say.
    std::optional<std::uint64_t> swapTotal = {};
    std::optional<std::uint64_t> swapUsed = {};
};

/// Shares of time, in per cent, in which tasks stalled waiting for memory, averaged over the
/// last 10, 60 and 300 s; `total` is the whole stall time in microseconds.
struct StallAverages {
    double avg10 = 0.0;
    double avg60 = 0.0;
    double avg300 = 0.0;
    std::uint64_t total = 0;

    friend bool operator==(const StallAverages&, const StallAverages&) = default;
};

/// Memory pressure: `some` task waited, or `full`y all of them did (absent on kernels that do
/// not report it).
struct MemoryPressure {
    StallAverages some;
    std::optional<StallAverages> full;

    friend bool operator==(const MemoryPressure&, const MemoryPressure&) = default;
};

/// The running machine's own memory, whatever the figures shown come from, within the memory
/// limits this process runs under: what a clean may claim is judged by these.
struct MachineMemory {
    /// Installed memory, or the tightest limit when lower, in bytes.
    std::uint64_t total = 0;
    /// Memory the kernel could hand out now without swapping or passing a limit, in bytes.
    std::uint64_t available = 0;
};

/// The machine's memory as the operating system reports it.
class HostMemory {
  public:
    virtual ~HostMemory() = default;

    /// Installed physical memory in bytes.
    virtual std::uint64_t physicalMemory() = 0;

    /// The current breakdown; nothing when it cannot be read, and then `failure` says why in
    /// one line that names what could not be read (empty when the reason is not known).
    virtual std::optional<VmStatistics> statistics(std::string& failure) = 0;

    /// The running system's installed and available memory, read from the system itself (never
    /// from a substitute tree) at each call; nothing when either cannot be read.
    virtual std::optional<MachineMemory> machineMemory() = 0;

    /// Memory pressure now; nothing where the kernel does not report it.
    virtual std::optional<MemoryPressure> pressure() = 0;

    /// Calls `changed` whenever the kernel sees programs stall on memory, between refreshes;
    /// returns the one line that says whether it can (a host without a trigger: nothing, and
    /// pressure is read at each refresh only).
    virtual std::string watchPressure(std::function<void()> changed) {
        (void)changed;
        return {};
    }
};

}  // namespace headroom

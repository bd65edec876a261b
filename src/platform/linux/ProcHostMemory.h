#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/HostMemory.h"
#include "platform/linux/MemInfo.h"

namespace headroom {

/// The machine's memory from the proc filesystem (`<root>/meminfo`, see MemInfo.h;
/// `<root>/pressure/memory` and `<root>/spl/kstat/zfs/arcstats`, see KernelPressure.h). The root is
/// `/proc` normally; `--procfs DIR` substitutes a tree of fixtures for everything the monitor
/// shows. The cleaner's safety figures, `machineMemory()`, are always read from the real
/// `/proc/meminfo`.
class ProcHostMemory final : public HostMemory {
  public:
    explicit ProcHostMemory(const std::string& procfsRoot = "/proc");
    ~ProcHostMemory() override;
    ProcHostMemory(const ProcHostMemory&) = delete;
    ProcHostMemory& operator=(const ProcHostMemory&) = delete;

    /// MemTotal × 1024 from `<root>/meminfo`, read on the first call and kept; when it cannot be
    /// read, or reads 0 (no machine has no memory), sysconf(_SC_PHYS_PAGES) × page size.
    std::uint64_t physicalMemory() override;
    /// `<root>/meminfo` read and mapped by `vmStatisticsFromMemInfo`; the ZFS ARC above its
    /// floor is added to the available memory where `<root>/spl/kstat/zfs/arcstats` exists.
    std::optional<VmStatistics> statistics(std::string& failure) override;
    /// MemTotal and MemAvailable × 1024 from the real `/proc/meminfo`, whatever the root, each
    /// lowered to the tightest memory limit above this process and what it leaves to charge
    /// (see CgroupMemoryLimit.h).
    std::optional<MachineMemory> machineMemory() override;
    /// `<root>/pressure/memory`; nothing where it cannot be read (kernels before 4.20, or built
    /// without CONFIG_PSI) or parsed.
    std::optional<MemoryPressure> pressure() override;
    /// A PSI trigger, "some 150000 2000000" (150 ms of stall in a 2 s window: unprivileged
    /// triggers need a window that is a multiple of 2 s, Linux 6.4+), on the real
    /// `/proc/pressure/memory`, watched for POLLPRI on GLib's default main context.
    std::string watchPressure(std::function<void()> changed) override;

    /// For the command line: nothing when `<root>/meminfo` can be read and holds MemTotal,
    /// MemFree, Active and Inactive; otherwise one line saying what is wrong, e.g.
    /// "--procfs /tmp/x: cannot open /tmp/x/meminfo: No such file or directory".
    static std::optional<std::string> checkProcfs(const std::string& root);

    /// Largest meminfo read, in bytes (the kernel's is about 1.5 kB).
    static constexpr std::size_t kMeminfoLimit = std::size_t{16} * 1024 * 1024;

  private:
    std::optional<MemInfo> readMemInfo(std::string& failure);

    std::string root_;
    std::string meminfo_;
    /// `<root>/meminfo` kept open when it is the kernel's: each read from offset 0 makes a new
    /// snapshot, and opening costs as much again as reading (a fixture elsewhere is opened
    /// afresh, so that one replaced by rename is seen).
    int meminfoFd_ = -1;
    std::string text_;
    std::optional<std::uint64_t> physicalMemory_;
    int triggerFd_ = -1;
    unsigned triggerSource_ = 0;
    std::function<void()> pressureChanged_;
};

}  // namespace headroom

#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/HostMemory.h"
#include "platform/linux/ProcFileReader.h"

namespace headroom {

/// The machine's memory from the proc filesystem (`<root>/meminfo`), mapped as DESIGN.md says:
/// see `vmStatisticsFromMemInfo`. The root is `/proc` normally; `--procfs DIR` substitutes a
/// tree of fixtures for everything the monitor shows. The cleaner's safety figures,
/// `machineMemory()`, are always read from the real `/proc/meminfo`.
class ProcHostMemory final : public HostMemory {
  public:
    explicit ProcHostMemory(std::string procfsRoot = "/proc");

    /// sysconf(_SC_PAGESIZE).
    std::uint64_t pageSize() const override { return pageSize_; }

    /// `<root>/meminfo` read and mapped; nothing when it cannot be read or lacks MemFree,
    /// Active or Inactive (the reason is in `lastError()`).
    std::optional<VmStatistics> statistics() override;
    std::string statisticsFailure() const override { return statisticsFailure_; }

    /// MemTotal × 1024 from `<root>/meminfo`, read on the first call and kept; when it cannot be
    /// read, or reads 0 (no machine has no memory), sysconf(_SC_PHYS_PAGES) × page size.
    std::uint64_t physicalMemory() override;

    /// MemTotal and MemAvailable × 1024 from the real `/proc/meminfo`, whatever the root.
    std::optional<MachineMemory> machineMemory() override;

    /// Why the last `statistics()` or `machineMemory()` failed; empty when it did not.
    const std::string& lastError() const { return lastError_; }

    const std::string& procfsRoot() const { return root_; }

    /// For the command line: nothing when `<root>/meminfo` can be read and holds MemTotal,
    /// MemFree, Active and Inactive; otherwise one line saying what is wrong, e.g.
    /// "--procfs /tmp/x: cannot open /tmp/x/meminfo: No such file or directory".
    static std::optional<std::string> checkProcfs(const std::string& root);

    /// `<root>/meminfo`, with no doubled slash.
    static std::string meminfoPath(const std::string& root);

  private:
    std::string root_;
    std::uint64_t pageSize_;
    ProcFileReader meminfo_;
    std::optional<ProcFileReader> realMeminfo_;  // opened on first use
    std::optional<std::uint64_t> physicalMemory_;
    std::string lastError_;
    std::string statisticsFailure_;
};

}  // namespace headroom

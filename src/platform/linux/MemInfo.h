#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/HostMemory.h"

namespace headroom {

/// The fields of `/proc/meminfo` that Headroom uses, in kB (the kernel's "kB" is KiB, 1024
/// bytes). A field the file does not hold is `nullopt`, which is distinct from a field that
/// reads 0. See the kernel's Documentation/filesystems/proc.rst, section "meminfo".
struct MemInfo {
    std::optional<std::uint64_t> memTotal;       ///< usable RAM (physical less reserved)
    std::optional<std::uint64_t> memFree;        ///< RAM left completely unused
    std::optional<std::uint64_t> memAvailable;   ///< available without swapping, estimated (3.14+)
    std::optional<std::uint64_t> active;         ///< recently used, usually not reclaimed
    std::optional<std::uint64_t> inactive;       ///< less recently used, first to be reclaimed
    std::optional<std::uint64_t> unevictable;    ///< cannot be paged out (mlocked, ramfs, ...)
    std::optional<std::uint64_t> sUnreclaim;     ///< slab that cannot be reclaimed
    std::optional<std::uint64_t> kernelStack;    ///< kernel stacks of all tasks
    std::optional<std::uint64_t> pageTables;     ///< user page tables
    std::optional<std::uint64_t> secPageTables;  ///< secondary (KVM, IOMMU) page tables (6.1+)
    std::optional<std::uint64_t> percpu;         ///< per-CPU allocator backing pages (3.15+)
    std::optional<std::uint64_t> swapTotal;      ///< swap space, 0 with none
    std::optional<std::uint64_t> swapFree;       ///< swap space unused

    friend bool operator==(const MemInfo&, const MemInfo&) = default;
};

/// Parses the text of `/proc/meminfo`: lines of `Key:   <decimal> kB`.
///
/// Tolerant by design; it never fails, it only leaves fields absent:
/// - the last line may lack its newline; `\r` and trailing blanks are ignored;
/// - unknown keys and lines that are not `Key: value` are skipped;
/// - a field we use is taken only when its value is a decimal number followed by the unit `kB`
///   and nothing else (a unitless value, as `HugePages_Total` has, is not a size in kB and
///   leaves the field absent);
/// - a value that does not fit in 64 bits, or whose byte count (×1024) would not, is absent;
/// - when a key appears more than once the FIRST occurrence wins (the kernel writes each key
///   once; a later duplicate can only be noise appended after the real line). The first line
///   with the key decides even when its value is unusable.
MemInfo parseMemInfo(std::string_view text);

/// The breakdown in bytes (kB × 1024): free = MemFree, active = Active, inactive = Inactive,
/// wired = Unevictable + SUnreclaim + KernelStack + PageTables + SecPageTables + Percpu (the sum
/// of those present: SecPageTables exists since Linux 6.1, Percpu since 3.15). MemFree, Active
/// and Inactive are required: when one is absent the read counts as failed. Available is
/// MemAvailable, swap used SwapTotal − SwapFree, each only where its fields are there.
std::optional<VmStatistics> vmStatisticsFromMemInfo(const MemInfo& info);

}  // namespace headroom

#pragma once

// The memory limits above a process: a limit on any cgroup it runs in, or on an ancestor of
// one, makes the kernel reclaim and then kill inside it whatever the machine has free. Files
// from the kernel's Documentation/admin-guide/cgroup-v2.rst ("Memory Interface Files") and
// cgroup-v1/memory.rst, the latter still the memory controller of hybrid systems.

#include <cstdint>
#include <optional>
#include <string_view>

namespace headroom {

/// The path of one hierarchy in the text of /proc/<pid>/cgroup: of the cgroup v2 tree
/// ("0::/user.slice/…") when `controller` is empty, else of the v1 hierarchy that holds it
/// ("4:memory:/docker/…"). Nothing without such a line, or when the path is not absolute or
/// climbs with "..".
std::optional<std::string_view> cgroupPath(std::string_view procCgroupText,
                                           std::string_view controller);

/// A memory interface file's value: bytes, or "max" (no limit) as UINT64_MAX; nothing for any
/// other text.
std::optional<std::uint64_t> parseCgroupBytes(std::string_view text);

/// The tightest limit over a process's cgroups and their ancestors, and what can still be
/// charged to them.
struct CgroupMemoryLimit {
    /// The smallest memory.max or memory.high (v1: memory.limit_in_bytes), in bytes.
    std::uint64_t limit = 0;
    /// The smallest gap between a limited cgroup's limit and its usage, in bytes.
    std::uint64_t headroom = 0;
};

/// The limits above this process, read from /proc/self/cgroup and under /sys/fs/cgroup at
/// each call; nothing when no cgroup on the way up is limited.
std::optional<CgroupMemoryLimit> readOwnCgroupMemoryLimit();

}  // namespace headroom

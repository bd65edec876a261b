#include "platform/linux/CgroupMemoryLimit.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <string>

#include "platform/linux/RegularFile.h"

namespace headroom {

namespace {

constexpr std::uint64_t kNone = std::numeric_limits<std::uint64_t>::max();

/// Whether the comma-separated `list` holds `item`.
bool listHolds(std::string_view list, std::string_view item) {
    while (!list.empty()) {
        const std::size_t comma = std::min(list.find(','), list.size());
        if (list.substr(0, comma) == item) {
            return true;
        }
        list.remove_prefix(std::min(comma + 1, list.size()));
    }
    return false;
}

std::optional<std::uint64_t> readCgroupBytes(const std::string& path) {
    std::string text;
    std::string reason;
    if (readRegularFile(path, 64, text, reason) != FileStatus::Ok) {
        return std::nullopt;
    }
    return parseCgroupBytes(text);
}

/// One hierarchy's files: where it is mounted, its limits, and its usage.
struct Hierarchy {
    const char* controller;
    const char* mount;
    const char* limits[2];
    const char* usage;
};

constexpr Hierarchy kHierarchies[] = {
    {"", "/sys/fs/cgroup", {"memory.max", "memory.high"}, "memory.current"},
    {"memory",
     "/sys/fs/cgroup/memory",
     {"memory.limit_in_bytes", nullptr},
     "memory.usage_in_bytes"},
};

}  // namespace

std::optional<std::string_view> cgroupPath(std::string_view text, std::string_view controller) {
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        const std::size_t first = line.find(':');
        const std::size_t second = line.find(':', first + 1);
        if (second == std::string_view::npos) {
            continue;
        }
        const std::string_view controllers = line.substr(first + 1, second - first - 1);
        const bool matches = controller.empty()
                                 ? line.substr(0, first) == "0" && controllers.empty()
                                 : listHolds(controllers, controller);
        if (matches) {
            const std::string_view path = line.substr(second + 1);
            const bool climbs = path.find("/..") != std::string_view::npos;
            return path.starts_with('/') && !climbs ? std::optional(path) : std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<std::uint64_t> parseCgroupBytes(std::string_view text) {
    if (text.ends_with('\n')) {
        text.remove_suffix(1);
    }
    if (text == "max") {
        return kNone;
    }
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<CgroupMemoryLimit> readOwnCgroupMemoryLimit() {
    std::string text;
    std::string reason;
    if (readRegularFile("/proc/self/cgroup", 64 * 1024, text, reason) != FileStatus::Ok) {
        return std::nullopt;
    }
    CgroupMemoryLimit tightest{kNone, kNone};
    for (const Hierarchy& hierarchy : kHierarchies) {
        const auto path = cgroupPath(text, hierarchy.controller);
        // From the process's own cgroup up; the root has no limits of its own.
        for (std::string cgroup(path.value_or("")); cgroup.size() > 1;
             cgroup.resize(cgroup.rfind('/'))) {
            const std::string folder = hierarchy.mount + cgroup + "/";
            std::uint64_t limit = kNone;
            for (const char* file : hierarchy.limits) {
                if (file != nullptr) {
                    limit = std::min(limit, readCgroupBytes(folder + file).value_or(kNone));
                }
            }
            if (limit == kNone) {
                continue;
            }
            // Without a reading of the usage, nothing can be charged safely.
            const std::uint64_t usage = readCgroupBytes(folder + hierarchy.usage).value_or(limit);
            tightest.limit = std::min(tightest.limit, limit);
            tightest.headroom = std::min(tightest.headroom, limit - std::min(usage, limit));
        }
    }
    return tightest.limit == kNone ? std::nullopt : std::optional(tightest);
}

}  // namespace headroom

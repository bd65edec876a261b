#include "platform/linux/ProcHostMemory.h"

#include <fcntl.h>
#include <glib-unix.h>
#include <linux/magic.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

#include "platform/linux/CgroupMemoryLimit.h"
#include "platform/linux/KernelPressure.h"
#include "platform/linux/RegularFile.h"

namespace headroom {

namespace {

/// `root` with no slash at its end, so that paths under it have no doubled slash.
std::string withoutSlash(std::string root) {
    while (!root.empty() && root.back() == '/') {
        root.pop_back();
    }
    return root;
}

std::string meminfoPath(const std::string& root) {
    return withoutSlash(root) + "/meminfo";
}

/// The kernel's small text files (psi, kstat) whole; empty when they cannot be read.
std::string readSmallFile(const std::string& path) {
    std::string text;
    std::string failure;
    return readRegularFile(path, 64 * 1024, text, failure) == FileStatus::Ok ? text : std::string();
}

/// The parsed file, opened afresh; nothing, with the reason in `failure`, when it cannot be read.
std::optional<MemInfo> readMemInfoAt(const std::string& path, std::string& failure) {
    std::string text;
    if (readRegularFile(path, ProcHostMemory::kMeminfoLimit, text, failure) != FileStatus::Ok) {
        return std::nullopt;
    }
    return parseMemInfo(text);
}

}  // namespace

ProcHostMemory::ProcHostMemory(const std::string& procfsRoot)
    : root_(withoutSlash(procfsRoot)), meminfo_(meminfoPath(procfsRoot)) {}

ProcHostMemory::~ProcHostMemory() {
    if (triggerSource_ != 0) {
        g_source_remove(triggerSource_);
        ::close(triggerFd_);
    }
    if (meminfoFd_ >= 0) {
        ::close(meminfoFd_);
    }
}

std::optional<MemInfo> ProcHostMemory::readMemInfo(std::string& failure) {
    FileStatus status = FileStatus::Ok;
    if (meminfoFd_ < 0) {
        meminfoFd_ = openRegularFile(meminfo_, status, failure);
    }
    if (meminfoFd_ >= 0) {
        status = readOpenFile(meminfoFd_, meminfo_, kMeminfoLimit, text_, failure);
        struct statfs filesystem {};
        if (status != FileStatus::Ok || ::fstatfs(meminfoFd_, &filesystem) != 0 ||
            filesystem.f_type != static_cast<decltype(filesystem.f_type)>(PROC_SUPER_MAGIC)) {
            ::close(meminfoFd_);  // opened again at the next read
            meminfoFd_ = -1;
        }
    }
    return status == FileStatus::Ok ? std::optional(parseMemInfo(text_)) : std::nullopt;
}

std::uint64_t ProcHostMemory::physicalMemory() {
    if (!physicalMemory_) {
        std::string failure;
        const auto info = readMemInfo(failure);
        if (info && info->memTotal.value_or(0) > 0) {
            physicalMemory_ = *info->memTotal * 1024;  // at most 2^54 kB: × 1024 fits
        } else {
            const long pages = ::sysconf(_SC_PHYS_PAGES);
            const long pageSize = ::sysconf(_SC_PAGESIZE);
            physicalMemory_ = pages > 0 && pageSize > 0 ? static_cast<std::uint64_t>(pages) *
                                                              static_cast<std::uint64_t>(pageSize)
                                                        : 0;
        }
    }
    return *physicalMemory_;
}

std::optional<VmStatistics> ProcHostMemory::statistics(std::string& failure) {
    const auto info = readMemInfo(failure);
    if (!info) {
        return std::nullopt;
    }
    auto statistics = vmStatisticsFromMemInfo(*info);
    if (!statistics) {
        failure = meminfo_ + " lacks MemFree, Active or Inactive";
    } else if (statistics->available) {
        // The ARC shrinks to c_min under pressure; both are far below 2^64 bytes.
        *statistics->available +=
            reclaimableArc(parseArcStats(readSmallFile(root_ + "/spl/kstat/zfs/arcstats")));
    }
    return statistics;
}

std::optional<MachineMemory> ProcHostMemory::machineMemory() {
    std::string failure;
    const auto info = readMemInfoAt("/proc/meminfo", failure);
    if (!info || !info->memTotal || !info->memAvailable) {
        return std::nullopt;
    }
    // Both at most 2^54 kB (the parser's bound): × 1024 fits.
    MachineMemory memory{*info->memTotal * 1024, *info->memAvailable * 1024};
    // A limit above this process makes the kernel reclaim, and then kill, inside it whatever
    // the machine has free.
    if (const auto cgroup = readOwnCgroupMemoryLimit()) {
        memory.total = std::min(memory.total, cgroup->limit);
        memory.available = std::min(memory.available, cgroup->headroom);
    }
    return memory;
}

std::optional<MemoryPressure> ProcHostMemory::pressure() {
    return parsePressure(readSmallFile(root_ + "/pressure/memory"));
}

std::string ProcHostMemory::watchPressure(std::function<void()> changed) {
    const std::string path = root_ + "/pressure/memory";
    if (root_ != "/proc") {
        return {};  // a tree of fixtures: read at each refresh, nothing to say
    }
    static constexpr char kTrigger[] = "some 150000 2000000";
    const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 || ::write(fd, kTrigger, sizeof kTrigger) < 0) {
        const int error = errno;
        if (fd >= 0) {
            ::close(fd);
        }
        return "Memory pressure is read at each refresh: the kernel refuses a trigger on " + path +
               " (" + g_strerror(error) + ")";
    }
    triggerFd_ = fd;
    pressureChanged_ = std::move(changed);
    // The kernel clears the event as it is polled: one call per window in which it stalled.
    triggerSource_ = g_unix_fd_add(
        fd, G_IO_PRI,
        +[](gint, GIOCondition, gpointer self) {
            static_cast<ProcHostMemory*>(self)->pressureChanged_();
            return gboolean{G_SOURCE_CONTINUE};
        },
        this);
    return "Memory pressure is watched with a kernel trigger (" + std::string(kTrigger) + ")";
}

std::optional<std::string> ProcHostMemory::checkProcfs(const std::string& root) {
    const std::string path = meminfoPath(root);
    std::string failure;
    const auto info = readMemInfoAt(path, failure);
    if (!info) {
        return "--procfs " + root + ": " + failure;
    }
    if (info->memTotal && vmStatisticsFromMemInfo(*info)) {
        return std::nullopt;
    }
    return "--procfs " + root + ": " + path +
           " is not a meminfo file (it needs MemTotal, MemFree, Active and Inactive in kB)";
}

}  // namespace headroom

#include "platform/linux/ProcHostMemory.h"

#include <unistd.h>

#include <utility>
#include <vector>

#include "platform/linux/MemInfo.h"

namespace headroom {

namespace {

constexpr const char* kRealMeminfo = "/proc/meminfo";

std::uint64_t systemPageSize() {
    const long size = ::sysconf(_SC_PAGESIZE);
    return size > 0 ? static_cast<std::uint64_t>(size) : 4096;
}

}  // namespace

std::string ProcHostMemory::meminfoPath(const std::string& root) {
    std::string path = root;
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    if (path != "/") {
        path += '/';
    }
    return path + "meminfo";
}

ProcHostMemory::ProcHostMemory(std::string procfsRoot)
    : root_(std::move(procfsRoot)), pageSize_(systemPageSize()), meminfo_(meminfoPath(root_)) {}

std::optional<VmStatistics> ProcHostMemory::statistics() {
    const auto text = meminfo_.read();
    if (!text) {
        statisticsFailure_ = lastError_ = meminfo_.error();
        return std::nullopt;
    }
    auto statistics = vmStatisticsFromMemInfo(parseMemInfo(*text), pageSize_);
    if (!statistics) {
        statisticsFailure_ = lastError_ = meminfo_.path() + " lacks MemFree, Active or Inactive";
        return std::nullopt;
    }
    lastError_.clear();
    statisticsFailure_.clear();
    return statistics;
}

std::uint64_t ProcHostMemory::physicalMemory() {
    if (!physicalMemory_) {
        std::optional<std::uint64_t> total;
        if (const auto text = meminfo_.read()) {
            total = parseMemInfo(*text).memTotal;  // at most 2^54 kB: × 1024 fits
        }
        if (total && *total > 0) {
            physicalMemory_ = *total * 1024;
        } else {
            const long pages = ::sysconf(_SC_PHYS_PAGES);
            physicalMemory_ = pages > 0 ? static_cast<std::uint64_t>(pages) * pageSize_ : 0;
        }
    }
    return *physicalMemory_;
}

std::optional<MachineMemory> ProcHostMemory::machineMemory() {
    if (!realMeminfo_) {
        realMeminfo_.emplace(kRealMeminfo);
    }
    const auto text = realMeminfo_->read();
    if (!text) {
        lastError_ = realMeminfo_->error();
        return std::nullopt;
    }
    const MemInfo info = parseMemInfo(*text);
    if (!info.memTotal || !info.memAvailable) {
        lastError_ = std::string(kRealMeminfo) + " lacks MemTotal or MemAvailable";
        return std::nullopt;
    }
    // Both at most 2^54 kB (the parser's bound): × 1024 fits.
    return MachineMemory{*info.memTotal * 1024, *info.memAvailable * 1024};
}

std::optional<std::string> ProcHostMemory::checkProcfs(const std::string& root) {
    const std::string prefix = "--procfs " + root + ": ";
    ProcFileReader reader(meminfoPath(root));
    const auto text = reader.read();
    if (!text) {
        return prefix + reader.error();
    }
    const MemInfo info = parseMemInfo(*text);
    std::vector<const char*> missing;
    if (!info.memTotal)
        missing.push_back("MemTotal");
    if (!info.memFree)
        missing.push_back("MemFree");
    if (!info.active)
        missing.push_back("Active");
    if (!info.inactive)
        missing.push_back("Inactive");
    if (missing.empty()) {
        return std::nullopt;
    }
    std::string line = prefix + reader.path() + " is not a meminfo file (no ";
    for (std::size_t i = 0; i < missing.size(); ++i) {
        line += i == 0 ? "" : (i + 1 == missing.size() ? " or " : ", ");
        line += missing[i];
    }
    return line + " in kB)";
}

}  // namespace headroom

#include "platform/linux/ProcWorkspace.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <map>
#include <utility>

#include "platform/linux/ProcessFacts.h"
#include "platform/linux/RegularFile.h"

namespace headroom {

namespace {

/// Launchers move a process into its unit just after starting it (GNOME Shell asks systemd for
/// the scope once the child runs); until then it sits in the launcher's cgroup.
constexpr std::uint64_t kSettleSeconds = 3;
constexpr std::size_t kCgroupLimit = std::size_t{64} * 1024;
constexpr std::size_t kStatLimit = 4096;
constexpr std::size_t kEnvironLimit = std::size_t{1024} * 1024;
/// statm is seven numbers on one line.
constexpr std::size_t kStatmLimit = 4096;

std::optional<std::int32_t> pidOfName(std::string_view name) {
    if (name.empty() || name.front() < '1' || name.front() > '9') {
        return std::nullopt;
    }
    std::int32_t pid = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), pid);
    if (error != std::errc{} || end != name.data() + name.size() || pid <= 0) {
        return std::nullopt;
    }
    return pid;
}

bool sameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

/// One application being gathered during a listing.
struct Gathering {
    std::string applicationId;
    std::vector<std::int32_t> pids;
};

}  // namespace

std::optional<std::uint64_t> parseStatmResidentPages(std::string_view text) {
    // "size resident shared text lib data dt", in pages.
    std::uint64_t fields[2] = {0, 0};
    const char* cursor = text.data();
    const char* end = text.data() + text.size();
    for (std::uint64_t& field : fields) {
        while (cursor < end && *cursor == ' ') {
            ++cursor;
        }
        auto [next, error] = std::from_chars(cursor, end, field);
        if (error != std::errc{} || next == cursor) {
            return std::nullopt;
        }
        cursor = next;
        if (cursor < end && *cursor != ' ' && *cursor != '\n') {
            return std::nullopt;
        }
    }
    return fields[1];
}

ProcWorkspace::ProcWorkspace(std::string procfsRoot, ProcWorkspaceSettings settings)
    : root_(std::move(procfsRoot)),
      pageSize_(static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE))),
      uid_(settings.uid.value_or(static_cast<std::uint32_t>(::getuid()))),
      ticksPerSecond_(static_cast<std::uint64_t>(std::max(1L, ::sysconf(_SC_CLK_TCK)))),
      desktopEntries_(settings.applicationFolders
                          ? std::move(*settings.applicationFolders)
                          : DesktopEntryCache::applicationFoldersFromEnvironment(),
                      std::move(settings.locale)) {}

std::vector<RunningApplication> ProcWorkspace::runningApplications() {
    desktopEntries_.refresh();
    ++generation_;

    DIR* dir = ::opendir(root_.c_str());
    if (dir == nullptr) {
        processes_.clear();
        return {};
    }
    const int rootFd = ::dirfd(dir);
    std::vector<std::int32_t> members;  // pids of the user's processes of some application
    while (const dirent* entry = ::readdir(dir)) {
        const auto pid = pidOfName(entry->d_name);
        if (!pid) {
            continue;
        }
        const std::string name = entry->d_name;
        struct stat status {};
        if (::fstatat(rootFd, name.c_str(), &status, 0) != 0 || !S_ISDIR(status.st_mode) ||
            status.st_uid != uid_) {
            continue;
        }
        auto [it, inserted] = processes_.try_emplace(*pid);
        ProcessRecord& record = it->second;
        const bool sameInode = !inserted && !record.provisional && record.inode == status.st_ino &&
                               sameTime(record.changed, status.st_ctim);
        if (!sameInode) {
            // The folder is new, or its inode was made again: the start time tells whether it
            // is still the same process.
            const auto startTime = readStartTime(rootFd, name);
            if (inserted || record.provisional || startTime != record.startTime) {
                record.identity = readIdentity(rootFd, name, *pid);
                record.startTime = startTime;
                record.provisional = isYoung(startTime);
            }
            record.inode = status.st_ino;
            record.changed = status.st_ctim;
        }
        record.generation = generation_;
        if (record.identity.unit || !record.identity.desktopFile.empty()) {
            members.push_back(*pid);
        }
    }
    ::closedir(dir);
    std::erase_if(processes_,
                  [this](const auto& item) { return item.second.generation != generation_; });

    // Gather processes by unit (or desktop file); the id of a unit is resolved against the
    // desktop entries of this listing, so a newly installed entry names it at once.
    const auto isKnown = [this](std::string_view id) { return desktopEntries_.contains(id); };
    std::map<std::string, Gathering, std::less<>> gatherings;
    std::string key;
    for (const std::int32_t pid : members) {
        const ProcessIdentity& identity = processes_.at(pid).identity;
        std::optional<std::string> applicationId;
        if (identity.unit) {
            applicationId = identity.unit->applicationId(isKnown);
            key = "unit:" + identity.unit->unit;
        }
        if (!applicationId && !identity.desktopFile.empty()) {
            applicationId = identity.desktopFileId;
            key = "file:" + identity.desktopFile;
        }
        if (!applicationId || applicationId->empty()) {
            continue;
        }
        auto found = gatherings.find(key);
        if (found == gatherings.end()) {
            found = gatherings.emplace(key, Gathering{std::move(*applicationId), {}}).first;
        }
        found->second.pids.push_back(pid);
    }

    std::vector<RunningApplication> applications;
    applications.reserve(gatherings.size());
    for (auto& [unused, gathering] : gatherings) {
        std::sort(gathering.pids.begin(), gathering.pids.end());
        RunningApplication application;
        application.bundleIdentifier = gathering.applicationId;
        application.processIdentifier = gathering.pids.front();
        application.processIdentifiers = std::move(gathering.pids);
        if (const DesktopApplication* entry = desktopEntries_.find(gathering.applicationId)) {
            application.activationPolicy = entry->activationPolicy;
            application.localizedName = entry->name.empty() ? gathering.applicationId : entry->name;
            application.iconName = entry->icon;
        } else {
            application.activationPolicy = ActivationPolicy::Prohibited;
            application.localizedName = gathering.applicationId;
        }
        applications.push_back(std::move(application));
    }
    std::sort(applications.begin(), applications.end(),
              [](const RunningApplication& a, const RunningApplication& b) {
                  return a.processIdentifier < b.processIdentifier;
              });
    return applications;
}

ProcWorkspace::ProcessIdentity ProcWorkspace::readIdentity(int rootFd, const std::string& pidName,
                                                           std::int32_t pid) {
    ++identityReadCount_;
    ProcessIdentity identity;
    if (readAt(rootFd, pidName + "/cgroup", kCgroupLimit)) {
        identity.unit = appUnitOfCgroupFile(buffer_);
    }
    if (identity.unit && !identity.unit->requiresKnownId) {
        return identity;
    }
    // A D-Bus activated service is an application only if its bus name has a desktop entry;
    // the environment may still say which one launched it.
    if (readAt(rootFd, pidName + "/environ", kEnvironLimit)) {
        if (auto file = parseLaunchedDesktopFile(buffer_, pid)) {
            identity.desktopFileId = desktopEntries_.idForPath(*file);
            identity.desktopFile = std::move(*file);
        }
    }
    return identity;
}

std::optional<std::uint64_t> ProcWorkspace::readStartTime(int rootFd, const std::string& pidName) {
    if (!readAt(rootFd, pidName + "/stat", kStatLimit)) {
        return std::nullopt;
    }
    return parseStatStartTime(buffer_);
}

bool ProcWorkspace::isYoung(const std::optional<std::uint64_t>& startTime) const {
    if (!startTime) {
        return false;
    }
    timespec now{};
    if (::clock_gettime(CLOCK_BOOTTIME, &now) != 0) {
        return false;
    }
    const std::uint64_t nowTicks =
        static_cast<std::uint64_t>(now.tv_sec) * ticksPerSecond_ +
        static_cast<std::uint64_t>(now.tv_nsec) * ticksPerSecond_ / 1'000'000'000u;
    return *startTime + kSettleSeconds * ticksPerSecond_ > nowTicks;
}

bool ProcWorkspace::readAt(int rootFd, const std::string& relative, std::size_t limit) {
    // A process's own files are regular files; anything else in a --procfs tree (a FIFO made
    // where cgroup should be) is passed over, never waited on. A file over the limit is read
    // up to it: what it says about the process is at its start.
    FileStatus status = FileStatus::Failed;
    std::string reason;
    const int fd = openRegularFile(rootFd, relative, status, reason);
    buffer_.clear();
    if (fd < 0) {
        return false;
    }
    std::array<char, 4096> chunk{};
    while (buffer_.size() < limit) {
        const ssize_t count =
            ::read(fd, chunk.data(), std::min(chunk.size(), limit - buffer_.size()));
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            ::close(fd);
            return false;
        }
        if (count == 0) {
            break;
        }
        buffer_.append(chunk.data(), static_cast<std::size_t>(count));
    }
    ::close(fd);
    return true;
}

ResidentSizeReading ProcWorkspace::residentSize(std::int32_t processIdentifier) {
    ResidentSizeReading reading;
    const std::string path = root_ + "/" + std::to_string(processIdentifier) + "/statm";
    std::string text;
    if (readRegularFile(path, kStatmLimit, text, reading.problem) != FileStatus::Ok) {
        return reading;
    }
    const auto pages = parseStatmResidentPages(text);
    if (!pages) {
        reading.status = ResidentSizeReading::Status::Short;
        reading.problem = path + " holds no resident size";
        return reading;
    }
    reading.status = ResidentSizeReading::Status::Ok;
    reading.residentBytes = *pages * pageSize_;
    return reading;
}

}  // namespace headroom

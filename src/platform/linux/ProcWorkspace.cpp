#include "platform/linux/ProcWorkspace.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <utility>

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

std::optional<std::uint64_t> parseStatStartTime(std::string_view text) {
    const auto close = text.rfind(')');
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    // After ")" come field 3 (state) onwards: skip to field 22.
    std::string_view rest = text.substr(close + 1);
    for (int field = 3; field < 22; ++field) {
        const auto space = rest.find(' ', rest.find_first_not_of(' '));
        if (space == std::string_view::npos) {
            return std::nullopt;
        }
        rest = rest.substr(space);
    }
    rest.remove_prefix(std::min(rest.find_first_not_of(' '), rest.size()));
    std::uint64_t start = 0;
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), start);
    if (error != std::errc{} || (end != rest.data() + rest.size() && *end != ' ' && *end != '\n')) {
        return std::nullopt;
    }
    return start;
}

std::optional<std::string> parseLaunchedDesktopFile(std::string_view environment,
                                                    std::int32_t pid) {
    constexpr std::string_view kFile = "GIO_LAUNCHED_DESKTOP_FILE=";
    constexpr std::string_view kPid = "GIO_LAUNCHED_DESKTOP_FILE_PID=";
    std::optional<std::string_view> file;
    std::optional<std::string_view> launchedPid;
    while (!environment.empty()) {
        const auto nul = environment.find('\0');
        const std::string_view variable = environment.substr(0, nul);
        environment =
            nul == std::string_view::npos ? std::string_view{} : environment.substr(nul + 1);
        if (!file && variable.starts_with(kFile)) {
            file = variable.substr(kFile.size());
        } else if (!launchedPid && variable.starts_with(kPid)) {
            launchedPid = variable.substr(kPid.size());
        }
    }
    if (!file || file->empty() || !launchedPid) {
        return std::nullopt;
    }
    std::int32_t value = 0;
    const auto [end, error] =
        std::from_chars(launchedPid->data(), launchedPid->data() + launchedPid->size(), value);
    if (error != std::errc{} || end != launchedPid->data() + launchedPid->size() || value != pid) {
        return std::nullopt;
    }
    return std::string(*file);
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

    // Gather processes by unit (or desktop file), in the order of their first pid; the id of a
    // unit is resolved against the desktop entries of this listing, so a newly installed entry
    // names it at once.
    std::sort(members.begin(), members.end());
    const auto isKnown = [this](std::string_view id) { return desktopEntries_.contains(id); };
    std::vector<Gathering> gatherings;
    std::unordered_map<std::string, std::size_t> byKey;
    for (const std::int32_t pid : members) {
        const ProcessIdentity& identity = processes_.at(pid).identity;
        std::optional<std::string> applicationId;
        std::string key;
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
        const auto [found, added] = byKey.try_emplace(key, gatherings.size());
        if (added) {
            gatherings.push_back(Gathering{std::move(*applicationId), {}});
        }
        gatherings[found->second].pids.push_back(pid);
    }

    std::vector<RunningApplication> applications;
    for (const Gathering& gathering : gatherings) {
        const DesktopEntry* entry = desktopEntries_.find(gathering.applicationId);
        if (entry == nullptr || !entry->regular) {
            continue;
        }
        // Measured whole: the first process decides whether it can be; one gone since the
        // listing adds nothing.
        RunningApplication application{entry->name, entry->icon, residentSize(gathering.pids[0])};
        for (std::size_t i = 1; i < gathering.pids.size() &&
                                application.residentSize.status == ResidentSizeReading::Status::Ok;
             ++i) {
            const auto other = residentSize(gathering.pids[i]);
            if (other.status == ResidentSizeReading::Status::Ok) {
                application.residentSize.residentBytes += other.residentBytes;
            }
        }
        applications.push_back(std::move(application));
    }
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
    std::string reason;
    const FileStatus status = readRegularFile(rootFd, relative, limit, buffer_, reason);
    return status == FileStatus::Ok || status == FileStatus::TooLarge;
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

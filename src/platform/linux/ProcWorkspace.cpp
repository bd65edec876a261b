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
    std::int32_t pid = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), pid);
    if (name.empty() || name.front() < '1' || name.front() > '9' || error != std::errc{} ||
        end != name.data() + name.size()) {
        return std::nullopt;
    }
    return pid;
}

}  // namespace

std::optional<std::uint64_t> parseStatmResidentPages(std::string_view text) {
    // "size resident shared text lib data dt", in pages, one space apart (fs/proc/array.c).
    std::uint64_t fields[2] = {0, 0};
    const char* cursor = text.data();
    const char* const end = text.data() + text.size();
    for (std::uint64_t& field : fields) {
        const auto [next, error] = std::from_chars(cursor, end, field);
        if (error != std::errc{} || (next != end && *next != ' ' && *next != '\n')) {
            return std::nullopt;
        }
        cursor = next == end ? end : next + 1;
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
    for (std::size_t start = 0, nul = 0; nul != std::string_view::npos; start = nul + 1) {
        nul = environment.find('\0', start);
        const std::string_view variable = environment.substr(start, nul - start);
        if (!file && variable.starts_with(kFile)) {
            file = variable.substr(kFile.size());
        } else if (!launchedPid && variable.starts_with(kPid)) {
            launchedPid = variable.substr(kPid.size());
        }
    }
    // GLib writes the pid in decimal, as std::to_string does.
    if (!file || file->empty() || launchedPid != std::to_string(pid)) {
        return std::nullopt;
    }
    return std::string(*file);
}

ProcWorkspace::ProcWorkspace(std::string procfsRoot)
    : root_(std::move(procfsRoot)),
      pageSize_(static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE))),
      ticksPerSecond_(static_cast<std::uint64_t>(std::max(1L, ::sysconf(_SC_CLK_TCK)))),
      desktopEntries_(DesktopEntryCache::applicationFoldersFromEnvironment()) {}

std::vector<RunningApplication> ProcWorkspace::runningApplications() {
    desktopEntries_.refresh();
    ++generation_;
    const auto uid = static_cast<std::uint32_t>(::getuid());

    DIR* dir = ::opendir(root_.c_str());
    if (dir == nullptr) {
        processes_.clear();
        return {};
    }
    std::vector<std::int32_t> members;  // pids of the user's processes of some application
    while (const dirent* entry = ::readdir(dir)) {
        const auto pid = pidOfName(entry->d_name);
        const std::string folder = root_ + "/" + entry->d_name;
        struct stat status {};
        if (!pid || ::stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) ||
            status.st_uid != uid) {
            continue;
        }
        auto [it, inserted] = processes_.try_emplace(*pid);
        ProcessRecord& record = it->second;
        if (inserted || record.provisional || record.inode != status.st_ino ||
            record.changed.tv_sec != status.st_ctim.tv_sec ||
            record.changed.tv_nsec != status.st_ctim.tv_nsec) {
            // The folder is new, or its inode was made again: the start time tells whether it
            // is still the same process.
            const auto startTime =
                read(folder + "/stat", kStatLimit) ? parseStatStartTime(buffer_) : std::nullopt;
            if (inserted || record.provisional || startTime != record.startTime) {
                readIdentity(record, folder, *pid);
                record.startTime = startTime;
                record.provisional = isYoung(startTime);
            }
            record.inode = status.st_ino;
            record.changed = status.st_ctim;
        }
        record.generation = generation_;
        if (record.unit || !record.launchedId.empty()) {
            members.push_back(*pid);
        }
    }
    ::closedir(dir);
    std::erase_if(processes_,
                  [this](const auto& item) { return item.second.generation != generation_; });

    // Gather processes by unit (or launching desktop file), in the order of their first pid;
    // the id of a unit is resolved against the desktop entries of this listing, so a newly
    // installed entry names it at once.
    std::sort(members.begin(), members.end());
    const auto isKnown = [this](std::string_view id) {
        return desktopEntries_.find(id) != nullptr;
    };
    std::vector<std::pair<const DesktopEntry*, std::vector<std::int32_t>>> gatherings;
    std::unordered_map<std::string, std::size_t> byKey;
    for (const std::int32_t pid : members) {
        const ProcessRecord& process = processes_.at(pid);
        std::optional<std::string> id =
            process.unit ? process.unit->applicationId(isKnown) : std::nullopt;
        std::string key = id ? "unit:" + process.unit->unit : "file:" + process.launchedId;
        const DesktopEntry* entry = desktopEntries_.find(id.value_or(process.launchedId));
        if (entry == nullptr || !entry->regular) {
            continue;
        }
        const auto [found, added] = byKey.try_emplace(std::move(key), gatherings.size());
        if (added) {
            gatherings.emplace_back(entry, std::vector<std::int32_t>{});
        }
        gatherings[found->second].second.push_back(pid);
    }

    std::vector<RunningApplication> applications;
    for (const auto& [entry, pids] : gatherings) {
        // Measured whole: the first process decides whether it can be; one gone since the
        // listing adds nothing.
        RunningApplication application{entry->name, entry->icon, residentSize(pids[0])};
        for (std::size_t i = 1;
             i < pids.size() && application.residentSize.status == ResidentSizeReading::Status::Ok;
             ++i) {
            const auto other = residentSize(pids[i]);
            if (other.status == ResidentSizeReading::Status::Ok) {
                application.residentSize.residentBytes += other.residentBytes;
            }
        }
        applications.push_back(std::move(application));
    }
    return applications;
}

void ProcWorkspace::readIdentity(ProcessRecord& record, const std::string& pidFolder,
                                 std::int32_t pid) {
    record.unit =
        read(pidFolder + "/cgroup", kCgroupLimit) ? appUnitOfCgroupFile(buffer_) : std::nullopt;
    record.launchedId.clear();
    // A D-Bus activated service is an application only if its bus name has a desktop entry;
    // the environment may still say which one launched it.
    if ((!record.unit || record.unit->requiresKnownId) &&
        read(pidFolder + "/environ", kEnvironLimit)) {
        if (const auto file = parseLaunchedDesktopFile(buffer_, pid)) {
            record.launchedId = desktopEntries_.idForPath(*file);
        }
    }
}

bool ProcWorkspace::isYoung(const std::optional<std::uint64_t>& startTime) const {
    timespec now{};
    if (!startTime || ::clock_gettime(CLOCK_BOOTTIME, &now) != 0) {
        return false;
    }
    const std::uint64_t nowTicks =
        static_cast<std::uint64_t>(now.tv_sec) * ticksPerSecond_ +
        static_cast<std::uint64_t>(now.tv_nsec) * ticksPerSecond_ / 1'000'000'000u;
    return *startTime + kSettleSeconds * ticksPerSecond_ > nowTicks;
}

bool ProcWorkspace::read(const std::string& path, std::size_t limit) {
    // A process's own files are regular files; anything else in a --procfs tree (a FIFO made
    // where cgroup should be) is passed over, never waited on. A file over the limit is read
    // up to it: what it says about the process is at its start.
    std::string reason;
    const FileStatus status = readRegularFile(path, limit, buffer_, reason);
    return status == FileStatus::Ok || status == FileStatus::TooLarge;
}

ResidentSizeReading ProcWorkspace::residentSize(std::int32_t pid) {
    ResidentSizeReading reading;
    const std::string path = root_ + "/" + std::to_string(pid) + "/statm";
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

#include "platform/linux/ProcWorkspace.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <ctime>
#include <tuple>
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
      uid_(static_cast<std::uint32_t>(::getuid())),
      desktopEntries_(DesktopEntryCache::applicationFoldersFromEnvironment()) {
    // loadavg tells the last pid of the reader's pid namespace: it speaks for <root> only when
    // <root> shows that namespace (its "self" is this process).
    char self[32] = {};
    const std::string own = std::to_string(::getpid());
    if (::readlink((root_ + "/self").c_str(), self, sizeof self - 1) ==
            static_cast<ssize_t>(own.size()) &&
        own == self) {
        loadavg_.reset(::open((root_ + "/loadavg").c_str(), O_RDONLY | O_CLOEXEC));
    }
}

void ProcWorkspace::KeptFile::reset(int fd) {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    fd_ = fd;
}

std::optional<std::uint64_t> parseLastPid(std::string_view loadavg) {
    // "0.33 0.48 0.26 1/345 12345\n": the last field (proc(5)).
    while (!loadavg.empty() && (loadavg.back() == '\n' || loadavg.back() == ' ')) {
        loadavg.remove_suffix(1);
    }
    const std::string_view last = loadavg.substr(loadavg.rfind(' ') + 1);
    std::uint64_t pid = 0;
    const auto [end, error] = std::from_chars(last.data(), last.data() + last.size(), pid);
    if (last.empty() || error != std::errc{} || end != last.data() + last.size() ||
        last.size() == loadavg.size()) {
        return std::nullopt;
    }
    return pid;
}

std::vector<RunningApplication> ProcWorkspace::runningApplications() {
    desktopEntries_.refresh();
    // The pid handed out last: while it stays, no process has started since the last listing
    // (and one that ended is seen by its statm), so <root> need not be read again.
    std::optional<std::uint64_t> lastPid;
    if (loadavg_.get() >= 0) {
        char text[128];
        const ssize_t count = ::pread(loadavg_.get(), text, sizeof text, 0);
        lastPid = count > 0 ? parseLastPid(std::string_view(text, static_cast<std::size_t>(count)))
                            : std::nullopt;
    }
    if (!lastPid || lastPid != listedAfterPid_ || anyYoung_) {
        listedAfterPid_ = lastPid;
        if (!listProcesses()) {
            return {};
        }
    }

    // Gather processes by unit (or launching desktop file), in the order of their first pid;
    // the id of a unit is resolved against the desktop entries of this listing, so a newly
    // installed entry names it at once.
    const auto isKnown = [this](std::string_view id) {
        return desktopEntries_.find(id) != nullptr;
    };
    std::vector<std::pair<const DesktopEntry*, std::vector<std::int32_t>>> gatherings;
    std::unordered_map<std::string, std::size_t> byKey;
    for (const std::int32_t pid : members_) {
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
        // Measured whole: every process that can be read adds its size, and the application is
        // measured while any of them can be; each one that cannot is named for the log.
        RunningApplication application{entry->name, entry->icon, {}};
        ResidentSizeReading& total = application.residentSize;
        for (const std::int32_t pid : pids) {
            ProcessRecord& process = processes_.at(pid);
            ResidentSizeReading one = residentSize(pid, process);
            if (process.gone) {
                listedAfterPid_.reset();  // list again: its pid may be another's by then
            } else if (one.status == ResidentSizeReading::Status::Ok) {
                total.status = ResidentSizeReading::Status::Ok;
                total.residentBytes += one.residentBytes;
            } else {
                total.unmeasured.emplace_back(one.status, std::move(one.problem));
            }
        }
        if (total.unmeasured.empty() && total.status != ResidentSizeReading::Status::Ok) {
            continue;  // every process of it has ended
        }
        if (total.status != ResidentSizeReading::Status::Ok) {
            std::tie(total.status, total.problem) = std::move(total.unmeasured.front());
            total.unmeasured.erase(total.unmeasured.begin());
        }
        applications.push_back(std::move(application));
    }
    return applications;
}

bool ProcWorkspace::listProcesses() {
    ++generation_;

    DIR* dir = ::opendir(root_.c_str());
    if (dir == nullptr) {
        processes_.clear();
        members_.clear();
        return false;
    }
    members_.clear();
    anyYoung_ = false;
    while (const dirent* entry = ::readdir(dir)) {
        const auto pid = pidOfName(entry->d_name);
        if (!pid) {
            continue;
        }
        auto [it, inserted] = processes_.try_emplace(*pid);
        ProcessRecord& record = it->second;
        // The listing gives each folder's inode: a process seen before whose folder is the
        // same costs nothing more.
        if (inserted || record.provisional || record.inode != entry->d_ino) {
            examine(record, *pid, entry->d_ino, inserted);
        }
        record.generation = generation_;
        anyYoung_ = anyYoung_ || record.provisional;
        if (record.ours && (record.unit || !record.launchedId.empty())) {
            members_.push_back(*pid);
        }
    }
    ::closedir(dir);
    std::erase_if(processes_,
                  [this](const auto& item) { return item.second.generation != generation_; });
    std::sort(members_.begin(), members_.end());
    return true;
}

void ProcWorkspace::examine(ProcessRecord& record, std::int32_t pid, ino_t inode, bool isNew) {
    const std::string folder = root_ + "/" + std::to_string(pid);
    if (isNew || record.inode != inode) {
        // A folder made again may belong to another process: its start time tells.
        record.inode = inode;
        record.statm.reset();
        const auto startTime =
            read(folder + "/stat", kStatLimit) ? parseStatStartTime(buffer_) : std::nullopt;
        if (!isNew && !record.provisional && startTime == record.startTime) {
            return;
        }
        record.startTime = startTime;
    }
    readIdentity(record, folder, pid);
    record.provisional = isYoung(record.startTime);
    // Only the user's own processes count; the owner is looked up only for an application's.
    struct stat status {};
    record.ours = (record.unit || !record.launchedId.empty()) &&
                  ::stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
                  status.st_uid == uid_;
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
    // Three calls a file, as every new process costs up to three files: no fstat, and a short
    // read is the end (procfs makes a file whole at offset 0). Opened without blocking and read
    // with pread, which a FIFO or a terminal made where such a file should be (in a --procfs
    // tree) refuses at once. A file over the limit is read up to it: what it says about the
    // process is at its start.
    constexpr std::size_t kChunk = 8192;
    buffer_.clear();
    int fd = -1;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    bool readable = fd >= 0;
    while (readable && buffer_.size() < limit) {
        const std::size_t used = buffer_.size();
        const std::size_t wanted = std::min(kChunk, limit - used);
        buffer_.resize(used + wanted);
        const ssize_t count = ::pread(fd, buffer_.data() + used, wanted, static_cast<off_t>(used));
        const int error = errno;
        buffer_.resize(used + static_cast<std::size_t>(std::max<ssize_t>(count, 0)));
        readable = count >= 0 || error == EINTR;
        if (count >= 0 && static_cast<std::size_t>(count) < wanted) {
            break;
        }
    }
    if (fd >= 0) {
        ::close(fd);
    }
    return readable;
}

ResidentSizeReading ProcWorkspace::residentSize(std::int32_t pid, ProcessRecord& record) {
    ResidentSizeReading reading;
    record.gone = false;
    const auto path = [&] { return root_ + "/" + std::to_string(pid) + "/statm"; };
    if (record.statm.get() < 0) {
        FileStatus status = FileStatus::Failed;
        record.statm.reset(openRegularFile(path(), status, reading.problem));
        if (record.statm.get() < 0) {
            return reading;
        }
    }
    // statm is one short line: one read gives it whole, and one byte more than the limit tells
    // a file that is not statm.
    char text[kStatmLimit + 1];
    ssize_t count = 0;
    do {
        count = ::pread(record.statm.get(), text, sizeof text, 0);
    } while (count < 0 && errno == EINTR);
    if (count < 0) {
        // ESRCH: the process has ended since it was listed, which is no failure to measure it.
        record.gone = errno == ESRCH;
        reading.problem = "cannot read " + path() + ": " + std::strerror(errno);
        record.statm.reset();
        return reading;
    }
    if (static_cast<std::size_t>(count) > kStatmLimit) {
        reading.problem = path() + " is larger than " + std::to_string(kStatmLimit) + " bytes";
        return reading;
    }
    const auto pages =
        parseStatmResidentPages(std::string_view(text, static_cast<std::size_t>(count)));
    if (!pages) {
        reading.status = ResidentSizeReading::Status::Short;
        reading.problem = path() + " holds no resident size";
        return reading;
    }
    reading.status = ResidentSizeReading::Status::Ok;
    reading.residentBytes = *pages * pageSize_;
    return reading;
}

}  // namespace headroom

#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/Workspace.h"
#include "platform/linux/CgroupUnit.h"
#include "platform/linux/DesktopEntry.h"

namespace headroom {

/// Resident pages, the second field of /proc/<pid>/statm (see proc(5)); nothing when the text
/// does not hold at least two numbers.
std::optional<std::uint64_t> parseStatmResidentPages(std::string_view text);

/// The start time of a process, field 22 of /proc/<pid>/stat (clock ticks after boot). The
/// command name (field 2) is in parentheses and may itself hold spaces and parentheses, so the
/// fields are counted from the last ')'. Nothing when the text is too short or malformed.
std::optional<std::uint64_t> parseStatStartTime(std::string_view text);

/// The pid the kernel handed out last, the last field of /proc/loadavg (see proc(5)); nothing
/// when the text does not end in a number.
std::optional<std::uint64_t> parseLastPid(std::string_view loadavg);

/// The desktop file a process was launched from, when GLib launched it: the value of
/// GIO_LAUNCHED_DESKTOP_FILE in the NUL-separated text of /proc/<pid>/environ, provided that
/// GIO_LAUNCHED_DESKTOP_FILE_PID holds `pid` too. A child inherits both variables with its
/// parent's pid, so the check keeps helpers and shells started from an application out of it.
std::optional<std::string> parseLaunchedDesktopFile(std::string_view environment, std::int32_t pid);

/// The user's running desktop applications and their memory, from a procfs tree.
///
/// A process belongs to an application when (1) its systemd unit, read from <pid>/cgroup, is
/// an application unit (see CgroupUnit.h: `app-gnome-firefox\x2desr-1234.scope` is the
/// application "firefox-esr"), or else (2) GLib launched it from a desktop file:
/// GIO_LAUNCHED_DESKTOP_FILE in <pid>/environ, with GIO_LAUNCHED_DESKTOP_FILE_PID equal to its
/// pid. All processes of one unit (or, for (2), of one desktop file id) make one application,
/// measured whole (see ResidentSizeReading; its first process is the lowest pid). The desktop
/// entry of the application's id (DesktopEntryCache, on the folders of the environment at
/// construction) gives the name in the user's languages and the icon, and only an entry that
/// is `regular` lists it: helpers (NoDisplay), hidden entries, ids with no entry and processes
/// of no application are background processes. Only the processes of the user who runs the
/// program (the owner of <root>/<pid>) count. Applications come in the order of their first
/// pid.
///
/// Costs of one listing: the desktop entries' folders are stat'ed (entries are parsed again
/// only when a folder changed, see DesktopEntryCache) and <root> is read, unless no process
/// has started since the last listing: <root>/loadavg names the pid handed out last, and while
/// that stays and no process is young, the last listing stands (only when <root>/self is this
/// process, as loadavg speaks for the reader's pid namespace). That is all for a process seen
/// before whose folder has the same inode (which the listing gives). For a new
/// process, or one whose folder was made again, its stat is read (the start time, field 22);
/// when that start time is new, its cgroup and, when the cgroup names no application, its
/// environ are read, and for a process of an application its folder is stat'ed (its owner).
/// What they say is kept while the process lives, keyed by pid and start time: a process's
/// unit and launch environment do not change. Launchers move a new process into its scope just
/// after starting it, so a process younger than three seconds is looked at again on each
/// listing until it is older. An application's process has its statm opened once and read
/// again through the kept descriptor, one pread a listing: on procfs that descriptor stays
/// with the process, so it reads ESRCH once the process has ended, never the figures of one
/// that took its pid. Nothing is spawned. Not thread-safe.
class ProcWorkspace : public Workspace {
  public:
    explicit ProcWorkspace(std::string procfsRoot = "/proc");

    std::vector<RunningApplication> runningApplications() override;

  private:
    /// A descriptor closed with its owner.
    class KeptFile {
      public:
        KeptFile() = default;
        KeptFile(const KeptFile&) = delete;
        KeptFile& operator=(const KeptFile&) = delete;
        ~KeptFile() { reset(); }
        int get() const { return fd_; }
        void reset(int fd = -1);

      private:
        int fd_ = -1;
    };

    struct ProcessRecord {
        ino_t inode = 0;
        bool ours = false;  ///< the folder belongs to the user who runs the program
        std::optional<std::uint64_t> startTime;
        bool provisional = false;  ///< young: looked at again on the next listing
        std::uint64_t generation = 0;
        // What its cgroup and environment say about its application.
        std::optional<AppUnit> unit;
        std::string launchedId;  ///< the desktop file id of GIO_LAUNCHED_DESKTOP_FILE
        KeptFile statm;          ///< opened at its first measurement
        bool gone = false;       ///< its statm said it has ended
    };

    /// Fills in the record's unit and launchedId.
    void readIdentity(ProcessRecord& record, const std::string& pidFolder, std::int32_t pid);
    bool isYoung(const std::optional<std::uint64_t>& startTime) const;
    /// Reads <root> and brings the records and members_ up to date; false when it cannot.
    bool listProcesses();
    /// Looks at a process new to the listing, or whose folder was made again.
    void examine(ProcessRecord& record, std::int32_t pid, ino_t inode, bool isNew);
    /// <root>/<pid>/statm: Unreadable when the file cannot be read (not ours to read), Short
    /// when it does not hold the field; the record is marked gone when the process has ended.
    ResidentSizeReading residentSize(std::int32_t pid, ProcessRecord& record);
    /// Reads a process's own file into buffer_; false when it cannot be read.
    bool read(const std::string& path, std::size_t limit);

    std::string root_;
    std::uint64_t pageSize_;
    std::uint64_t ticksPerSecond_;
    std::uint32_t uid_;
    DesktopEntryCache desktopEntries_;
    std::unordered_map<std::int32_t, ProcessRecord> processes_;
    std::uint64_t generation_ = 0;
    std::vector<std::int32_t> members_;  ///< the user's processes of some application, by pid
    bool anyYoung_ = false;              ///< a process of the last listing is provisional
    KeptFile loadavg_;                   ///< <root>/loadavg, when it speaks for <root>
    std::optional<std::uint64_t> listedAfterPid_;  ///< the last pid before the last listing
    std::string buffer_;                           // reused for every file read during a listing
};

}  // namespace headroom

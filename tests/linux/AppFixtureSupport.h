#pragma once

// Fixture systems for the desktop-application tests: a fake procfs of processes and XDG data
// folders of desktop entries, built in a temporary folder and named by the environment
// (XDG_DATA_HOME, XDG_DATA_DIRS; LANGUAGE=C for the unlocalized names) while it lives.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>

#include "TestSupport.h"

namespace headroom::test {

/// A procfs tree (<tmp>/proc) and two applications folders: the user's
/// (<tmp>/home/applications, searched first) and the system's (<tmp>/data/applications).
/// Construct the workspace or cache after the fixture: it reads the environment.
class AppFixture {
  public:
    AppFixture() {
        std::filesystem::create_directories(procfs());
        std::filesystem::create_directories(homeApplications());
        std::filesystem::create_directories(dataApplications());
    }

    std::string procfs() const { return dir_ / "proc"; }
    std::string homeApplications() const { return dir_ / "home/applications"; }
    std::string dataApplications() const { return dir_ / "data/applications"; }
    std::string root() const { return dir_.path(); }

    /// <procfs>/<pid>/{cgroup,environ,statm,stat}. `environment` holds NUL-separated variables;
    /// `startTime` is in clock ticks after boot, `defaultStartTime(pid)` unless given.
    void addProcess(std::int32_t pid, std::string_view cgroup, std::string_view environment = {},
                    std::uint64_t residentPages = 1000, std::uint64_t startTime = 0) {
        writeProcess(procfs() + "/" + std::to_string(pid), pid, cgroup, environment, residentPages,
                     startTime == 0 ? defaultStartTime(pid) : startTime);
    }

    /// Under a second after boot: an old process on any machine that runs the tests, so that
    /// what the workspace learns of it is kept (younger ones are looked at again).
    static std::uint64_t defaultStartTime(std::int32_t pid) {
        return 1 + static_cast<std::uint64_t>(pid) % 97;
    }

    /// Replaces a process by a new one with the same pid, as a reused pid looks: a new folder
    /// (a new inode) moved into place.
    void replaceProcess(std::int32_t pid, std::string_view cgroup, std::string_view environment,
                        std::uint64_t residentPages, std::uint64_t startTime) {
        const std::string fresh = procfs() + "/.new-" + std::to_string(pid);
        writeProcess(fresh, pid, cgroup, environment, residentPages, startTime);
        const std::string target = procfs() + "/" + std::to_string(pid);
        std::filesystem::rename(target, procfs() + "/.old-" + std::to_string(pid));
        std::filesystem::rename(fresh, target);
        std::filesystem::remove_all(procfs() + "/.old-" + std::to_string(pid));
    }

    void removeProcess(std::int32_t pid) {
        std::filesystem::remove_all(procfs() + "/" + std::to_string(pid));
    }

    /// A cgroup v2 file naming a unit in the user's app.slice.
    static std::string appSlice(std::string_view unit) {
        return "0::/user.slice/user-1000.slice/user@1000.service/app.slice/" + std::string(unit) +
               "\n";
    }

    /// Writes `folder`/`relative` (subfolders made as needed).
    static void writeEntry(const std::string& folder, const std::string& relative,
                           std::string_view text) {
        const std::filesystem::path path = std::filesystem::path(folder) / relative;
        std::filesystem::create_directories(path.parent_path());
        writeFile(path.string(), text);
    }

    /// Copies a checked-in entry of tests/fixtures/apps/applications.
    static void copyEntry(const std::string& folder, const std::string& relative) {
        writeEntry(folder, relative, readFile(fixturePath("apps/applications/" + relative)));
    }

    /// Sets a folder's mtime `secondsAgo` seconds into the past: a change the cache must see
    /// (a different mtime), and old enough not to be taken as one still under way.
    static void setFolderAge(const std::string& folder, int secondsAgo) {
        timespec times[2];
        ::clock_gettime(CLOCK_REALTIME, &times[0]);
        times[0].tv_sec -= secondsAgo;
        times[1] = times[0];
        ASSERT_EQ(::utimensat(AT_FDCWD, folder.c_str(), times, 0), 0) << folder;
    }

    /// Ages every folder of the applications trees (see setFolderAge).
    void ageAllFolders(int secondsAgo = 120) const {
        for (const std::string& top : {homeApplications(), dataApplications()}) {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(top)) {
                if (entry.is_directory()) {
                    setFolderAge(entry.path().string(), secondsAgo);
                }
            }
            setFolderAge(top, secondsAgo);
        }
    }

  private:
    static void writeProcess(const std::string& folder, std::int32_t pid, std::string_view cgroup,
                             std::string_view environment, std::uint64_t residentPages,
                             std::uint64_t startTime) {
        std::filesystem::create_directories(folder);
        writeFile(folder + "/cgroup", cgroup);
        writeFile(folder + "/environ", environment);
        writeFile(folder + "/statm", std::to_string(residentPages * 2) + " " +
                                         std::to_string(residentPages) + " 100 10 0 500 0\n");
        writeFile(folder + "/stat", std::to_string(pid) +
                                        " (fixture app) S 1 1 1 0 -1 4194560 100 0 0 0 5 3 0 0 "
                                        "20 0 4 0 " +
                                        std::to_string(startTime) + " 123456789 1000 1\n");
    }

    TempDir dir_;
    ScopedEnv dataHome_{"XDG_DATA_HOME", (dir_ / "home").c_str()};
    ScopedEnv dataDirs_{"XDG_DATA_DIRS", (dir_ / "data").c_str()};
    ScopedEnv language_{"LANGUAGE", "C"};
};

}  // namespace headroom::test

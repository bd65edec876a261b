// ProcWorkspace on fixture systems (a fake procfs and XDG data folders) and on the real /proc;
// the rows of the end-to-end fixture (tests/e2e/apps) are not repeated here.

#include "platform/linux/ProcWorkspace.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "AppFixtureSupport.h"

namespace headroom {
namespace {

using namespace std::string_literals;
using test::AppFixture;

constexpr std::string_view kBrowserUnit = R"(app-gnome-firefox\x2desr-4242.scope)";
const std::string kEditorEntry = "[Desktop Entry]\nType=Application\nName=Text Editor\n";

std::uint64_t pageSize() {
    return static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
}

/// The applications listed, by name, with the resident pages of all their processes: every
/// fixture process holds a different number of pages, so the sum tells which ones were counted.
using Listing = std::vector<std::pair<std::string, std::uint64_t>>;

Listing listed(ProcWorkspace& workspace) {
    Listing listing;
    for (const RunningApplication& app : workspace.runningApplications()) {
        EXPECT_EQ(app.residentSize.status, ResidentSizeReading::Status::Ok) << app.localizedName;
        listing.emplace_back(app.localizedName, app.residentSize.residentBytes / pageSize());
    }
    return listing;
}

std::string launchedFrom(const std::string& desktopFile, std::int32_t pid) {
    return "HOME=/home/ada\0GIO_LAUNCHED_DESKTOP_FILE="s + desktopFile +
           "\0GIO_LAUNCHED_DESKTOP_FILE_PID="s + std::to_string(pid) + "\0LANG=C.UTF-8\0"s;
}

/// A browser of three processes, created out of order.
void addBrowser(AppFixture& fixture) {
    AppFixture::copyEntry(fixture.dataApplications(), "firefox-esr.desktop");
    const std::string cgroup = AppFixture::appSlice(kBrowserUnit);
    fixture.addProcess(4301, cgroup, {}, 10000);
    fixture.addProcess(4242, cgroup, {}, 30000);
    fixture.addProcess(4250, cgroup, {}, 20000);
}

TEST(ProcessFacts, ParsersOnProcText) {
    const std::optional<std::uint64_t> none;
    const std::pair<std::string_view, std::optional<std::uint64_t>> stats[] = {
        {"1234 (firefox-esr) S 1 1234 1234 0 -1 4194560 1 2 3 4 5 6 7 8 20 0 30 0 987654 1000 "
         "200 18446744073709551615\n",
         987654},
        // A command name with spaces and parentheses.
        {"77 (a) b (c)) R 1 77 77 0 -1 0 0 0 0 0 0 0 0 0 20 0 1 0 4242 0 0", 4242},
        {"1 (init) S 1 1 1 0 -1 0 0 0 0 0 0 0 0 0 20 0 1 0 17", 17},
        {"1 (init) S 1 1 1 0 -1 0 0 0 0 0 0 0 0 0 20 0 1 0", none},
        {"1 (init) S 1 1 1 0 -1 0 0 0 0 0 0 0 0 0 20 0 1 0 x1", none},
        {"no parenthesis 1 2 3", none},
        {"", none},
    };
    for (const auto& [text, start] : stats) {
        EXPECT_EQ(parseStatStartTime(text), start) << text;
    }
    const std::pair<std::string_view, std::optional<std::uint64_t>> statms[] = {
        {"2048 1000 100 10 0 500 0\n", 1000},
        {"7 0", 0},
        {"4096\n", none},
        {"1 x 3\n", none},
        {"1 2x\n", none},
        {"", none},
    };
    for (const auto& [text, resident] : statms) {
        EXPECT_EQ(parseStatmResidentPages(text), resident) << text;
    }
    const std::pair<std::string_view, std::optional<std::uint64_t>> loadavgs[] = {
        {"0.33 0.48 0.26 1/345 12345\n", 12345},
        {"0.33 0.48 0.26 1/345 12345", 12345},
        {"0.33 0.48 0.26 1/345 \n", none},
        {"0.33 0.48 0.26 1/345 12x\n", none},
        {"12345\n", none},
        {"", none},
    };
    for (const auto& [text, pid] : loadavgs) {
        EXPECT_EQ(parseLastPid(text), pid) << text;
    }
    const std::optional<std::string> noFile;
    const std::string gedit = "/usr/share/applications/org.gnome.gedit.desktop";
    const std::string environment = "HOME=/home/u\0GIO_LAUNCHED_DESKTOP_FILE="s + gedit +
                                    "\0LANG=de_DE.UTF-8\0GIO_LAUNCHED_DESKTOP_FILE_PID=4321\0"s;
    const std::tuple<std::string, std::int32_t, std::optional<std::string>> launches[] = {
        {environment, 4321, gedit},
        {environment, 4322, noFile},  // a child inherits the variables with its parent's pid
        {"GIO_LAUNCHED_DESKTOP_FILE=/a.desktop\0"s, 1, noFile},
        {"GIO_LAUNCHED_DESKTOP_FILE_PID=1\0"s, 1, noFile},
        {"GIO_LAUNCHED_DESKTOP_FILE_PID=12x\0GIO_LAUNCHED_DESKTOP_FILE=/a.desktop\0"s, 12, noFile},
        {"GIO_LAUNCHED_DESKTOP_FILE=\0GIO_LAUNCHED_DESKTOP_FILE_PID=9\0"s, 9, noFile},
        // The last variable may lack its NUL.
        {"GIO_LAUNCHED_DESKTOP_FILE=/a.desktop\0GIO_LAUNCHED_DESKTOP_FILE_PID=9"s, 9, "/a.desktop"},
        {"", 1, noFile},
    };
    for (const auto& [text, pid, file] : launches) {
        EXPECT_EQ(parseLaunchedDesktopFile(text, pid), file) << text;
    }
}

TEST(ProcWorkspace, ProcessesMakeApplicationsInTheOrderOfTheirFirstPid) {
    AppFixture fixture;
    addBrowser(fixture);
    const std::string data = fixture.dataApplications();
    for (const char* entry : {"org.gnome.Terminal.desktop", "kde/dolphin.desktop"}) {
        AppFixture::copyEntry(data, entry);
    }
    AppFixture::writeEntry(data, "org.gnome.gedit.desktop", kEditorEntry);
    AppFixture::writeEntry(data, "org.example.Link.desktop",
                           "[Desktop Entry]\nType=Link\nName=Link\nURL=https://example.org/\n");
    const std::string gedit = data + "/org.gnome.gedit.desktop";
    const std::string session = "0::/user.slice/user-1000.slice/session-2.scope\n";
    struct Process {
        std::int32_t pid;
        std::string cgroup;
        std::string environment;
        std::uint64_t pages;
    };
    const Process processes[] = {
        // A D-Bus activated service is an application when its bus name has an entry; one with
        // none is a plain service, though its launch environment may still name one.
        {70, AppFixture::appSlice("dbus-:1.2-org.gnome.Terminal@0.service"), {}, 1},
        {80, AppFixture::appSlice("dbus-:1.2-org.freedesktop.FileManager1@0.service"), {}, 2},
        {90, AppFixture::appSlice("dbus-:1.2-org.gtk.vfs.Daemon@0.service"),
         launchedFrom(gedit, 90), 4},
        // Ids with unescaped dashes and subfolder ids resolve against the entries; a second
        // unit of one application is a second application.
        {100, AppFixture::appSlice("app-gnome-firefox-esr-100.scope"), {}, 8},
        {200, AppFixture::appSlice(R"(app-KDE-kde\x2ddolphin@5.service)"), {}, 16},
        // Not regular (NoDisplay, Hidden and ids with no entry are checked end to end): a link,
        // and the login helper, started by XDG autostart with no applications entry.
        {800, AppFixture::appSlice("app-gnome-org.example.Link-800.scope"), {}, 32},
        {950, AppFixture::appSlice("app-com.Tidewell.Helper@autostart.service"), {}, 32},
        // Of no application.
        {1300, AppFixture::appSlice("dbus.service"), {}, 32},
        {1500, "", {}, 32},
        // A browser process that GLib launched from the editor's file belongs to its unit.
        {4400, AppFixture::appSlice(kBrowserUnit), launchedFrom(gedit, 4400), 64},
        // Launches of the editor's file join, whatever their cgroup.
        {5000, session, launchedFrom(gedit, 5000), 128},
        {5100, session, launchedFrom(gedit, 5100), 256},
    };
    for (const Process& p : processes) {
        fixture.addProcess(p.pid, p.cgroup, p.environment, p.pages);
    }
    // What else a proc folder holds.
    std::filesystem::create_directories(fixture.procfs() + "/self");
    AppFixture::writeEntry(fixture.procfs(), "meminfo", "MemTotal: 8388608 kB\n");
    ProcWorkspace workspace(fixture.procfs());
    EXPECT_EQ(listed(workspace), (Listing{{"Terminal", 1},
                                          {"Text Editor", 4 + 128 + 256},
                                          {"Firefox ESR", 8},
                                          {"Dolphin", 16},
                                          {"Firefox ESR", 60000 + 64}}));
    EXPECT_EQ(workspace.runningApplications().at(0).iconName, "org.gnome.Terminal");
}

TEST(ProcWorkspace, AnApplicationIsMeasuredWhileAnyOfItsProcessesCanBe) {
    using Status = ResidentSizeReading::Status;
    struct Case {
        const char* name;
        std::vector<std::pair<std::int32_t, const char*>> statms;  ///< a FIFO when null
        Status status;
        std::uint64_t pages;
        std::vector<std::pair<Status, std::string>> unmeasured;  ///< pid and what it says
    };
    const Case cases[] = {
        {"first unreadable", {{4242, nullptr}}, Status::Ok, 30000, {{Status::Unreadable, "4242"}}},
        {"later short", {{4301, "4096\n"}}, Status::Ok, 50000, {{Status::Short, "4301"}}},
        {"none readable",
         {{4242, "x"}, {4250, nullptr}, {4301, nullptr}},
         Status::Short,
         0,
         {{Status::Unreadable, "4250"}, {Status::Unreadable, "4301"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppFixture fixture;
        addBrowser(fixture);
        for (const auto& [pid, text] : c.statms) {
            const std::string path = fixture.procfs() + "/" + std::to_string(pid) + "/statm";
            std::filesystem::remove(path);
            if (text == nullptr) {
                ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
            } else {
                test::writeFile(path, text);
            }
        }
        ProcWorkspace workspace(fixture.procfs());
        const auto applications = workspace.runningApplications();
        ASSERT_EQ(applications.size(), 1u);
        const ResidentSizeReading& reading = applications[0].residentSize;
        EXPECT_EQ(reading.status, c.status);
        EXPECT_EQ(reading.residentBytes / pageSize(), c.pages);
        ASSERT_EQ(reading.unmeasured.size(), c.unmeasured.size());
        for (std::size_t i = 0; i < c.unmeasured.size(); ++i) {
            EXPECT_EQ(reading.unmeasured[i].first, c.unmeasured[i].first);
            const std::string file = fixture.procfs() + "/" + c.unmeasured[i].second + "/statm";
            EXPECT_TRUE(reading.unmeasured[i].second.starts_with(file) ||
                        reading.unmeasured[i].second.find(" " + file + ":") != std::string::npos)
                << reading.unmeasured[i].second;
        }
        if (c.status != Status::Ok) {
            EXPECT_EQ(reading.problem, fixture.procfs() + "/4242/statm holds no resident size");
        }
    }

    ProcWorkspace missing(AppFixture().root() + "/no-such-proc");
    EXPECT_TRUE(missing.runningApplications().empty());
}

TEST(ProcWorkspace, WhatAProcessSaysIsKeptWhileItLives) {
    AppFixture fixture;
    addBrowser(fixture);
    AppFixture::writeEntry(fixture.dataApplications(), "org.gnome.gedit.desktop", kEditorEntry);
    fixture.addProcess(1200, "0::/user.slice/user-1000.slice/session-2.scope\n", {}, 7);
    fixture.ageAllFolders();
    ProcWorkspace workspace(fixture.procfs());
    EXPECT_EQ(listed(workspace), (Listing{{"Firefox ESR", 60000}}));
    const std::string editorUnit = AppFixture::appSlice("app-gnome-org.gnome.gedit-1.scope");

    // A process's unit does not change: its cgroup is not read again ...
    AppFixture::writeEntry(fixture.procfs(), "1200/cgroup", editorUnit);
    EXPECT_EQ(listed(workspace), (Listing{{"Firefox ESR", 60000}}));
    // ... nor when its folder is made again for the same process (the same start time).
    fixture.replaceProcess(4250, editorUnit, {}, 20000, AppFixture::defaultStartTime(4250));
    EXPECT_EQ(listed(workspace), (Listing{{"Firefox ESR", 60000}}));

    // A reused pid is a new process; a new entry names it at once.
    fixture.replaceProcess(4301, AppFixture::appSlice("app-gnome-org.example.New-4301.scope"), {},
                           500, AppFixture::defaultStartTime(4301) + 1);
    AppFixture::writeEntry(fixture.homeApplications(), "org.example.New.desktop",
                           "[Desktop Entry]\nType=Application\nName=New\n");
    AppFixture::setFolderAge(fixture.homeApplications(), 60);
    EXPECT_EQ(listed(workspace), (Listing{{"Firefox ESR", 50000}, {"New", 500}}));

    // A process that has gone is forgotten: a new one with its pid and start time is read.
    fixture.removeProcess(4250);
    EXPECT_EQ(listed(workspace), (Listing{{"Firefox ESR", 30000}, {"New", 500}}));
    fixture.addProcess(4250, editorUnit, {}, 20000);
    const Listing now = {{"Firefox ESR", 30000}, {"Text Editor", 20000}, {"New", 500}};
    EXPECT_EQ(listed(workspace), now);

    // What an old process's launch environment said goes with it when its pid is reused.
    const std::string session = "0::/user.slice/user-1000.slice/session-2.scope\n";
    const std::string gedit = fixture.dataApplications() + "/org.gnome.gedit.desktop";
    const std::uint64_t started = AppFixture::defaultStartTime(1200);
    fixture.replaceProcess(1200, session, launchedFrom(gedit, 1200), 7, started + 1);
    Listing withLaunch = now;
    withLaunch.insert(withLaunch.begin(), {"Text Editor", 7});
    EXPECT_EQ(listed(workspace), withLaunch);
    fixture.replaceProcess(1200, session, {}, 7, started + 2);
    EXPECT_EQ(listed(workspace), now);
}

TEST(ProcWorkspace, ProcIsListedAgainOnlyOnceAProcessStarted) {
    AppFixture fixture;
    addBrowser(fixture);
    AppFixture::writeEntry(fixture.dataApplications(), "org.gnome.gedit.desktop", kEditorEntry);
    const std::string editorUnit = AppFixture::appSlice("app-gnome-org.gnome.gedit-1.scope");
    std::filesystem::create_symlink(std::to_string(::getpid()), fixture.procfs() + "/self");
    AppFixture::writeEntry(fixture.procfs(), "loadavg", "0.00 0.01 0.05 1/90 4301\n");
    ProcWorkspace workspace(fixture.procfs());
    EXPECT_EQ(listed(workspace), (Listing{{"Firefox ESR", 60000}}));
    // The folder of a process that came without a new pid (impossible on procfs) is not seen,
    // and the sizes are read again through the kept statm ...
    fixture.addProcess(5000, editorUnit, {}, 7);
    AppFixture::writeEntry(fixture.procfs(), "4242/statm", "40000 40000 0 0 0 0 0\n");
    EXPECT_EQ(listed(workspace), (Listing{{"Firefox ESR", 70000}}));
    // ... until the last pid moves on.
    AppFixture::writeEntry(fixture.procfs(), "loadavg", "0.00 0.01 0.05 1/91 5000\n");
    EXPECT_EQ(listed(workspace), (Listing{{"Firefox ESR", 70000}, {"Text Editor", 7}}));
}

TEST(ProcWorkspace, AYoungProcessIsLookedAtAgainUntilItSettles) {
    AppFixture fixture;
    AppFixture::copyEntry(fixture.dataApplications(), "firefox-esr.desktop");
    timespec now{};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    const auto ticks = static_cast<std::uint64_t>(::sysconf(_SC_CLK_TCK));
    // Started a moment ago and still in its launcher's cgroup.
    fixture.addProcess(7000,
                       "0::/user.slice/user-1000.slice/user@1000.service/session.slice/"
                       "org.gnome.Shell@wayland.service\n",
                       {}, 1000, static_cast<std::uint64_t>(now.tv_sec) * ticks);
    ProcWorkspace workspace(fixture.procfs());
    EXPECT_TRUE(workspace.runningApplications().empty());
    // The launcher has moved it into its scope by the next listing.
    AppFixture::writeEntry(fixture.procfs(), "7000/cgroup", AppFixture::appSlice(kBrowserUnit));
    EXPECT_EQ(listed(workspace), (Listing{{"Firefox ESR", 1000}}));
}

TEST(ProcWorkspace, OnlyTheUsersOwnProcessesCount) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "giving a process folder to another user takes root";
    }
    AppFixture fixture;
    addBrowser(fixture);
    ASSERT_EQ(::chown((fixture.procfs() + "/4242").c_str(), 65534, 65534), 0);
    ProcWorkspace workspace(fixture.procfs());
    // The browser's first process of this user is 4250 now.
    EXPECT_EQ(listed(workspace), (Listing{{"Firefox ESR", 30000}}));
}

TEST(ProcWorkspace, RealProcFindsAProcessGlibLaunched) {
    // Inside an application's unit (a terminal's) the child would be in that unit, which comes
    // first.
    if (appUnitOfCgroupFile(test::readFile("/proc/self/cgroup"))) {
        GTEST_SKIP() << "this test runs inside an application's unit";
    }
    AppFixture fixture;
    AppFixture::writeEntry(fixture.dataApplications(), "org.example.HeadroomTest.desktop",
                           "[Desktop Entry]\nType=Application\nName=Headroom Test\n");
    const std::string file = fixture.dataApplications() + "/org.example.HeadroomTest.desktop";
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const std::string fileVariable = "GIO_LAUNCHED_DESKTOP_FILE=" + file;
        const std::string pidVariable =
            "GIO_LAUNCHED_DESKTOP_FILE_PID=" + std::to_string(::getpid());
        char* const environment[] = {const_cast<char*>(fileVariable.c_str()),
                                     const_cast<char*>(pidVariable.c_str()), nullptr};
        ::execle("/bin/sleep", "sleep", "30", static_cast<char*>(nullptr), environment);
        ::_exit(127);
    }
    // The child's environment is its own once it has run exec: wait for that.
    const auto find = [](ProcWorkspace& workspace) {
        std::optional<RunningApplication> found;
        for (const auto& app : workspace.runningApplications()) {
            if (app.localizedName == "Headroom Test") {
                found = app;
            }
        }
        return found;
    };
    std::optional<RunningApplication> found;
    auto workspace = std::make_unique<ProcWorkspace>("/proc");
    for (int attempt = 0; attempt < 200 && !found; ++attempt) {
        workspace = std::make_unique<ProcWorkspace>("/proc");
        found = find(*workspace);
        if (!found) {
            ::usleep(10000);
        }
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->residentSize.status, ResidentSizeReading::Status::Ok);
    EXPECT_GT(found->residentSize.residentBytes, 0u);
    // Ended: its kept statm says so (ESRCH), or /proc is listed again; either way it is gone,
    // not an application that cannot be measured.
    EXPECT_FALSE(find(*workspace));
}

}  // namespace
}  // namespace headroom

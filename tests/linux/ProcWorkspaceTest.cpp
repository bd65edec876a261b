// ProcWorkspace on fixture systems (a fake procfs and XDG data folders) and on the real /proc.

#include "platform/linux/ProcWorkspace.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "AppFixtureSupport.h"

namespace headroom {
namespace {

using namespace std::string_literals;
using test::AppFixture;

constexpr std::string_view kBrowserUnit = R"(app-gnome-firefox\x2desr-4242.scope)";

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

TEST(ProcessFacts, StartTimeFromStat) {
    EXPECT_EQ(parseStatStartTime("1234 (firefox-esr) S 1 1234 1234 0 -1 4194560 1 2 3 4 5 6 7 8 "
                                 "20 0 30 0 987654 1000 200 18446744073709551615\n"),
              987654u);
    // A command name with spaces and parentheses.
    EXPECT_EQ(
        parseStatStartTime("77 (a) b (c)) R 1 77 77 0 -1 0 0 0 0 0 0 0 0 0 20 0 1 0 4242 0 0"),
        4242u);
    EXPECT_EQ(parseStatStartTime("1 (init) S 1 1 1 0 -1 0 0 0 0 0 0 0 0 0 20 0 1 0 17"), 17u);
    EXPECT_EQ(parseStatStartTime("1 (init) S 1 1 1 0 -1 0 0 0 0 0 0 0 0 0 20 0 1 0"), std::nullopt);
    EXPECT_EQ(parseStatStartTime("1 (init) S 1 1 1 0 -1 0 0 0 0 0 0 0 0 0 20 0 1 0 x1"),
              std::nullopt);
    EXPECT_EQ(parseStatStartTime("no parenthesis 1 2 3"), std::nullopt);
    EXPECT_EQ(parseStatStartTime(""), std::nullopt);
}

TEST(ProcessFacts, LaunchedDesktopFileNeedsItsPid) {
    using namespace std::string_literals;
    const std::string environment =
        "HOME=/home/u\0GIO_LAUNCHED_DESKTOP_FILE=/usr/share/applications/org.gnome.gedit.desktop\0"
        "LANG=de_DE.UTF-8\0GIO_LAUNCHED_DESKTOP_FILE_PID=4321\0"s;
    EXPECT_EQ(parseLaunchedDesktopFile(environment, 4321),
              "/usr/share/applications/org.gnome.gedit.desktop");
    // A child inherits the variables with its parent's pid.
    EXPECT_EQ(parseLaunchedDesktopFile(environment, 4322), std::nullopt);
    EXPECT_EQ(parseLaunchedDesktopFile("GIO_LAUNCHED_DESKTOP_FILE=/a.desktop\0"s, 1), std::nullopt);
    EXPECT_EQ(parseLaunchedDesktopFile("GIO_LAUNCHED_DESKTOP_FILE_PID=1\0"s, 1), std::nullopt);
    EXPECT_EQ(parseLaunchedDesktopFile(
                  "GIO_LAUNCHED_DESKTOP_FILE_PID=12x\0GIO_LAUNCHED_DESKTOP_FILE=/a.desktop\0"s, 12),
              std::nullopt);
    // The last variable may lack its NUL.
    EXPECT_EQ(parseLaunchedDesktopFile(
                  "GIO_LAUNCHED_DESKTOP_FILE=/a.desktop\0GIO_LAUNCHED_DESKTOP_FILE_PID=9"s, 9),
              "/a.desktop");
    EXPECT_EQ(parseLaunchedDesktopFile("", 1), std::nullopt);
}

TEST(ProcWorkspace, ABrowserUnitOfThreeProcessesIsOneApplicationMeasuredWhole) {
    AppFixture fixture;
    addBrowser(fixture);
    ProcWorkspace workspace(fixture.procfs(), fixture.settings());
    const auto apps = workspace.runningApplications();
    ASSERT_EQ(apps.size(), 1u);
    EXPECT_EQ(apps[0].localizedName, "Firefox ESR");
    EXPECT_EQ(apps[0].iconName, "firefox-esr");
    EXPECT_EQ(apps[0].residentSize.residentBytes, 60000 * pageSize());
    EXPECT_EQ(workspace.residentSize(4242).residentBytes, 30000 * pageSize());

    // A later process gone since the listing adds nothing; the first decides the reading.
    std::filesystem::remove(fixture.procfs() + "/4301/statm");
    EXPECT_EQ(listed(workspace), (Listing{{"Firefox ESR", 50000}}));
    AppFixture::writeEntry(fixture.procfs(), "4242/statm", "4096\n");
    auto reading = workspace.runningApplications().at(0).residentSize;
    EXPECT_EQ(reading.status, ResidentSizeReading::Status::Short);
    EXPECT_EQ(reading.problem, fixture.procfs() + "/4242/statm holds no resident size");
    std::filesystem::remove(fixture.procfs() + "/4242/statm");
    reading = workspace.runningApplications().at(0).residentSize;
    EXPECT_EQ(reading.status, ResidentSizeReading::Status::Unreadable);
    EXPECT_NE(reading.problem.find(fixture.procfs() + "/4242/statm"), std::string::npos);
}

TEST(ProcWorkspace, LaunchedDesktopFileWithItsOwnPid) {
    AppFixture fixture;
    AppFixture::writeEntry(fixture.dataApplications(), "org.gnome.gedit.desktop",
                           "[Desktop Entry]\nType=Application\nName=Text Editor\nIcon=gedit\n");
    const std::string file = fixture.dataApplications() + "/org.gnome.gedit.desktop";
    const std::string session = "0::/user.slice/user-1000.slice/session-2.scope\n";
    fixture.addProcess(5000, session, launchedFrom(file, 5000), 4000);
    // Its child inherits the variables with the parent's pid: not part of the application.
    fixture.addProcess(5001, session, launchedFrom(file, 5000), 8000);
    // A second launch of the same desktop file joins the application.
    fixture.addProcess(5100, session, launchedFrom(file, 5100), 1000);
    // Launched from some other file, with a mismatching pid: nothing.
    fixture.addProcess(5200, session,
                       launchedFrom(fixture.dataApplications() + "/other.desktop", 1), 1000);
    ProcWorkspace workspace(fixture.procfs(), fixture.settings());
    EXPECT_EQ(listed(workspace), (Listing{{"Text Editor", 5000}}));
    EXPECT_EQ(workspace.runningApplications().at(0).iconName, "gedit");
}

TEST(ProcWorkspace, TheUnitComesBeforeTheEnvironment) {
    AppFixture fixture;
    addBrowser(fixture);
    AppFixture::writeEntry(fixture.dataApplications(), "org.gnome.gedit.desktop",
                           "[Desktop Entry]\nType=Application\nName=Text Editor\n");
    // A browser process that GLib launched from the editor's file still belongs to its unit.
    fixture.addProcess(4400, AppFixture::appSlice(kBrowserUnit),
                       launchedFrom(fixture.dataApplications() + "/org.gnome.gedit.desktop", 4400));
    ProcWorkspace workspace(fixture.procfs(), fixture.settings());
    EXPECT_EQ(listed(workspace), (Listing{{"Firefox ESR", 61000}}));
}

TEST(ProcWorkspace, OnlyRegularApplicationsAreListed) {
    AppFixture fixture;
    addBrowser(fixture);
    AppFixture::copyEntry(fixture.dataApplications(), "org.freedesktop.portal.Helper.desktop");
    AppFixture::writeEntry(fixture.dataApplications(), "org.example.Hidden.desktop",
                           "[Desktop Entry]\nType=Application\nName=Hidden\nHidden=true\n");
    AppFixture::writeEntry(fixture.dataApplications(), "org.example.Link.desktop",
                           "[Desktop Entry]\nType=Link\nName=Link\nURL=https://example.org/\n");
    // A helper with NoDisplay, a hidden entry, a link, an id with no entry, and the login
    // helper, started by XDG autostart with no applications entry.
    fixture.addProcess(600, AppFixture::appSlice("app-org.freedesktop.portal.Helper@1.service"));
    fixture.addProcess(700, AppFixture::appSlice("app-gnome-org.example.Hidden-700.scope"));
    fixture.addProcess(800, AppFixture::appSlice("app-gnome-org.example.Link-800.scope"));
    fixture.addProcess(900, AppFixture::appSlice("app-gnome-org.example.Unknown-900.scope"));
    fixture.addProcess(950, AppFixture::appSlice("app-com.Tidewell.Helper@autostart.service"));
    // Processes of no application, and what else a proc folder holds.
    fixture.addProcess(1200, "0::/user.slice/user-1000.slice/session-2.scope\n");
    fixture.addProcess(1300, AppFixture::appSlice("dbus.service"));
    fixture.addProcess(1400,
                       "0::/user.slice/user-1000.slice/user@1000.service/session.slice/"
                       "org.gnome.Shell@wayland.service\n");
    fixture.addProcess(1500, "");  // an unreadable-looking cgroup
    std::filesystem::create_directories(fixture.procfs() + "/self");
    std::filesystem::create_directories(fixture.procfs() + "/sys");
    AppFixture::writeEntry(fixture.procfs(), "meminfo", "MemTotal: 8388608 kB\n");
    ProcWorkspace workspace(fixture.procfs(), fixture.settings());
    EXPECT_EQ(listed(workspace), (Listing{{"Firefox ESR", 60000}}));
}

TEST(ProcWorkspace, LocalizedNamesInTheOrderOfTheFirstPid) {
    AppFixture fixture;
    addBrowser(fixture);
    AppFixture::copyEntry(fixture.dataApplications(), "org.gnome.Terminal.desktop");
    fixture.addProcess(3000,
                       "0::/user.slice/user-1000.slice/user@1000.service/app.slice/"
                       "app-org.gnome.Terminal.slice/gnome-terminal-server.service\n");
    // The terminal's shell is no part of it.
    fixture.addProcess(3010,
                       "0::/user.slice/user-1000.slice/user@1000.service/app.slice/"
                       "app-org.gnome.Terminal.slice/vte-spawn-1f6bcd7e-6a3b-4cbe-9d0b-"
                       "0e5b8f7e3a21.scope\n",
                       {}, 7);
    for (const auto& [locale, browser, terminal] :
         {std::tuple<std::string, std::string, std::string>{
              "de_DE.UTF-8", "Firefox ESR (Erweiterte Unterstützung)", "Terminal"},
          {"pt_BR.UTF-8", "Firefox ESR", "Terminal do GNOME"},
          {"sr_RS.UTF-8@latin", "Firefox ESR", "Terminal (latinica)"},
          {"C", "Firefox ESR", "Terminal"}}) {
        ProcWorkspace workspace(fixture.procfs(), fixture.settings(locale));
        EXPECT_EQ(listed(workspace), (Listing{{terminal, 1000}, {browser, 60000}})) << locale;
    }
}

TEST(ProcWorkspace, UnescapedDashesResolveAgainstEntriesAndSubfolderIds) {
    AppFixture fixture;
    AppFixture::copyEntry(fixture.dataApplications(), "firefox-esr.desktop");
    AppFixture::copyEntry(fixture.dataApplications(), "kde/dolphin.desktop");
    fixture.addProcess(100, AppFixture::appSlice("app-gnome-firefox-esr-100.scope"));
    fixture.addProcess(200, AppFixture::appSlice(R"(app-KDE-kde\x2ddolphin@5.service)"));
    ProcWorkspace workspace(fixture.procfs(), fixture.settings());
    EXPECT_EQ(listed(workspace), (Listing{{"Firefox ESR", 1000}, {"Dolphin", 1000}}));
}

TEST(ProcWorkspace, DbusActivatedApplication) {
    AppFixture fixture;
    AppFixture::copyEntry(fixture.dataApplications(), "org.gnome.Terminal.desktop");
    AppFixture::writeEntry(fixture.dataApplications(), "org.gnome.gedit.desktop",
                           "[Desktop Entry]\nType=Application\nName=Text Editor\n");
    fixture.addProcess(70, AppFixture::appSlice("dbus-:1.2-org.gnome.Terminal@0.service"));
    // A bus name with no entry is a plain service; its launch environment may still say more.
    fixture.addProcess(80,
                       AppFixture::appSlice("dbus-:1.2-org.freedesktop.FileManager1@0.service"));
    fixture.addProcess(90, AppFixture::appSlice("dbus-:1.2-org.gtk.vfs.Daemon@0.service"),
                       launchedFrom(fixture.dataApplications() + "/org.gnome.gedit.desktop", 90));
    ProcWorkspace workspace(fixture.procfs(), fixture.settings());
    EXPECT_EQ(listed(workspace), (Listing{{"Terminal", 1000}, {"Text Editor", 1000}}));
}

TEST(ProcWorkspace, OtherUsersProcessesAreNotListed) {
    AppFixture fixture;
    addBrowser(fixture);
    auto settings = fixture.settings();
    settings.uid = static_cast<std::uint32_t>(::getuid()) + 1;
    ProcWorkspace workspace(fixture.procfs(), settings);
    EXPECT_TRUE(workspace.runningApplications().empty());
    EXPECT_EQ(workspace.knownProcessCount(), 0u);
    EXPECT_EQ(workspace.identityReadCount(), 0u);
}

TEST(ProcWorkspace, ANewEntryIsSeenOnTheNextListing) {
    AppFixture fixture;
    addBrowser(fixture);
    AppFixture::copyEntry(fixture.dataApplications(), "org.gnome.Terminal.desktop");
    fixture.addProcess(6000, AppFixture::appSlice("app-gnome-org.example.New-6000.scope"), {}, 5);
    fixture.ageAllFolders(120);
    ProcWorkspace workspace(fixture.procfs(), fixture.settings("de_DE.UTF-8"));
    const std::string browser = "Firefox ESR (Erweiterte Unterstützung)";
    EXPECT_EQ(listed(workspace), (Listing{{browser, 60000}}));

    // Unchanged folders: nothing listed or read again.
    listed(workspace);
    EXPECT_EQ(workspace.desktopEntries().scanCount(), 1u);

    AppFixture::writeEntry(fixture.homeApplications(), "org.example.New.desktop",
                           "[Desktop Entry]\nType=Application\nName=New\nName[de]=Neu\n");
    AppFixture::setFolderAge(fixture.homeApplications(), 60);
    EXPECT_EQ(listed(workspace), (Listing{{browser, 60000}, {"Neu", 5}}));
    EXPECT_EQ(workspace.desktopEntries().scanCount(), 2u);
}

TEST(ProcWorkspace, ProcessFactsAreReadOncePerProcess) {
    AppFixture fixture;
    addBrowser(fixture);
    fixture.addProcess(1200, "0::/user.slice/user-1000.slice/session-2.scope\n");
    ProcWorkspace workspace(fixture.procfs(), fixture.settings());
    workspace.runningApplications();
    EXPECT_EQ(workspace.identityReadCount(), 4u);
    EXPECT_EQ(workspace.knownProcessCount(), 4u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(workspace.runningApplications().size(), 1u);
    }
    EXPECT_EQ(workspace.identityReadCount(), 4u);

    // A process that has gone is forgotten.
    fixture.removeProcess(4301);
    EXPECT_EQ(listed(workspace), (Listing{{"Firefox ESR", 50000}}));
    EXPECT_EQ(workspace.knownProcessCount(), 3u);
    EXPECT_EQ(workspace.identityReadCount(), 4u);
}

TEST(ProcWorkspace, AReusedPidIsANewProcess) {
    AppFixture fixture;
    addBrowser(fixture);
    AppFixture::writeEntry(fixture.dataApplications(), "org.gnome.gedit.desktop",
                           "[Desktop Entry]\nType=Application\nName=Text Editor\n");
    ProcWorkspace workspace(fixture.procfs(), fixture.settings());
    ASSERT_EQ(workspace.runningApplications().size(), 1u);
    const std::size_t reads = workspace.identityReadCount();

    // Pid 4301 ends and a new process of another application gets the same pid.
    fixture.replaceProcess(4301, AppFixture::appSlice("app-gnome-org.gnome.gedit-4301.scope"), {},
                           500, AppFixture::defaultStartTime(4301) + 1);
    EXPECT_EQ(listed(workspace), (Listing{{"Firefox ESR", 50000}, {"Text Editor", 500}}));
    EXPECT_EQ(workspace.identityReadCount(), reads + 1);

    // A folder made again for the same process (same start time) is not read again.
    fixture.replaceProcess(4250, AppFixture::appSlice(kBrowserUnit), {}, 20000,
                           AppFixture::defaultStartTime(4250));
    EXPECT_EQ(listed(workspace), (Listing{{"Firefox ESR", 50000}, {"Text Editor", 500}}));
    EXPECT_EQ(workspace.identityReadCount(), reads + 1);
}

TEST(ProcWorkspace, AYoungProcessIsLookedAtAgainUntilItSettles) {
    AppFixture fixture;
    AppFixture::copyEntry(fixture.dataApplications(), "firefox-esr.desktop");
    timespec now{};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    const auto ticks = static_cast<std::uint64_t>(::sysconf(_SC_CLK_TCK));
    const std::uint64_t justNow = static_cast<std::uint64_t>(now.tv_sec) * ticks;
    // Started a moment ago and still in its launcher's cgroup.
    fixture.addProcess(7000,
                       "0::/user.slice/user-1000.slice/user@1000.service/session.slice/"
                       "org.gnome.Shell@wayland.service\n",
                       {}, 1000, justNow);
    ProcWorkspace workspace(fixture.procfs(), fixture.settings());
    EXPECT_TRUE(workspace.runningApplications().empty());
    // The launcher has moved it into its scope by the next listing.
    AppFixture::writeEntry(fixture.procfs(), "7000/cgroup", AppFixture::appSlice(kBrowserUnit));
    EXPECT_EQ(listed(workspace), (Listing{{"Firefox ESR", 1000}}));
    EXPECT_EQ(workspace.identityReadCount(), 2u);
}

TEST(ProcWorkspace, MissingProcfsListsNothing) {
    AppFixture fixture;
    ProcWorkspace workspace(fixture.root() + "/no-such-proc", fixture.settings());
    EXPECT_TRUE(workspace.runningApplications().empty());
    EXPECT_EQ(workspace.residentSize(1).status, ResidentSizeReading::Status::Unreadable);
}

TEST(ProcWorkspace, RealProcListingRuns) {
    ProcWorkspace workspace;  // /proc, this user, the real XDG folders and locale
    const auto apps = workspace.runningApplications();
    EXPECT_GE(workspace.knownProcessCount(), 1u);  // this test's own process at least
    for (const auto& app : apps) {
        EXPECT_FALSE(app.localizedName.empty());
        if (app.residentSize.status == ResidentSizeReading::Status::Ok) {
            EXPECT_GT(app.residentSize.residentBytes, 0u) << app.localizedName;
        }
    }
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
    std::optional<RunningApplication> found;
    for (int attempt = 0; attempt < 200 && !found; ++attempt) {
        ProcWorkspace workspace("/proc", fixture.settings());
        for (const auto& app : workspace.runningApplications()) {
            if (app.localizedName == "Headroom Test") {
                found = app;
            }
        }
        if (!found) {
            ::usleep(10000);
        }
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->residentSize.status, ResidentSizeReading::Status::Ok);
    EXPECT_GT(found->residentSize.residentBytes, 0u);
}

}  // namespace
}  // namespace headroom

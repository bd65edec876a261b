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

const RunningApplication* findApp(const std::vector<RunningApplication>& apps,
                                  std::string_view bundleIdentifier) {
    for (const auto& app : apps) {
        if (app.bundleIdentifier == bundleIdentifier) {
            return &app;
        }
    }
    return nullptr;
}

/// The resident size of a whole application, as the core adds it up.
std::uint64_t residentBytes(ProcWorkspace& workspace, const RunningApplication& app) {
    std::uint64_t total = 0;
    for (const std::int32_t pid : app.processIdentifiers) {
        const auto reading = workspace.residentSize(pid);
        EXPECT_EQ(reading.status, ResidentSizeReading::Status::Ok) << pid;
        total += reading.residentBytes;
    }
    return total;
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

TEST(ProcWorkspace, ABrowserUnitOfThreeProcessesIsOneApplication) {
    AppFixture fixture;
    addBrowser(fixture);
    ProcWorkspace workspace(fixture.procfs(), fixture.settings());
    const auto apps = workspace.runningApplications();
    ASSERT_EQ(apps.size(), 1u);
    const RunningApplication& browser = apps.front();
    EXPECT_EQ(browser.bundleIdentifier, "firefox-esr");
    EXPECT_EQ(browser.activationPolicy, ActivationPolicy::Regular);
    EXPECT_EQ(browser.localizedName, "Firefox ESR");
    EXPECT_EQ(browser.iconName, "firefox-esr");
    EXPECT_EQ(browser.processIdentifier, 4242);
    EXPECT_EQ(browser.processIdentifiers, (std::vector<std::int32_t>{4242, 4250, 4301}));
    EXPECT_EQ(residentBytes(workspace, browser), 60000 * pageSize());
    EXPECT_EQ(workspace.residentSize(4242).residentBytes, 30000 * pageSize());
}

TEST(ProcWorkspace, ProcessesOutsideApplicationsAreNotListed) {
    AppFixture fixture;
    addBrowser(fixture);
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
    const auto apps = workspace.runningApplications();
    ASSERT_EQ(apps.size(), 1u);
    EXPECT_EQ(apps.front().bundleIdentifier, "firefox-esr");
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
    const auto apps = workspace.runningApplications();
    ASSERT_EQ(apps.size(), 1u);
    EXPECT_EQ(apps[0].bundleIdentifier, "org.gnome.gedit");
    EXPECT_EQ(apps[0].localizedName, "Text Editor");
    EXPECT_EQ(apps[0].iconName, "gedit");
    EXPECT_EQ(apps[0].activationPolicy, ActivationPolicy::Regular);
    EXPECT_EQ(apps[0].processIdentifiers, (std::vector<std::int32_t>{5000, 5100}));
    EXPECT_EQ(residentBytes(workspace, apps[0]), 5000 * pageSize());
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
    const auto apps = workspace.runningApplications();
    ASSERT_EQ(apps.size(), 1u);
    EXPECT_EQ(apps[0].processIdentifiers, (std::vector<std::int32_t>{4242, 4250, 4301, 4400}));
}

TEST(ProcWorkspace, NotRegularApplications) {
    AppFixture fixture;
    AppFixture::copyEntry(fixture.dataApplications(), "org.freedesktop.portal.Helper.desktop");
    AppFixture::writeEntry(fixture.dataApplications(), "org.example.Hidden.desktop",
                           "[Desktop Entry]\nType=Application\nName=Hidden\nHidden=true\n");
    AppFixture::writeEntry(fixture.dataApplications(), "org.example.Link.desktop",
                           "[Desktop Entry]\nType=Link\nName=Link\nURL=https://example.org/\n");
    fixture.addProcess(600, AppFixture::appSlice("app-org.freedesktop.portal.Helper@1.service"));
    fixture.addProcess(700, AppFixture::appSlice("app-gnome-org.example.Hidden-700.scope"));
    fixture.addProcess(800, AppFixture::appSlice("app-gnome-org.example.Link-800.scope"));
    fixture.addProcess(900, AppFixture::appSlice("app-gnome-org.example.Unknown-900.scope"));
    fixture.addProcess(950, AppFixture::appSlice("app-com.Tidewell.Helper@autostart.service"));
    ProcWorkspace workspace(fixture.procfs(), fixture.settings());
    const auto apps = workspace.runningApplications();
    ASSERT_EQ(apps.size(), 5u);
    // In the order of their first pid.
    EXPECT_EQ(apps[0].bundleIdentifier, "org.freedesktop.portal.Helper");
    EXPECT_EQ(apps[0].activationPolicy, ActivationPolicy::Accessory);
    EXPECT_EQ(apps[0].localizedName, "Portal Helper");
    EXPECT_EQ(apps[1].bundleIdentifier, "org.example.Hidden");
    EXPECT_EQ(apps[1].activationPolicy, ActivationPolicy::Prohibited);
    EXPECT_EQ(apps[2].bundleIdentifier, "org.example.Link");
    EXPECT_EQ(apps[2].activationPolicy, ActivationPolicy::Prohibited);
    EXPECT_EQ(apps[3].bundleIdentifier, "org.example.Unknown");
    EXPECT_EQ(apps[3].activationPolicy, ActivationPolicy::Prohibited);
    EXPECT_EQ(apps[3].localizedName, "org.example.Unknown");
    EXPECT_EQ(apps[3].iconName, "");
    // The login helper, started by XDG autostart, carries its id with no applications entry.
    EXPECT_EQ(apps[4].bundleIdentifier, "com.Tidewell.Helper");
    EXPECT_EQ(apps[4].processIdentifier, 950);
}

TEST(ProcWorkspace, LocalizedNames) {
    AppFixture fixture;
    addBrowser(fixture);
    AppFixture::copyEntry(fixture.dataApplications(), "org.gnome.Terminal.desktop");
    fixture.addProcess(3000,
                       "0::/user.slice/user-1000.slice/user@1000.service/app.slice/"
                       "app-org.gnome.Terminal.slice/gnome-terminal-server.service\n");
    fixture.addProcess(3010,
                       "0::/user.slice/user-1000.slice/user@1000.service/app.slice/"
                       "app-org.gnome.Terminal.slice/vte-spawn-1f6bcd7e-6a3b-4cbe-9d0b-"
                       "0e5b8f7e3a21.scope\n");
    for (const auto& [locale, browser, terminal] :
         {std::tuple<std::string, std::string, std::string>{
              "de_DE.UTF-8", "Firefox ESR (Erweiterte Unterstützung)", "Terminal"},
          {"pt_BR.UTF-8", "Firefox ESR", "Terminal do GNOME"},
          {"sr_RS.UTF-8@latin", "Firefox ESR", "Terminal (latinica)"},
          {"C", "Firefox ESR", "Terminal"}}) {
        ProcWorkspace workspace(fixture.procfs(), fixture.settings(locale));
        const auto apps = workspace.runningApplications();
        ASSERT_EQ(apps.size(), 2u) << locale;
        EXPECT_EQ(findApp(apps, "firefox-esr")->localizedName, browser) << locale;
        const RunningApplication* term = findApp(apps, "org.gnome.Terminal");
        ASSERT_NE(term, nullptr);
        EXPECT_EQ(term->localizedName, terminal) << locale;
        EXPECT_EQ(term->processIdentifiers, (std::vector<std::int32_t>{3000}));
    }
}

TEST(ProcWorkspace, UnescapedDashesResolveAgainstEntriesAndSubfolderIds) {
    AppFixture fixture;
    AppFixture::copyEntry(fixture.dataApplications(), "firefox-esr.desktop");
    AppFixture::copyEntry(fixture.dataApplications(), "kde/dolphin.desktop");
    fixture.addProcess(100, AppFixture::appSlice("app-gnome-firefox-esr-100.scope"));
    fixture.addProcess(200, AppFixture::appSlice(R"(app-KDE-kde\x2ddolphin@5.service)"));
    ProcWorkspace workspace(fixture.procfs(), fixture.settings());
    const auto apps = workspace.runningApplications();
    ASSERT_EQ(apps.size(), 2u);
    EXPECT_EQ(apps[0].bundleIdentifier, "firefox-esr");
    EXPECT_EQ(apps[0].activationPolicy, ActivationPolicy::Regular);
    EXPECT_EQ(apps[1].bundleIdentifier, "kde-dolphin");
    EXPECT_EQ(apps[1].localizedName, "Dolphin");
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
    const auto apps = workspace.runningApplications();
    ASSERT_EQ(apps.size(), 2u);
    EXPECT_EQ(apps[0].bundleIdentifier, "org.gnome.Terminal");
    EXPECT_EQ(apps[0].processIdentifier, 70);
    EXPECT_EQ(apps[1].bundleIdentifier, "org.gnome.gedit");
    EXPECT_EQ(apps[1].processIdentifier, 90);
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

TEST(ProcWorkspace, ANewEntryIsSeenOnTheNextListingWithoutParsingTheOthers) {
    AppFixture fixture;
    addBrowser(fixture);
    AppFixture::copyEntry(fixture.dataApplications(), "org.gnome.Terminal.desktop");
    fixture.addProcess(6000, AppFixture::appSlice("app-gnome-org.example.New-6000.scope"));
    fixture.ageAllFolders(120);
    ProcWorkspace workspace(fixture.procfs(), fixture.settings("de_DE.UTF-8"));
    auto apps = workspace.runningApplications();
    ASSERT_EQ(apps.size(), 2u);
    EXPECT_EQ(findApp(apps, "org.example.New")->activationPolicy, ActivationPolicy::Prohibited);
    EXPECT_EQ(workspace.desktopEntries().parseCount(), 2u);

    // Unchanged folders: nothing listed or parsed again.
    apps = workspace.runningApplications();
    EXPECT_EQ(workspace.desktopEntries().scanCount(), 1u);
    EXPECT_EQ(workspace.desktopEntries().parseCount(), 2u);

    AppFixture::writeEntry(fixture.homeApplications(), "org.example.New.desktop",
                           "[Desktop Entry]\nType=Application\nName=New\nName[de]=Neu\n");
    AppFixture::setFolderAge(fixture.homeApplications(), 60);
    apps = workspace.runningApplications();
    const RunningApplication* fresh = findApp(apps, "org.example.New");
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->activationPolicy, ActivationPolicy::Regular);
    EXPECT_EQ(fresh->localizedName, "Neu");
    EXPECT_EQ(workspace.desktopEntries().scanCount(), 2u);
    EXPECT_EQ(workspace.desktopEntries().parseCount(), 3u);
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
    auto apps = workspace.runningApplications();
    EXPECT_EQ(workspace.knownProcessCount(), 3u);
    ASSERT_EQ(apps.size(), 1u);
    EXPECT_EQ(apps[0].processIdentifiers, (std::vector<std::int32_t>{4242, 4250}));
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
    auto apps = workspace.runningApplications();
    EXPECT_EQ(workspace.identityReadCount(), reads + 1);
    ASSERT_EQ(apps.size(), 2u);
    EXPECT_EQ(findApp(apps, "firefox-esr")->processIdentifiers,
              (std::vector<std::int32_t>{4242, 4250}));
    EXPECT_EQ(findApp(apps, "org.gnome.gedit")->processIdentifiers,
              (std::vector<std::int32_t>{4301}));

    // A folder made again for the same process (same start time) is not read again.
    fixture.replaceProcess(4250, AppFixture::appSlice(kBrowserUnit), {}, 20000,
                           AppFixture::defaultStartTime(4250));
    apps = workspace.runningApplications();
    EXPECT_EQ(workspace.identityReadCount(), reads + 1);
    EXPECT_EQ(findApp(apps, "firefox-esr")->processIdentifiers.size(), 2u);
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
    const auto apps = workspace.runningApplications();
    ASSERT_EQ(apps.size(), 1u);
    EXPECT_EQ(apps[0].bundleIdentifier, "firefox-esr");
    EXPECT_EQ(workspace.identityReadCount(), 2u);
}

TEST(ProcWorkspace, MissingProcfsListsNothing) {
    AppFixture fixture;
    ProcWorkspace workspace(fixture.root() + "/no-such-proc", fixture.settings());
    EXPECT_TRUE(workspace.runningApplications().empty());
    EXPECT_EQ(workspace.residentSize(1).status, ResidentSizeReading::Status::Unreadable);
}

bool processExists(std::int32_t pid) {
    struct stat status {};
    return ::stat(("/proc/" + std::to_string(pid)).c_str(), &status) == 0;
}

const RunningApplication* appWithPid(const std::vector<RunningApplication>& apps,
                                     std::int32_t pid) {
    for (const auto& app : apps) {
        const auto& pids = app.processIdentifiers;
        if (std::find(pids.begin(), pids.end(), pid) != pids.end()) {
            return &app;
        }
    }
    return nullptr;
}

TEST(ProcWorkspace, RealProcListingRunsAndEveryPidExists) {
    ProcWorkspace workspace;  // /proc, this user, the real XDG folders and locale
    const auto apps = workspace.runningApplications();
    EXPECT_GE(workspace.knownProcessCount(), 1u);  // this test's own process at least
    std::vector<std::int32_t> missing;
    for (const auto& app : apps) {
        EXPECT_FALSE(app.bundleIdentifier.empty());
        ASSERT_FALSE(app.processIdentifiers.empty());
        EXPECT_EQ(app.processIdentifier, app.processIdentifiers.front());
        EXPECT_TRUE(std::is_sorted(app.processIdentifiers.begin(), app.processIdentifiers.end()));
        for (const std::int32_t pid : app.processIdentifiers) {
            if (!processExists(pid)) {
                missing.push_back(pid);
            }
        }
    }
    // A process may end between the listing and the check; then the next listing drops it.
    const auto again = workspace.runningApplications();
    for (const std::int32_t pid : missing) {
        EXPECT_EQ(appWithPid(again, pid), nullptr) << pid;
    }
}

TEST(ProcWorkspace, RealProcFindsAProcessGlibLaunched) {
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
    ProcWorkspaceSettings settings = fixture.settings();
    // The child's environment is its own once it has run exec: wait for that.
    std::vector<RunningApplication> apps;
    const RunningApplication* found = nullptr;
    for (int attempt = 0; attempt < 200 && found == nullptr; ++attempt) {
        ProcWorkspace workspace("/proc", settings);
        apps = workspace.runningApplications();
        found = appWithPid(apps, child);
        if (found == nullptr) {
            ::usleep(10000);
        }
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ASSERT_NE(found, nullptr);
    // When this test itself runs inside an application's unit (a terminal's), the child is in
    // that unit too, and the unit comes first.
    if (appUnitOfCgroupFile(test::readFile("/proc/self/cgroup"))) {
        EXPECT_NE(appWithPid(apps, ::getpid()), nullptr);
    } else {
        EXPECT_EQ(found->bundleIdentifier, "org.example.HeadroomTest");
        EXPECT_EQ(found->localizedName, "Headroom Test");
        EXPECT_EQ(found->activationPolicy, ActivationPolicy::Regular);
        EXPECT_EQ(found->processIdentifiers, (std::vector<std::int32_t>{child}));
    }
}

}  // namespace
}  // namespace headroom

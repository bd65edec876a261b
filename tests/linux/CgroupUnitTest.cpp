// cgroup lines and systemd unit names → application ids, on real-world shaped text.

#include "platform/linux/CgroupUnit.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace headroom {
namespace {

using Candidates = std::vector<std::string>;

const auto kNothingKnown = [](std::string_view) { return false; };

Candidates candidatesOf(std::string_view unit) {
    const auto parsed = parseAppUnitName(unit);
    EXPECT_TRUE(parsed) << unit;
    return parsed ? parsed->candidates : Candidates{};
}

/// The id of a unit name when `known` are the desktop entries.
std::optional<std::string> idOf(std::string_view unit, const std::set<std::string>& known = {}) {
    const auto parsed = parseAppUnitName(unit);
    if (!parsed) {
        return std::nullopt;
    }
    return parsed->applicationId(
        [&](std::string_view id) { return known.count(std::string(id)) > 0; });
}

std::optional<std::string> idOfCgroup(std::string_view text,
                                      const std::set<std::string>& known = {}) {
    const auto unit = appUnitOfCgroupFile(text);
    if (!unit) {
        return std::nullopt;
    }
    return unit->applicationId(
        [&](std::string_view id) { return known.count(std::string(id)) > 0; });
}

TEST(CgroupUnit, UnescapesSystemdEscapes) {
    EXPECT_EQ(unescapeUnitName(R"(firefox\x2desr)"), "firefox-esr");
    EXPECT_EQ(unescapeUnitName(R"(a\x2Fb\x5cc)"), "a/b\\c");
    EXPECT_EQ(unescapeUnitName(R"(bad\x2 \xzz\x)"), R"(bad\x2 \xzz\x)");
    EXPECT_EQ(unescapeUnitName(""), "");
}

TEST(CgroupUnit, ScopeWithLauncher) {
    EXPECT_EQ(candidatesOf(R"(app-gnome-firefox\x2desr-1234.scope)"),
              (Candidates{"firefox-esr", "gnome-firefox-esr"}));
    EXPECT_EQ(idOf(R"(app-gnome-firefox\x2desr-1234.scope)"), "firefox-esr");
    EXPECT_EQ(idOf("app-gnome-org.gnome.Nautilus-4242.scope"), "org.gnome.Nautilus");
    EXPECT_EQ(idOf(R"(app-gnome-org.gnome.Evolution\x2dalarm\x2dnotify-2437.scope)"),
              "org.gnome.Evolution-alarm-notify");
    EXPECT_EQ(idOf("app-flatpak-org.mozilla.firefox-98765.scope"), "org.mozilla.firefox");
    // KDE writes RANDOM as 32 hex digits, some launchers as a dashed UUID.
    EXPECT_EQ(idOf("app-org.kde.konsole-7f1c3a2e9b0d4c5e8a6f1b2c3d4e5f60.scope"),
              "org.kde.konsole");
    EXPECT_EQ(idOf("app-KDE-org.kde.okular-3b1c7a52-5c3e-4f0b-9a3d-2a1b0c9d8e7f.scope",
                   {"org.kde.okular"}),
              "org.kde.okular");
}

TEST(CgroupUnit, ScopeWithoutLauncher) {
    EXPECT_EQ(candidatesOf("app-org.gnome.Evince-12345.scope"), (Candidates{"org.gnome.Evince"}));
    EXPECT_EQ(idOf("app-org.gnome.Evince-12345.scope"), "org.gnome.Evince");
}

TEST(CgroupUnit, UnescapedDashesAreResolvedAgainstKnownEntries) {
    // A launcher that did not escape the id's dashes: the split that names a desktop entry wins.
    EXPECT_EQ(candidatesOf("app-gnome-firefox-esr-1234.scope"),
              (Candidates{"firefox-esr", "gnome-firefox-esr", "esr"}));
    EXPECT_EQ(idOf("app-gnome-firefox-esr-1234.scope", {"firefox-esr", "esr"}), "firefox-esr");
    EXPECT_EQ(idOf("app-gnome-gnome-system-monitor-77.scope", {"gnome-system-monitor"}),
              "gnome-system-monitor");
    // No launcher, and an id with a dash.
    EXPECT_EQ(idOf("app-firefox-esr-1234.scope", {"firefox-esr"}), "firefox-esr");
    // A launcher named like the start of an id.
    EXPECT_EQ(idOf("app-gnome-terminal-99.scope", {"gnome-terminal"}), "gnome-terminal");
    EXPECT_EQ(idOf("app-gnome-terminal-99.scope", {"terminal", "gnome-terminal"}), "terminal");
    // Nothing known: the id after one launcher segment.
    EXPECT_EQ(idOf("app-gnome-firefox-esr-1234.scope"), "firefox-esr");
}

TEST(CgroupUnit, ServiceForms) {
    EXPECT_EQ(idOf("app-gnome-org.gnome.Evince@12345.service"), "org.gnome.Evince");
    EXPECT_EQ(idOf("app-flatpak-org.telegram.desktop@12345.service"), "org.telegram.desktop");
    EXPECT_EQ(idOf("app-KDE-org.kde.okular@12345.service"), "org.kde.okular");
    EXPECT_EQ(idOf("app-org.kde.amarok.service"), "org.kde.amarok");
    // systemd-xdg-autostart-generator, before and after systemd 248.
    EXPECT_EQ(idOf(R"(app-org.gnome.Evolution\x2dalarm\x2dnotify@autostart.service)"),
              "org.gnome.Evolution-alarm-notify");
    EXPECT_EQ(idOf("app-gnome-org.gnome.SettingsDaemon.A11ySettings-autostart.service"),
              "org.gnome.SettingsDaemon.A11ySettings");
    // The instance may hold dashes of its own.
    EXPECT_EQ(idOf("app-gnome-org.gnome.Maps@a-b-c.service"), "org.gnome.Maps");
    EXPECT_EQ(idOf("app-com.Tidewell.Helper@autostart.service"), "com.Tidewell.Helper");
}

TEST(CgroupUnit, DbusActivatedServicesNeedAKnownEntry) {
    const auto unit = parseAppUnitName("dbus-:1.2-org.gnome.Nautilus@0.service");
    ASSERT_TRUE(unit);
    EXPECT_TRUE(unit->requiresKnownId);
    EXPECT_EQ(unit->candidates, (Candidates{"org.gnome.Nautilus"}));
    EXPECT_EQ(idOf("dbus-:1.2-org.gnome.Nautilus@0.service", {"org.gnome.Nautilus"}),
              "org.gnome.Nautilus");
    EXPECT_EQ(idOf("dbus-:1.2-org.freedesktop.FileManager1@0.service"), std::nullopt);
    EXPECT_EQ(idOf("app-dbus-:1.2-org.gnome.Calculator.service"), "org.gnome.Calculator");
}

TEST(CgroupUnit, SnapScopes) {
    EXPECT_EQ(candidatesOf("snap.firefox.firefox-2c5f1c1e-8e4b-4d4a-9a0e-3b2f1d0c9e8a.scope"),
              (Candidates{"firefox_firefox", "firefox"}));
    EXPECT_EQ(idOf("snap.firefox.firefox-2c5f1c1e-8e4b-4d4a-9a0e-3b2f1d0c9e8a.scope",
                   {"firefox_firefox"}),
              "firefox_firefox");
    EXPECT_EQ(parseAppUnitName("snap.lxd.daemon.service"), std::nullopt);
}

TEST(CgroupUnit, NonApplicationUnits) {
    for (const char* name : {"session-2.scope",
                             "dbus.service",
                             "init.scope",
                             "app.slice",
                             "user@1000.service",
                             "org.gnome.Shell@wayland.service",
                             "vte-spawn-1f6bcd7e-6a3b-4cbe-9d0b-0e5b8f7e3a21.scope",
                             "pipewire.service",
                             "gnome-terminal-server.service",
                             "application.scope",
                             "app-.scope",
                             "app--1234.scope",
                             "app-foo-.scope",
                             "app-@x.service",
                             "app-",
                             "app-firefox",
                             "app-firefox.mount",
                             "",
                             ".scope",
                             "dbus-broker.service",
                             "flatpak-session-helper.service",
                             "xdg-desktop-portal.service"}) {
        EXPECT_EQ(parseAppUnitName(name), std::nullopt) << name;
    }
}

TEST(CgroupUnit, CgroupV2Lines) {
    EXPECT_EQ(idOfCgroup("0::/user.slice/user-1000.slice/user@1000.service/app.slice/"
                         "app-gnome-firefox\\x2desr-1234.scope\n"),
              "firefox-esr");
    EXPECT_EQ(idOfCgroup("0::/user.slice/user-1000.slice/user@1000.service/app.slice/"
                         "app-org.kde.dolphin@0b2d5e7f.service"),  // no newline at the end
              "org.kde.dolphin");
    // A sub-cgroup that a unit made inside itself is passed over.
    EXPECT_EQ(idOfCgroup("0::/user.slice/user-1000.slice/user@1000.service/app.slice/"
                         "app-flatpak-com.valvesoftware.Steam-5555.scope/game\n"),
              "com.valvesoftware.Steam");
}

TEST(CgroupUnit, CgroupV1HybridLines) {
    const std::string hybrid =
        "12:pids:/user.slice/user-1000.slice/user@1000.service\n"
        "11:memory:/user.slice/user-1000.slice/user@1000.service\n"
        "3:cpu,cpuacct:/user.slice\n"
        "1:name=systemd:/user.slice/user-1000.slice/user@1000.service/app.slice/"
        "app-gnome-org.gnome.gedit-3141.scope\n"
        "0::/user.slice/user-1000.slice/user@1000.service/app.slice/"
        "app-gnome-org.gnome.gedit-3141.scope\n";
    EXPECT_EQ(idOfCgroup(hybrid), "org.gnome.gedit");
    // Legacy hierarchy only: systemd's own named hierarchy.
    EXPECT_EQ(idOfCgroup("5:memory:/user.slice\n"
                         "1:name=systemd:/user.slice/user-1000.slice/user@1000.service/"
                         "app-KDE-org.kde.kate@12.service\n"),
              "org.kde.kate");
    // The v2 line names nothing (a container, or an empty unified hierarchy): v1 decides.
    EXPECT_EQ(idOfCgroup("0::/\n1:name=systemd:/user.slice/user-1000.slice/user@1000.service/"
                         "app.slice/app-org.gnome.Evince-1.scope\n"),
              "org.gnome.Evince");
    // A controller path never names the application, even when it looks like one.
    EXPECT_EQ(idOfCgroup("4:memory:/app-gnome-firefox-1.scope\n0::/\n"), std::nullopt);
}

TEST(CgroupUnit, NonApplicationCgroups) {
    for (const char* text : {
             "0::/user.slice/user-1000.slice/session-2.scope\n",
             "0::/user.slice/user-1000.slice/user@1000.service/app.slice/dbus.service\n",
             "0::/user.slice/user-1000.slice/user@1000.service/init.scope\n",
             "0::/user.slice/user-1000.slice/user@1000.service/session.slice/"
             "org.gnome.Shell@wayland.service\n",
             "0::/system.slice/cron.service\n",
             "0::/\n",
             "0::/init.scope\n",
             "",
             "garbage\nmore garbage: with colon\n",
             "9:name=systemd:/\n8:pids:/\n0::/\n",
         }) {
        EXPECT_EQ(appUnitOfCgroupFile(text), std::nullopt) << text;
    }
}

TEST(CgroupUnit, ApplicationSliceOnlyCountsForItsServices) {
    const std::string slice =
        "0::/user.slice/user-1000.slice/user@1000.service/app.slice/app-org.gnome.Terminal.slice/";
    // The terminal server is the application ...
    const auto server = appUnitOfCgroupFile(slice + "gnome-terminal-server.service\n");
    ASSERT_TRUE(server);
    EXPECT_EQ(server->unit, "app-org.gnome.Terminal.slice");
    EXPECT_EQ(server->applicationId(kNothingKnown), "org.gnome.Terminal");
    // ... the shells it starts, each in a scope of its own, are not.
    EXPECT_EQ(appUnitOfCgroupFile(slice + "vte-spawn-1f6bcd7e-6a3b-4cbe-9d0b-0e5b8f7e3a21.scope\n"),
              std::nullopt);
    // An application scope started from the slice is its own application.
    EXPECT_EQ(idOfCgroup(slice + "app-gnome-org.gnome.Calculator-88.scope\n"),
              "org.gnome.Calculator");
}

TEST(CgroupUnit, TheUnitNameGroupsProcesses) {
    const auto a = appUnitOfCgroupFile(
        "0::/user.slice/user-1000.slice/user@1000.service/app.slice/app-gnome-x-1.scope\n");
    const auto b = appUnitOfCgroupFile(
        "0::/user.slice/user-1000.slice/user@1000.service/app.slice/app-gnome-x-2.scope\n");
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->unit, "app-gnome-x-1.scope");
    EXPECT_NE(a->unit, b->unit);  // two launches of one application are two units
    EXPECT_EQ(a->applicationId(kNothingKnown), b->applicationId(kNothingKnown));
}

}  // namespace
}  // namespace headroom

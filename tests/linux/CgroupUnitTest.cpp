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

TEST(CgroupUnit, UnitNamesGiveTheirApplicationIds) {
    const std::optional<std::string> none;
    struct Case {
        std::string_view unit;
        std::set<std::string> known;  ///< the desktop entries
        std::optional<std::string> id;
    };
    const Case cases[] = {
        // Scopes, with a launcher and without; KDE writes RANDOM as 32 hex digits, some
        // launchers as a dashed UUID.
        {R"(app-gnome-firefox\x2desr-1234.scope)", {}, "firefox-esr"},
        {"app-gnome-org.gnome.Nautilus-4242.scope", {}, "org.gnome.Nautilus"},
        {R"(app-gnome-org.gnome.Evolution\x2dalarm\x2dnotify-2437.scope)",
         {},
         "org.gnome.Evolution-alarm-notify"},
        {"app-flatpak-org.mozilla.firefox-98765.scope", {}, "org.mozilla.firefox"},
        {"app-org.kde.konsole-7f1c3a2e9b0d4c5e8a6f1b2c3d4e5f60.scope", {}, "org.kde.konsole"},
        {"app-KDE-org.kde.okular-3b1c7a52-5c3e-4f0b-9a3d-2a1b0c9d8e7f.scope",
         {"org.kde.okular"},
         "org.kde.okular"},
        {"app-org.gnome.Evince-12345.scope", {}, "org.gnome.Evince"},
        // A launcher that did not escape the id's dashes: the split that names an entry wins;
        // with nothing known, the id after one launcher segment.
        {"app-gnome-firefox-esr-1234.scope", {"firefox-esr", "esr"}, "firefox-esr"},
        {"app-gnome-gnome-system-monitor-77.scope",
         {"gnome-system-monitor"},
         "gnome-system-monitor"},
        {"app-firefox-esr-1234.scope", {"firefox-esr"}, "firefox-esr"},
        {"app-gnome-terminal-99.scope", {"gnome-terminal"}, "gnome-terminal"},
        {"app-gnome-terminal-99.scope", {"terminal", "gnome-terminal"}, "terminal"},
        {"app-gnome-firefox-esr-1234.scope", {}, "firefox-esr"},
        // Services; systemd-xdg-autostart-generator's before and after systemd 248; an
        // instance may hold dashes of its own.
        {"app-gnome-org.gnome.Evince@12345.service", {}, "org.gnome.Evince"},
        {"app-flatpak-org.telegram.desktop@12345.service", {}, "org.telegram.desktop"},
        {"app-KDE-org.kde.okular@12345.service", {}, "org.kde.okular"},
        {"app-org.kde.amarok.service", {}, "org.kde.amarok"},
        {R"(app-org.gnome.Evolution\x2dalarm\x2dnotify@autostart.service)",
         {},
         "org.gnome.Evolution-alarm-notify"},
        {"app-gnome-org.gnome.SettingsDaemon.A11ySettings-autostart.service",
         {},
         "org.gnome.SettingsDaemon.A11ySettings"},
        {"app-gnome-org.gnome.Maps@a-b-c.service", {}, "org.gnome.Maps"},
        {"app-com.Tidewell.Helper@autostart.service", {}, "com.Tidewell.Helper"},
        // A D-Bus activated service is an application only when an entry names it.
        {"dbus-:1.2-org.gnome.Nautilus@0.service", {"org.gnome.Nautilus"}, "org.gnome.Nautilus"},
        {"dbus-:1.2-org.freedesktop.FileManager1@0.service", {}, none},
        {"app-dbus-:1.2-org.gnome.Calculator.service", {}, "org.gnome.Calculator"},
        // snapd names the entry <snap>_<app>.
        {"snap.firefox.firefox-2c5f1c1e-8e4b-4d4a-9a0e-3b2f1d0c9e8a.scope",
         {"firefox_firefox"},
         "firefox_firefox"},
        {"snap.lxd.daemon.service", {}, none},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(idOf(c.unit, c.known), c.id) << c.unit;
    }
    // Candidates, most likely first.
    EXPECT_EQ(candidatesOf(R"(app-gnome-firefox\x2desr-1234.scope)"),
              (Candidates{"firefox-esr", "gnome-firefox-esr"}));
    EXPECT_EQ(candidatesOf("app-org.gnome.Evince-12345.scope"), (Candidates{"org.gnome.Evince"}));
    EXPECT_EQ(candidatesOf("app-gnome-firefox-esr-1234.scope"),
              (Candidates{"firefox-esr", "gnome-firefox-esr", "esr"}));
    EXPECT_EQ(candidatesOf("snap.firefox.firefox-2c5f1c1e-8e4b-4d4a-9a0e-3b2f1d0c9e8a.scope"),
              (Candidates{"firefox_firefox", "firefox"}));
    EXPECT_TRUE(parseAppUnitName("dbus-:1.2-org.gnome.Nautilus@0.service")->requiresKnownId);
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

// cgroup lines and systemd unit names → application ids, on real-world shaped text.

#include "platform/linux/CgroupUnit.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace headroom {
namespace {

const auto kNothingKnown = [](std::string_view) { return false; };

/// The id of a unit name when `known` are the desktop entries.
std::optional<std::string> idOf(std::string_view unit, const std::set<std::string>& known = {}) {
    const auto parsed = parseAppUnitName(unit);
    if (!parsed) {
        return std::nullopt;
    }
    return parsed->applicationId(
        [&](std::string_view id) { return known.count(std::string(id)) > 0; });
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
        {"app-flatpak-org.mozilla.firefox-98765.scope", {}, "org.mozilla.firefox"},
        {"app-org.kde.konsole-7f1c3a2e9b0d4c5e8a6f1b2c3d4e5f60.scope", {}, "org.kde.konsole"},
        {"app-KDE-org.kde.okular-3b1c7a52-5c3e-4f0b-9a3d-2a1b0c9d8e7f.scope",
         {"org.kde.okular"},
         "org.kde.okular"},
        {"app-org.gnome.Evince-12345.scope", {}, "org.gnome.Evince"},
        // A launcher that did not escape the id's dashes: the split that names an entry wins;
        // with nothing known, the id after one launcher segment.
        {"app-gnome-firefox-esr-1234.scope", {"firefox-esr", "esr"}, "firefox-esr"},
        {"app-gnome-firefox-esr-1234.scope", {"esr", "gnome-firefox-esr"}, "gnome-firefox-esr"},
        {"app-gnome-firefox-esr-1234.scope", {"esr"}, "esr"},
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
        {"snap.firefox.firefox-2c5f1c1e-8e4b-4d4a-9a0e-3b2f1d0c9e8a.scope", {"firefox"}, "firefox"},
        {R"(snap.my-snap.app.scope)", {}, "my-snap_app"},
        {"snap.lxd.daemon.service", {}, none},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(idOf(c.unit, c.known), c.id) << c.unit;
    }
    // systemd's escapes: \xNN is the byte; anything else stands as it is.
    EXPECT_EQ(unescapeUnitName(R"(a\x2Fb\x5cc)"), "a/b\\c");
    EXPECT_EQ(unescapeUnitName(R"(bad\x2 \xzz\x)"), R"(bad\x2 \xzz\x)");
}

TEST(CgroupUnit, NonApplicationUnits) {
    for (const char* name : {"session-2.scope",
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

TEST(CgroupUnit, CgroupFilesGiveTheUnitThatGroupsProcesses) {
    const std::string user = "0::/user.slice/user-1000.slice/user@1000.service/";
    const std::string terminal = user + "app.slice/app-org.gnome.Terminal.slice/";
    struct Case {
        std::string text;
        std::string unit;  ///< empty: no application
        std::string id;
    };
    const Case cases[] = {
        {user + "app.slice/app-gnome-firefox\\x2desr-1234.scope\n",
         "app-gnome-firefox\\x2desr-1234.scope", "firefox-esr"},
        // Two launches of one application are two units.
        {user + "app.slice/app-gnome-firefox\\x2desr-99.scope\n",
         "app-gnome-firefox\\x2desr-99.scope", "firefox-esr"},
        {user + "app.slice/app-org.kde.dolphin@0b2d5e7f.service",  // no newline at the end
         "app-org.kde.dolphin@0b2d5e7f.service", "org.kde.dolphin"},
        // A sub-cgroup that a unit made inside itself is passed over.
        {user + "app.slice/app-flatpak-com.valvesoftware.Steam-5555.scope/game\n",
         "app-flatpak-com.valvesoftware.Steam-5555.scope", "com.valvesoftware.Steam"},
        // An application slice counts only for the service directly in it (the terminal
        // server, end to end); an application scope started from it is its own.
        {terminal + "app-gnome-org.gnome.Calculator-88.scope\n",
         "app-gnome-org.gnome.Calculator-88.scope", "org.gnome.Calculator"},
        // cgroup v1 beside v2, systemd's own named hierarchy alone, and a v2 line that names
        // nothing (a container): v1 decides. A controller's path never names the application.
        {"12:pids:/user.slice/user-1000.slice/user@1000.service\n3:cpu,cpuacct:/user.slice\n"
         "1:name=systemd:/user.slice/user-1000.slice/user@1000.service/app.slice/"
         "app-gnome-org.gnome.gedit-3141.scope\n" +
             user + "app.slice/app-gnome-org.gnome.gedit-3141.scope\n",
         "app-gnome-org.gnome.gedit-3141.scope", "org.gnome.gedit"},
        {"5:memory:/user.slice\n1:name=systemd:/user.slice/user-1000.slice/user@1000.service/"
         "app-KDE-org.kde.kate@12.service\n",
         "app-KDE-org.kde.kate@12.service", "org.kde.kate"},
        {"0::/\n1:name=systemd:/user.slice/user-1000.slice/user@1000.service/app.slice/"
         "app-org.gnome.Evince-1.scope\n",
         "app-org.gnome.Evince-1.scope", "org.gnome.Evince"},
        {"4:memory:/app-gnome-firefox-1.scope\n0::/\n", "", ""},
        // No application.
        {"0::/user.slice/user-1000.slice/session-2.scope\n", "", ""},
        {user + "app.slice/dbus.service\n", "", ""},
        {user + "init.scope\n", "", ""},
        {user + "session.slice/org.gnome.Shell@wayland.service\n", "", ""},
        {"0::/system.slice/cron.service\n", "", ""},
        {"0::/init.scope\n", "", ""},
        {"", "", ""},
        {"garbage\nmore garbage: with colon\n", "", ""},
        {"9:name=systemd:/\n8:pids:/\n0::/\n", "", ""},
    };
    for (const Case& c : cases) {
        const auto unit = appUnitOfCgroupFile(c.text);
        EXPECT_EQ(unit ? unit->unit : "", c.unit) << c.text;
        EXPECT_EQ(unit ? unit->applicationId(kNothingKnown).value_or("") : "", c.id) << c.text;
    }
}

}  // namespace
}  // namespace headroom

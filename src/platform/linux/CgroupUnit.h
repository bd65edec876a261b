#pragma once

// The systemd unit that holds a desktop application, read from /proc/<pid>/cgroup.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace headroom {

/// A systemd unit named as the XDG standardization for applications asks
/// (https://systemd.io/DESKTOP_ENVIRONMENTS/):
///   `app[-<launcher>]-<ApplicationID>-<RANDOM>.scope`
///   `app[-<launcher>]-<ApplicationID>[@<RANDOM>].service`
/// and the variants met in practice: `app-<id>.slice` (GNOME Terminal's server runs as a
/// service in it), `…-autostart.service` (systemd before 248), `flatpak-<id>-<pid>.scope` (old
/// Flatpak), a dashed UUID as RANDOM, and D-Bus activated services,
/// `dbus-:1.2-<bus name>@0.service` (dbus-broker) or `app-dbus-:1.2-<id>.service`.
struct AppUnit {
    /// The unit's name as it stands in the cgroup path (still escaped): what groups processes.
    std::string unit;
    /// Application ids the name can stand for, unescaped (\x2d → '-'), most likely first. The
    /// launcher is optional and an id may hold dashes that a launcher did not escape, so
    /// `app-gnome-firefox-esr-1.scope` gives "firefox-esr", then "gnome-firefox-esr", then
    /// "esr": the first that names a known desktop entry is the id.
    std::vector<std::string> candidates;
    /// A D-Bus activated service: its bus name is an application id only when a desktop entry
    /// of that id exists (many bus names are plain services).
    bool requiresKnownId = false;

    /// The application id: the first candidate `isKnown` accepts; otherwise the first candidate,
    /// or nothing when `requiresKnownId`.
    std::optional<std::string> applicationId(
        const std::function<bool(std::string_view)>& isKnown) const;

    friend bool operator==(const AppUnit&, const AppUnit&) = default;
};

/// Decodes systemd's escapes in unit names: `\xNN` (two hex digits) is the byte NN; anything
/// else stands as it is.
std::string unescapeUnitName(std::string_view name);

/// The application unit of one unit name, e.g. "app-gnome-firefox\x2desr-1234.scope"; nothing
/// when the name is not of an application (session-2.scope, dbus.service, app.slice, …).
std::optional<AppUnit> parseAppUnitName(std::string_view unitName);

/// The application unit of a cgroup path such as
/// "/user.slice/user-1000.slice/user@1000.service/app.slice/app-gnome-firefox\x2desr-1234.scope".
/// The innermost unit decides: an application scope or service is the unit; any other scope
/// (vte-spawn-….scope of a terminal's shell, session-2.scope) means no application; a plain
/// service counts as its application slice's (`app-org.gnome.Terminal.slice/
/// gnome-terminal-server.service`) when it sits directly in one. Folders that are not units
/// (sub-cgroups a unit made for itself) are passed over.
std::optional<AppUnit> appUnitOfCgroupPath(std::string_view path);

/// The application unit of the text of /proc/<pid>/cgroup: the cgroup v2 line
/// ("0::/user.slice/…") first, then the cgroup v1 line of systemd's own hierarchy
/// ("1:name=systemd:/user.slice/…"); nothing when neither names an application.
std::optional<AppUnit> appUnitOfCgroupFile(std::string_view text);

}  // namespace headroom

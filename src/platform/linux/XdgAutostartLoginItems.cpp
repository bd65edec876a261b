#include "platform/linux/XdgAutostartLoginItems.h"

#include <gio/gio.h>
#include <glib/gstdio.h>

#include <cerrno>
#include <cstring>
#include <string_view>
#include <utility>

#include "platform/linux/DesktopEntry.h"
#include "platform/linux/ExecutableFolder.h"

namespace headroom {

namespace {

constexpr const char* kGroup = "Desktop Entry";
constexpr const char* kHelperProgram = "headroom-login-helper";

std::string folderOf(const std::string& base) {
    return base + "/autostart";
}

/// One argument of an Exec line as the Desktop Entry Specification ("The Exec key") asks: an
/// argument holding a reserved character (space, quotes, `$`, `\`, …) goes in double quotes,
/// with `"`, `` ` ``, `$` and `\` escaped by a backslash. A `%` would be taken for a field code:
/// paths that hold one are refused before. The string escapes of the key file (`\\` for a
/// backslash) are the writer's to add on top.
std::string quoteExecArgument(std::string_view argument) {
    // The reserved characters of the Exec key; an argument without them stays bare, which is
    // also how simpler readers of Exec (such as g_app_info_get_executable) expect it.
    const bool quote = argument.empty() ||
                       argument.find_first_of(" \t\n\"'\\><~|&;$*?#()`") != std::string_view::npos;
    std::string text = quote ? "\"" : "";
    for (const char c : argument) {
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) {
            text += '\\';
        }
        text += c;
    }
    if (quote) {
        text += '"';
    }
    return text;
}

}  // namespace

XdgAutostartLoginItems::XdgAutostartLoginItems(std::string helperPath, AutostartFolders folders)
    : helperPath_(std::move(helperPath)) {
    userFolder_ = folderOf(folders.configHome.value_or(g_get_user_config_dir()));
    if (folders.configDirs) {
        for (const auto& dir : *folders.configDirs) {
            systemFolders_.push_back(folderOf(dir));
        }
    } else {
        for (const gchar* const* dir = g_get_system_config_dirs(); *dir != nullptr; ++dir) {
            systemFolders_.push_back(folderOf(*dir));
        }
    }
}

std::string XdgAutostartLoginItems::helperBesideExecutable() {
    const std::string folder = executableFolder();
    return folder.empty() ? kHelperProgram : folder + "/" + kHelperProgram;
}

std::string XdgAutostartLoginItems::entryPath(const std::string& identifier) const {
    return userFolder_ + "/" + identifier + ".desktop";
}

bool XdgAutostartLoginItems::fail(std::string reason) {
    error_ = std::move(reason);
    return false;
}

bool XdgAutostartLoginItems::setLoginItemEnabled(const std::string& identifier, bool enabled) {
    error_.clear();
    if (identifier.empty() || identifier.find('/') != std::string::npos) {
        return fail("\"" + identifier + "\" cannot name an autostart entry");
    }
    if (enabled) {
        if (!g_path_is_absolute(helperPath_.c_str()) ||
            !g_file_test(helperPath_.c_str(), G_FILE_TEST_IS_EXECUTABLE)) {
            return fail("the login helper " + helperPath_ + " is not an executable program");
        }
        // Written as "%%" the path is right by the Desktop Entry Specification, but GIO, which
        // sessions use to read autostart entries, looks for the program without undoing it and
        // drops the entry: refuse rather than register an entry that never starts.
        if (helperPath_.find('%') != std::string::npos) {
            return fail("the login helper's path " + helperPath_ +
                        " holds a '%', which autostart entries cannot start");
        }
        return writeEntry(identifier, false);
    }
    // A system entry the user cannot remove is turned off by a hidden entry of the same name.
    for (const auto& folder : systemFolders_) {
        if (auto entry = readDesktopEntry(folder + "/" + identifier + ".desktop")) {
            if (!entry->hidden) {
                return writeEntry(identifier, true);
            }
            break;
        }
    }
    const std::string path = entryPath(identifier);
    if (g_unlink(path.c_str()) != 0 && errno != ENOENT) {
        return fail("cannot remove " + path + ": " + std::strerror(errno));
    }
    return true;
}

bool XdgAutostartLoginItems::writeEntry(const std::string& identifier, bool hidden) {
    g_autoptr(GKeyFile) file = g_key_file_new();
    g_key_file_set_string(file, kGroup, "Type", "Application");
    g_key_file_set_string(file, kGroup, "Name", "Headroom");
    g_key_file_set_string(file, kGroup, "Comment", "Starts Headroom when you log in");
    // set_string adds the string escapes (\\ for a backslash) over the Exec quoting.
    g_key_file_set_string(file, kGroup, "Exec", quoteExecArgument(helperPath_).c_str());
    g_key_file_set_boolean(file, kGroup, "Terminal", FALSE);
    g_key_file_set_boolean(file, kGroup, "NoDisplay", TRUE);
    if (hidden) {
        g_key_file_set_boolean(file, kGroup, "Hidden", TRUE);
    }
    gsize length = 0;
    g_autofree gchar* data = g_key_file_to_data(file, &length, nullptr);
    if (g_mkdir_with_parents(userFolder_.c_str(), 0700) != 0) {
        return fail("cannot create the folder " + userFolder_ + ": " + std::strerror(errno));
    }
    g_autoptr(GError) error = nullptr;
    const std::string path = entryPath(identifier);
    if (g_file_set_contents(path.c_str(), data, static_cast<gssize>(length), &error) == FALSE) {
        return fail("cannot write " + path + ": " + error->message);
    }
    return true;
}

bool XdgAutostartLoginItems::loginItemRunning(const std::string& identifier) {
    return sessionBusNameHasOwner(identifier);
}

bool sessionBusNameHasOwner(const std::string& name) {
    g_autoptr(GDBusConnection) bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    g_autoptr(GVariant) reply =
        bus == nullptr
            ? nullptr
            : g_dbus_connection_call_sync(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                          "org.freedesktop.DBus", "NameHasOwner",
                                          g_variant_new("(s)", name.c_str()), G_VARIANT_TYPE("(b)"),
                                          G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
    gboolean owned = FALSE;
    if (reply != nullptr) {
        g_variant_get(reply, "(b)", &owned);
    }
    return owned != FALSE;
}

}  // namespace headroom

#include "ui/gtk/IndicatorStatusBar.h"

#include <gio/gio.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <utility>

#include "ui/gtk/IconFolder.h"
#include "ui/gtk/IndicatorStatusItem.h"
#include "ui/gtk/SignalConnect.h"

// Last: Xlib's macros (None, Status, Bool) would clash with the headers above.
#include <X11/Xlib.h>
#include <gdk/gdkx.h>

namespace headroom {

namespace {

/// The freedesktop StatusNotifierItem specification's watcher.
constexpr const char* kWatcherName = "org.kde.StatusNotifierWatcher";

/// `method` of the bus daemon with one string argument; null on failure.
GVariant* askBus(GDBusConnection* bus, const char* method, const std::string& name,
                 const char* replyType) {
    return g_dbus_connection_call_sync(
        bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", method,
        g_variant_new("(s)", name.c_str()), G_VARIANT_TYPE(replyType), G_DBUS_CALL_FLAGS_NONE, 2000,
        nullptr, nullptr);
}

/// The program a process runs: its first argument (the kernel's comm name as a fallback).
std::string programOf(guint32 pid) {
    const std::string folder = "/proc/" + std::to_string(pid);
    std::ifstream cmdline(folder + "/cmdline");
    std::string first;
    std::getline(cmdline, first, '\0');
    if (first.empty()) {
        std::ifstream comm(folder + "/comm");
        std::getline(comm, first);
    }
    return first;
}

/// The first of `name` under `folder` and then under each of `more` that holds what `read`
/// looks for; empty when none does.
std::string firstFound(const gchar* folder, const gchar* const* more, const std::string& name,
                       const std::function<std::string(std::string_view)>& read) {
    for (const gchar* each = folder; each != nullptr; each = *more++) {
        g_autofree gchar* text = nullptr;
        g_autofree gchar* path = g_build_filename(each, name.c_str(), nullptr);
        if (g_file_get_contents(path, &text, nullptr, nullptr)) {
            if (std::string found = read(text); !found.empty()) {
                return found;
            }
        }
    }
    return {};
}

/// Plasma's text colour: its desktop theme's own colours, else its colour scheme's (Breeze
/// has none of its own and follows the scheme).
std::string plasmaInk() {
    std::string theme = firstFound(
        g_get_user_config_dir(), g_get_system_config_dirs(), "plasmarc", [](std::string_view file) {
            return std::string(iniValue(file, "Theme", "name").value_or(""));
        });
    if (theme.empty() || theme.find('/') != std::string::npos || theme.starts_with('.')) {
        theme = "default";
    }
    std::string ink = firstFound(g_get_user_data_dir(), g_get_system_data_dirs(),
                                 "plasma/desktoptheme/" + theme + "/colors", &kdeTextColour);
    if (ink.empty()) {
        ink = firstFound(g_get_user_config_dir(), g_get_system_config_dirs(), "kdeglobals",
                         &kdeTextColour);
    }
    return ink.empty() ? PanelLook().ink : ink;
}

/// Xfce's panel in its dark mode (xfconf's xfce4-panel /panels/dark-mode).
bool xfcePanelIsDark(GDBusConnection* bus) {
    g_autoptr(GVariant) reply = nullptr;
    g_autoptr(GVariant) value = nullptr;
    if (bus != nullptr) {
        reply = g_dbus_connection_call_sync(
            bus, "org.xfce.Xfconf", "/org/xfce/Xfconf", "org.xfce.Xfconf", "GetProperty",
            g_variant_new("(ss)", "xfce4-panel", "/panels/dark-mode"), G_VARIANT_TYPE("(v)"),
            G_DBUS_CALL_FLAGS_NO_AUTO_START, 1000, nullptr, nullptr);
    }
    if (reply != nullptr) {
        g_variant_get(reply, "(v)", &value);
    }
    return value != nullptr && g_variant_is_of_type(value, G_VARIANT_TYPE_BOOLEAN) != FALSE &&
           g_variant_get_boolean(value) != FALSE;
}

/// A dark GTK theme, which GTK panels (Xfce's) draw with.
bool gtkThemeIsDark() {
    gboolean preferDark = FALSE;
    g_autofree gchar* name = nullptr;
    if (GtkSettings* settings = gtk_settings_get_default()) {
        g_object_get(settings, "gtk-application-prefer-dark-theme", &preferDark, "gtk-theme-name",
                     &name, nullptr);
    }
    g_autofree gchar* lower = g_ascii_strdown(name != nullptr ? name : "", -1);
    return preferDark != FALSE || std::strstr(lower, "dark") != nullptr;
}

}  // namespace

IndicatorStatusBar::IndicatorStatusBar(std::string id, std::string title, RunLoop& runLoop,
                                       SystemLog& log, std::string runtimeBase)
    : id_(std::move(id)), title_(std::move(title)), runLoop_(runLoop), log_(log) {
    std::string error;
    folder_ = IconFolder::create(std::move(runtimeBase), error);
    if (!folder_) {
        log_.log("Cannot make a folder for the tray icons (" + error +
                 "); the tray shows a generic icon");
    }
}

IndicatorStatusBar::~IndicatorStatusBar() {
    for (const auto& monitor : themeFiles_) {
        g_signal_handlers_disconnect_by_data(monitor.get(), this);
    }
    if (GtkSettings* settings = gtk_settings_get_default()) {
        g_signal_handlers_disconnect_by_data(settings, this);
    }
    if (xfconfChanges_ != 0) {
        g_dbus_connection_signal_unsubscribe(bus_.get(), xfconfChanges_);
    }
}

PanelLook IndicatorStatusBar::panelLook(TrayHost host) {
    if (const auto known = looks_.find(host); known != looks_.end()) {
        return known->second;
    }
    followThemes();
    PanelLook look;
    if (host == TrayHost::ColorScheme) {
        look.ink = plasmaInk();
        look.dark = isLightColour(look.ink);
    } else {
        // GNOME's top bar and waybar's default bar are dark whatever the theme.
        look.dark = host == TrayHost::Label || host == TrayHost::IconOnlySmall ||
                    xfcePanelIsDark(bus_.get()) || gtkThemeIsDark();
    }
    return looks_[host] = look;
}

void IndicatorStatusBar::followThemes() {
    if (bus_ || !themeFiles_.empty()) {
        return;
    }
    // KDE rewrites a configuration file by renaming a new one over it.
    for (const char* name : {"kdeglobals", "plasmarc"}) {
        g_autofree gchar* path = g_build_filename(g_get_user_config_dir(), name, nullptr);
        g_autoptr(GFile) file = g_file_new_for_path(path);
        if (GFileMonitor* monitor =
                g_file_monitor_file(file, G_FILE_MONITOR_WATCH_MOVES, nullptr, nullptr)) {
            themeFiles_.emplace_back(monitor);
            connectSignal(
                monitor, "changed",
                +[](GFileMonitor*, GFile*, GFile*, GFileMonitorEvent, gpointer self) {
                    static_cast<IndicatorStatusBar*>(self)->themeChanged();
                },
                this);
        }
    }
    if (GtkSettings* settings = gtk_settings_get_default()) {
        for (const char* signal :
             {"notify::gtk-theme-name", "notify::gtk-application-prefer-dark-theme"}) {
            connectSignal(
                settings, signal,
                +[](GObject*, GParamSpec*, gpointer self) {
                    static_cast<IndicatorStatusBar*>(self)->themeChanged();
                },
                this);
        }
    }
    bus_.reset(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr));
    if (bus_) {
        xfconfChanges_ = g_dbus_connection_signal_subscribe(
            bus_.get(), nullptr, "org.xfce.Xfconf", "PropertyChanged", "/org/xfce/Xfconf",
            "xfce4-panel", G_DBUS_SIGNAL_FLAGS_NONE,
            [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant*,
               gpointer self) { static_cast<IndicatorStatusBar*>(self)->themeChanged(); },
            this, nullptr);
    }
}

void IndicatorStatusBar::themeChanged() {
    looks_.clear();
    if (lookChanged_) {
        lookChanged_();
    }
}

std::unique_ptr<StatusItem> IndicatorStatusBar::makeStatusItem() {
    // The panel sizes the item to its content (and the label's guide); one id per item.
    ++itemsMade_;
    const std::string id = itemsMade_ == 1 ? id_ : id_ + "-" + std::to_string(itemsMade_);
    return std::make_unique<IndicatorStatusItem>(*this, id);
}

TrayHost IndicatorStatusBar::watcherHost() {
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (bus == nullptr) {
        return TrayHost::XEmbed;
    }
    std::string program;
    if (GVariant* owner = askBus(bus, "GetNameOwner", kWatcherName, "(s)")) {
        const gchar* unique = nullptr;
        g_variant_get(owner, "(&s)", &unique);
        if (GVariant* pid = askBus(bus, "GetConnectionUnixProcessID", unique, "(u)")) {
            guint32 number = 0;
            g_variant_get(pid, "(u)", &number);
            program = programOf(number);
            g_variant_unref(pid);
        }
        // An owner whose program cannot be told is a host all the same.
        if (program.empty()) {
            program.push_back('?');
        }
        g_variant_unref(owner);
    }
    g_object_unref(bus);
    return trayHostForWatcher(program);
}

bool IndicatorStatusBar::hasXEmbedTray() {
    GdkDisplay* display = gdk_display_get_default();
    if (display == nullptr || !GDK_IS_X11_DISPLAY(display)) {
        return false;  // XEmbed is an X11 protocol
    }
    const int screen = gdk_x11_screen_get_screen_number(gdk_display_get_default_screen(display));
    const std::string selection = "_NET_SYSTEM_TRAY_S" + std::to_string(screen);
    return XGetSelectionOwner(GDK_DISPLAY_XDISPLAY(display),
                              gdk_x11_get_xatom_by_name_for_display(display, selection.c_str())) !=
           None;
}

}  // namespace headroom

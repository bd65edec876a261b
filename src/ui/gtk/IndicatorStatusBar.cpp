#include "ui/gtk/IndicatorStatusBar.h"

#include <gio/gio.h>

#include <fstream>
#include <iterator>
#include <utility>

#include "ui/gtk/IconFolder.h"
#include "ui/gtk/IndicatorStatusItem.h"

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

IndicatorStatusBar::~IndicatorStatusBar() = default;

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

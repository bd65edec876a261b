// headroom-login-helper: the program the session starts at login (from the autostart entry
// that start at login writes). It owns the session-bus name com.Tidewell.Helper, starts
// Headroom from its own folder unless Headroom already runs, and ends when Headroom, at its
// launch, sends the TERMINATEHELPER signal, or when Headroom does not come up.

#include <gio/gio.h>
#include <glib-unix.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "BuildInfo.h"
#include "platform/LoginItems.h"
#include "platform/linux/ExecutableFolder.h"
#include "platform/linux/SessionBusNotificationCenter.h"
#include "platform/linux/SysLog.h"
#include "platform/linux/XdgAutostartLoginItems.h"
#include "ui/terminal/TerminalText.h"

namespace {

using namespace headroom;

constexpr const char* kProgram = "headroom-login-helper";
constexpr const char* kApplicationProgram = "headroom";
// org.freedesktop.DBus.RequestName: fail rather than wait in line; "primary owner" on success.
constexpr guint32 kDoNotQueue = 4;
constexpr guint32 kPrimaryOwner = 1;
// Headroom owns its name early in its launch, and tells the helper to end right after.
constexpr guint kComeUpSeconds = 5;

/// Whether the Headroom the helper started came up, and whether it gave up on it.
struct Started {
    GMainLoop* loop;
    bool up = false;
    bool failed = false;

    void giveUp() {
        failed = true;
        g_main_loop_quit(loop);
    }
};

int fail(SystemLog& log, const std::string& what, GError* error) {
    log.log("Login helper: " + what + (error != nullptr ? std::string(": ") + error->message : ""));
    g_clear_error(&error);
    return 1;
}

int runHelper() {
    SysLog log(escapeControlCharacters, true);
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (bus == nullptr) {
        return fail(log, "no session bus", error);
    }
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    auto quit = +[](gpointer data) {
        g_main_loop_quit(static_cast<GMainLoop*>(data));
        return gboolean{G_SOURCE_CONTINUE};
    };
    // Listen before anything can make Headroom send the signal.
    const guint subscription = g_dbus_connection_signal_subscribe(
        bus, nullptr, SessionBusNotificationCenter::kInterface, kTerminateHelperNotification,
        SessionBusNotificationCenter::kObjectPath, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
        [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant*,
           gpointer data) { g_main_loop_quit(static_cast<GMainLoop*>(data)); },
        loop, nullptr);

    // The name is what Headroom looks for at its launch: own it before starting Headroom.
    // Asked once and answered before anything else, rather than through g_bus_own_name, whose
    // answer would only come as the loop turns: the helper decides at once whether it is the
    // one at work.
    GVariant* reply = g_dbus_connection_call_sync(
        bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
        g_variant_new("(su)", kHelperBundleIdentifier, kDoNotQueue), G_VARIANT_TYPE("(u)"),
        G_DBUS_CALL_FLAGS_NONE, -1, nullptr, &error);
    guint32 result = 0;
    if (reply != nullptr) {
        g_variant_get(reply, "(u)", &result);
        g_variant_unref(reply);
    }
    // Another login helper already at work, or Headroom already running (it tells only a
    // helper it finds at its own launch to end): nothing to start and nobody to wait for.
    int status = reply == nullptr ? fail(log, "cannot own the bus name", error) : 0;
    if (reply != nullptr && result == kPrimaryOwner &&
        !sessionBusNameHasOwner(build::kApplicationId)) {
        const std::string folder = executableFolder();
        const std::string path = (folder.empty() ? "." : folder) + "/" + kApplicationProgram;
        gchar* argv[] = {const_cast<gchar*>(path.c_str()), nullptr};
        // Without DO_NOT_REAP_CHILD GLib detaches the child: Headroom outlives the helper.
        if (g_spawn_async(nullptr, argv, nullptr, G_SPAWN_DEFAULT, nullptr, nullptr, nullptr,
                          &error) == FALSE) {
            status = fail(log, "cannot start " + path, error);
        } else {
            // A Headroom that does not come up (it ends at once, or never owns its name) would
            // keep the helper and its name for the whole session: it waits a few seconds for
            // the name, and ends when the name goes without the signal.
            Started started{loop};
            const guint watch = g_bus_watch_name_on_connection(
                bus, build::kApplicationId, G_BUS_NAME_WATCHER_FLAGS_NONE,
                [](GDBusConnection*, const gchar*, const gchar*, gpointer data) {
                    static_cast<Started*>(data)->up = true;
                },
                [](GDBusConnection*, const gchar*, gpointer data) {
                    if (auto* self = static_cast<Started*>(data); self->up) {
                        self->giveUp();
                    }
                },
                &started, nullptr);
            const guint comeUp = g_timeout_add_seconds(
                kComeUpSeconds,
                [](gpointer data) {
                    if (auto* self = static_cast<Started*>(data); !self->up) {
                        self->giveUp();
                    }
                    return gboolean{G_SOURCE_CONTINUE};
                },
                &started);
            const guint interrupt = g_unix_signal_add(SIGINT, quit, loop);
            const guint terminate = g_unix_signal_add(SIGTERM, quit, loop);
            g_main_loop_run(loop);
            g_source_remove(interrupt);
            g_source_remove(terminate);
            g_source_remove(comeUp);
            g_bus_unwatch_name(watch);
            if (started.failed) {
                status = fail(log,
                              started.up ? path + " ended before telling the helper to"
                                         : path + " did not come up within " +
                                               std::to_string(kComeUpSeconds) + " s",
                              nullptr);
            }
        }
    }
    g_dbus_connection_signal_unsubscribe(bus, subscription);
    g_main_loop_unref(loop);
    g_object_unref(bus);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        const bool help = std::strcmp(argv[1], "--help") == 0;
        if (!help) {
            std::fprintf(stderr, "%s: unknown argument %s\n", kProgram, argv[1]);
        }
        std::fprintf(help ? stdout : stderr,
                     "Usage: %s\nStarts %s from its own folder and ends when %s tells it to.\n",
                     kProgram, kApplicationProgram, build::kName);
        return help ? 0 : 2;
    }
    return runHelper();
}

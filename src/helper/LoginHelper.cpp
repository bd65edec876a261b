// headroom-login-helper: the program the session starts at login (from the autostart entry
// that start at login writes). It owns the session-bus name com.Tidewell.Helper, starts
// Headroom from its own folder unless Headroom already runs, and ends when Headroom, at its
// launch, sends the TERMINATEHELPER signal.

#include <gio/gio.h>
#include <glib-unix.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/BuildInfo.h"
#include "platform/LoginItems.h"
#include "platform/linux/ExecutableFolder.h"
#include "platform/linux/SessionBusNotificationCenter.h"
#include "platform/linux/SysLog.h"

namespace {

using headroom::SessionBusNotificationCenter;

constexpr const char* kProgram = "headroom-login-helper";
constexpr const char* kApplicationProgram = "headroom";
// org.freedesktop.DBus.RequestName: fail rather than wait in line; "primary owner" on success.
constexpr guint32 kDoNotQueue = 4;
constexpr guint32 kPrimaryOwner = 1;

void onTerminate(GDBusConnection* /*bus*/, const gchar* /*sender*/, const gchar* /*path*/,
                 const gchar* /*interface*/, const gchar* /*signal*/, GVariant* /*parameters*/,
                 gpointer loop) {
    g_main_loop_quit(static_cast<GMainLoop*>(loop));
}

gboolean onSignal(gpointer loop) {
    g_main_loop_quit(static_cast<GMainLoop*>(loop));
    return G_SOURCE_CONTINUE;
}

/// Calls a method of the bus itself; nothing, with `error` set, when the call fails.
GVariant* callBus(GDBusConnection* bus, const char* method, GVariant* arguments,
                  const char* replyType, GError** error) {
    return g_dbus_connection_call_sync(
        bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", method,
        arguments, G_VARIANT_TYPE(replyType), G_DBUS_CALL_FLAGS_NONE, -1, nullptr, error);
}

std::string besideSelf(const char* program) {
    const std::string folder = headroom::executableFolder();
    return (folder.empty() ? std::string(".") : folder) + "/" + program;
}

class Helper {
  public:
    Helper() : loop_(g_main_loop_new(nullptr, FALSE)) {}
    ~Helper() {
        if (bus_ != nullptr) {
            if (subscription_ != 0) {
                g_dbus_connection_signal_unsubscribe(bus_, subscription_);
            }
            g_object_unref(bus_);
        }
        g_main_loop_unref(loop_);
    }
    Helper(const Helper&) = delete;
    Helper& operator=(const Helper&) = delete;

    int run() {
        GError* error = nullptr;
        bus_ = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
        if (bus_ == nullptr) {
            return fail("no session bus", error);
        }
        // Listen before anything can make Headroom send the signal.
        subscription_ = g_dbus_connection_signal_subscribe(
            bus_, nullptr, SessionBusNotificationCenter::kInterface,
            headroom::kTerminateHelperNotification, SessionBusNotificationCenter::kObjectPath,
            nullptr, G_DBUS_SIGNAL_FLAGS_NONE, onTerminate, loop_, nullptr);

        // The name is what Headroom looks for at its launch: own it before starting Headroom.
        // Asked once and answered before anything else, rather than through g_bus_own_name,
        // whose answer would only come as the loop turns: the helper decides at once whether
        // it is the one at work.
        GVariant* reply = callBus(
            bus_, "RequestName",
            g_variant_new("(su)", headroom::kHelperBundleIdentifier, kDoNotQueue), "(u)", &error);
        if (reply == nullptr) {
            return fail("cannot own the bus name", error);
        }
        guint32 result = 0;
        g_variant_get(reply, "(u)", &result);
        g_variant_unref(reply);
        if (result != kPrimaryOwner) {
            return 0;  // another login helper is already at work
        }
        // Headroom tells only a helper it finds at its own launch to end: if it already runs,
        // there is nothing to start and nobody to wait for.
        if (applicationRuns()) {
            return 0;
        }
        if (const int status = startApplication(); status != 0) {
            return status;
        }
        const guint interrupt = g_unix_signal_add(SIGINT, onSignal, loop_);
        const guint terminate = g_unix_signal_add(SIGTERM, onSignal, loop_);
        g_main_loop_run(loop_);
        g_source_remove(interrupt);
        g_source_remove(terminate);
        return 0;
    }

  private:
    bool applicationRuns() {
        GVariant* reply =
            callBus(bus_, "NameHasOwner", g_variant_new("(s)", headroom::build::kApplicationId),
                    "(b)", nullptr);
        gboolean owned = FALSE;
        if (reply != nullptr) {
            g_variant_get(reply, "(b)", &owned);
            g_variant_unref(reply);
        }
        return owned != FALSE;
    }

    int startApplication() {
        const std::string path = besideSelf(kApplicationProgram);
        gchar* argv[] = {const_cast<gchar*>(path.c_str()), nullptr};
        GError* error = nullptr;
        // Without DO_NOT_REAP_CHILD GLib detaches the child: Headroom outlives the helper.
        if (!g_spawn_async(nullptr, argv, nullptr, G_SPAWN_DEFAULT, nullptr, nullptr, nullptr,
                           &error)) {
            return fail(("cannot start " + path).c_str(), error);
        }
        return 0;
    }

    int fail(const char* what, GError* error) {
        log_.log(std::string("Login helper: ") + what + ": " +
                 (error != nullptr ? error->message : "unknown error"));
        g_clear_error(&error);
        return 1;
    }

    headroom::SysLog log_{true};
    GMainLoop* loop_;
    GDBusConnection* bus_ = nullptr;
    guint subscription_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        const bool help = std::strcmp(argv[1], "--help") == 0;
        if (!help) {
            std::fprintf(stderr, "%s: unknown argument %s\n", kProgram, argv[1]);
        }
        std::fprintf(help ? stdout : stderr,
                     "Usage: %s\nStarts %s from its own folder and ends when %s tells it to.\n",
                     kProgram, kApplicationProgram, headroom::build::kName);
        return help ? 0 : 2;
    }
    Helper helper;
    return helper.run();
}

#include "platform/linux/SessionBusNotificationCenter.h"

#include <gio/gio.h>

#include <string>

namespace headroom {

void SessionBusNotificationCenter::postNotification(const std::string& name,
                                                    const std::string& object) {
    g_autoptr(GError) error = nullptr;
    g_autoptr(GDBusConnection) bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (bus != nullptr) {
        g_dbus_connection_emit_signal(bus, nullptr, kObjectPath, kInterface, name.c_str(),
                                      g_variant_new("(s)", object.c_str()), &error);
        // The signal must leave before a short-lived caller exits.
        if (error == nullptr) {
            g_dbus_connection_flush_sync(bus, nullptr, &error);
        }
    }
    if (error != nullptr) {
        log_.log("Could not send " + name + " on the session bus: " + error->message);
    }
}

}  // namespace headroom

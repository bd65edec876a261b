#include "platform/linux/NetworkReachability.h"

#include <gio/gio.h>

namespace headroom {

// The C calls: the network monitor is a process-wide object owned by GIO (no reference is
// handed out), which giomm's wrapper would release as if it were ours.

std::optional<ReachabilityFlags> NetworkReachability::flagsForHost(const std::string& hostName) {
    if (hostName.empty()) {
        return std::nullopt;
    }
    GNetworkMonitor* monitor = g_network_monitor_get_default();
    if (monitor == nullptr) {
        return std::nullopt;
    }
    ReachabilityFlags flags;
    if (g_network_monitor_get_network_available(monitor) == FALSE) {
        return flags;
    }
    switch (g_network_monitor_get_connectivity(monitor)) {
        case G_NETWORK_CONNECTIVITY_FULL:
        case G_NETWORK_CONNECTIVITY_LIMITED:
            break;
        case G_NETWORK_CONNECTIVITY_PORTAL:
            flags.connectionRequired = true;
            break;
        case G_NETWORK_CONNECTIVITY_LOCAL:
            return flags;
    }
    GResolver* resolver = g_resolver_get_default();
    GError* error = nullptr;
    GList* addresses = g_resolver_lookup_by_name(resolver, hostName.c_str(), nullptr, &error);
    flags.reachable = error == nullptr && addresses != nullptr;
    g_clear_error(&error);
    g_resolver_free_addresses(addresses);
    g_object_unref(resolver);
    return flags;
}

}  // namespace headroom

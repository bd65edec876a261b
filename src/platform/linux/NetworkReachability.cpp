#include "platform/linux/NetworkReachability.h"

#include <gio/gio.h>

namespace headroom {

// The C calls: the network monitor is a process-wide object owned by GIO (no reference is
// handed out), which giomm's wrapper would release as if it were ours.

bool NetworkReachability::isReachable(const std::string& hostName) {
    GNetworkMonitor* monitor = g_network_monitor_get_default();
    if (hostName.empty() || monitor == nullptr ||
        g_network_monitor_get_network_available(monitor) == FALSE) {
        return false;
    }
    const GNetworkConnectivity connectivity = g_network_monitor_get_connectivity(monitor);
    if (connectivity != G_NETWORK_CONNECTIVITY_FULL &&
        connectivity != G_NETWORK_CONNECTIVITY_LIMITED) {
        return false;
    }
    GResolver* resolver = g_resolver_get_default();
    GList* addresses = g_resolver_lookup_by_name(resolver, hostName.c_str(), nullptr, nullptr);
    const bool resolved = addresses != nullptr;
    g_resolver_free_addresses(addresses);
    g_object_unref(resolver);
    return resolved;
}

}  // namespace headroom

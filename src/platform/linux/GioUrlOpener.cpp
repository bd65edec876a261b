#include "platform/linux/GioUrlOpener.h"

#include <gio/gio.h>

namespace headroom {

bool GioUrlOpener::isWebAddress(const std::string& url) {
    // A web address names a host: "http:///etc/passwd" parses, but no browser should be handed it.
    g_autoptr(GUri) uri = g_uri_parse(url.c_str(), G_URI_FLAGS_NONE, nullptr);
    if (uri == nullptr) {
        return false;
    }
    const char* scheme = g_uri_get_scheme(uri);
    const char* host = g_uri_get_host(uri);
    return (g_ascii_strcasecmp(scheme, "http") == 0 || g_ascii_strcasecmp(scheme, "https") == 0) &&
           host != nullptr && *host != '\0';
}

void GioUrlOpener::openURL(const std::string& url) {
    if (!isWebAddress(url)) {
        log_.log("Not opening \"" + url + "\": only http and https addresses are opened");
        return;
    }
    g_autoptr(GError) error = nullptr;
    if (g_app_info_launch_default_for_uri(url.c_str(), nullptr, &error) == FALSE) {
        log_.log("Could not open " + url + ": " + error->message);
    }
}

}  // namespace headroom

#include "platform/linux/GioUrlOpener.h"

#include <gio/gio.h>

namespace headroom {

bool GioUrlOpener::isWebAddress(const std::string& url) {
    gchar* scheme = g_uri_parse_scheme(url.c_str());
    const bool web = scheme != nullptr && (g_ascii_strcasecmp(scheme, "http") == 0 ||
                                           g_ascii_strcasecmp(scheme, "https") == 0);
    g_free(scheme);
    return web;
}

void GioUrlOpener::openURL(const std::string& url) {
    if (!isWebAddress(url)) {
        log_.log("Not opening \"" + url + "\": only http and https addresses are opened");
        return;
    }
    GError* error = nullptr;
    if (g_app_info_launch_default_for_uri(url.c_str(), nullptr, &error) == FALSE) {
        log_.log("Could not open " + url + ": " + error->message);
        g_error_free(error);
    }
}

}  // namespace headroom

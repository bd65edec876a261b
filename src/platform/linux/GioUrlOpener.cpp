#include "platform/linux/GioUrlOpener.h"

#include <glib.h>

#include <giomm/appinfo.h>
#include <glibmm/error.h>

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
    try {
        Gio::AppInfo::launch_default_for_uri(url);
    } catch (const Glib::Error& error) {
        log_.log("Could not open " + url + ": " + error.what().raw());
    }
}

}  // namespace headroom

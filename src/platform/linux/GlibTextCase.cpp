#include "platform/linux/GlibTextCase.h"

#include <glib.h>

namespace headroom {

std::string GlibTextCase::uppercaseString(const std::string& text) const {
    if (!g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) {
        return text;
    }
    gchar* upper = g_utf8_strup(text.data(), static_cast<gssize>(text.size()));
    std::string out = upper;
    g_free(upper);
    return out;
}

}  // namespace headroom

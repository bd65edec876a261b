#include "platform/linux/GlibTextCase.h"

#include <glib.h>

namespace headroom {

std::string GlibTextCase::uppercaseString(const std::string& text) const {
    if (!g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) {
        return text;
    }
    g_autofree gchar* upper = g_utf8_strup(text.data(), static_cast<gssize>(text.size()));
    return upper;
}

}  // namespace headroom

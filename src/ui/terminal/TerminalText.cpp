#include "ui/terminal/TerminalText.h"

#include <glib.h>

#include <array>
#include <cstdio>

namespace headroom {

namespace {

/// C0, DEL, C1, and the bidirectional controls (Unicode's UAX #9: the marks U+061C, U+200E,
/// U+200F, the embeddings and overrides U+202A–U+202E, the isolates U+2066–U+2069), which
/// reorder the text that follows them on the line.
bool isControl(gunichar c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

}  // namespace

std::string escapeControlCharacters(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const auto byte = static_cast<unsigned char>(text.front());
        // GLib refuses what RFC 3629 does (overlong forms, surrogates, beyond U+10FFFF) with
        // -1, and a sequence cut short or holding a NUL with -2: that byte is escaped alone.
        const gunichar c = g_utf8_get_char_validated(text.data(), static_cast<gssize>(text.size()));
        const bool valid = c <= 0x10FFFF;
        const std::size_t length = valid ? static_cast<std::size_t>(g_utf8_skip[byte]) : 1;
        if (valid && !isControl(c)) {
            out.append(text.substr(0, length));
        } else {
            std::array<char, 8> escape{};
            const int written =
                std::snprintf(escape.data(), escape.size(),
                              valid && c >= 0x80 ? "\\u%04x" : "\\x%02x", valid ? c : byte);
            out.append(escape.data(), static_cast<std::size_t>(written));
        }
        text.remove_prefix(length);
    }
    return out;
}

}  // namespace headroom

#include "platform/linux/TerminalText.h"

#include <array>
#include <cstdint>
#include <cstdio>

namespace headroom {

namespace {

void appendEscape(std::string& out, const char* format, unsigned value) {
    std::array<char, 8> text{};
    const int length = std::snprintf(text.data(), text.size(), format, value);
    out.append(text.data(), static_cast<std::size_t>(length));
}

/// The length of the valid UTF-8 sequence at the start of `text` and its code point, or 0
/// when the first byte does not start one (RFC 3629: no overlong forms, no surrogates).
std::size_t utf8Sequence(std::string_view text, std::uint32_t& codePoint) {
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    std::uint32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1Fu;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0Fu;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07u;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (text.size() < length) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0u) != 0x80u) {
            return 0;
        }
        codePoint = (codePoint << 6) | (byte(i) & 0x3Fu);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF ||
        (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        return 0;
    }
    return length;
}

}  // namespace

std::string escapeControlCharacters(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const auto byte = static_cast<unsigned char>(text.front());
        if (byte < 0x80) {
            if (byte < 0x20 || byte == 0x7F) {
                appendEscape(out, "\\x%02x", byte);
            } else {
                out += static_cast<char>(byte);
            }
            text.remove_prefix(1);
            continue;
        }
        std::uint32_t codePoint = 0;
        const std::size_t length = utf8Sequence(text, codePoint);
        if (length == 0) {
            appendEscape(out, "\\x%02x", byte);
            text.remove_prefix(1);
        } else if (codePoint <= 0x9F) {
            appendEscape(out, "\\u%04x", codePoint);
            text.remove_prefix(length);
        } else {
            out.append(text.substr(0, length));
            text.remove_prefix(length);
        }
    }
    return out;
}

}  // namespace headroom

#include "ui/terminal/TerminalRender.h"

#include <array>
#include <charconv>
#include <cstdio>

#include "platform/linux/TerminalText.h"

namespace headroom {

namespace {

const char* colorName(TitleColor color) {
    return color == TitleColor::Red ? "red" : "grey";
}

/// Shortest text that reads back as the same single-precision value (11.4, not 11.3999996).
std::string floatText(float value) {
    std::array<char, 32> buffer{};
    auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    if (error != std::errc{}) {
        return "0";
    }
    return std::string(buffer.data(), end);
}

}  // namespace

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    std::array<char, 8> escaped{};
                    std::snprintf(escaped.data(), escaped.size(), "\\u%04x",
                                  static_cast<unsigned>(static_cast<unsigned char>(c)));
                    out += escaped.data();
                } else {
                    out += c;
                }
        }
    }
    out += '"';
    return out;
}

std::string renderPlain(const StatusSnapshot& snapshot) {
    // Titles carry names from outside (desktop entries): nothing in them may steer the terminal.
    std::string out = "Title: " + escapeControlCharacters(snapshot.title.text) + " (" +
                      colorName(snapshot.title.attributes.foregroundColor) + ")\n";
    if (!snapshot.image) {
        out += "Icon: none\n";
    } else if (snapshot.image->kind == StatusImage::Kind::BarIcon) {
        out += "Icon: bar " + floatText(snapshot.image->barWidth) + " of 11.4\n";
    } else {
        out += "Icon: " + escapeControlCharacters(snapshot.image->name) + "\n";
    }
    out += "Menu:\n";
    if (snapshot.menu != nullptr) {
        for (const MenuRow& row : snapshot.menu->rows()) {
            out +=
                row.separator ? std::string("  ----") : "  " + escapeControlCharacters(row.title);
            out += '\n';
        }
    }
    return out;
}

std::string renderJson(const StatusSnapshot& snapshot) {
    std::string out = "{\"title\":{\"text\":" + jsonString(snapshot.title.text) + ",\"color\":\"" +
                      colorName(snapshot.title.attributes.foregroundColor) + "\"},\"icon\":";
    if (!snapshot.image) {
        out += "null";
    } else if (snapshot.image->kind == StatusImage::Kind::BarIcon) {
        out += "{\"barWidth\":" + floatText(snapshot.image->barWidth) + "}";
    } else {
        out += "{\"name\":" + jsonString(snapshot.image->name) + "}";
    }
    out += ",\"menu\":[";
    if (snapshot.menu != nullptr) {
        bool first = true;
        for (const MenuRow& row : snapshot.menu->rows()) {
            if (!first) {
                out += ',';
            }
            first = false;
            out += "{\"title\":" + jsonString(row.title) + ",\"tag\":" + std::to_string(row.tag) +
                   ",\"enabled\":" + (row.enabled ? "true" : "false") +
                   ",\"separator\":" + (row.separator ? "true" : "false") + "}";
        }
    }
    out += "]}";
    return out;
}

}  // namespace headroom

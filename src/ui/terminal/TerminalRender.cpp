#include "ui/terminal/TerminalRender.h"

#include <array>
#include <charconv>
#include <cstdio>

#include "ui/terminal/TerminalText.h"

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

/// A count of bytes as a JSON number, or null.
std::string bytesJson(const std::optional<double>& bytes) {
    char text[32] = "null";
    if (bytes) {
        std::snprintf(text, sizeof text, "%.0f", *bytes);
    }
    return text;
}

std::string stallJson(const std::optional<StallAverages>& stall) {
    char text[96] = "null";
    if (stall) {
        std::snprintf(text, sizeof text, "{\"avg10\":%.2f,\"avg60\":%.2f,\"avg300\":%.2f}",
                      stall->avg10, stall->avg60, stall->avg300);
    }
    return text;
}

}  // namespace

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            // No control character may stand in a string as it is (RFC 8259, section 7).
            std::array<char, 8> escaped{};
            std::snprintf(escaped.data(), escaped.size(), "\\u%04x", static_cast<unsigned>(byte));
            out += escaped.data();
        } else {
            out += c;
        }
    }
    out += '"';
    return out;
}

std::string renderPlain(const TerminalStatusItem& item) {
    // Titles carry names from outside (desktop entries): nothing in them may steer the terminal.
    std::string out = "Title: " + escapeControlCharacters(item.title().text) + " (" +
                      colorName(item.title().attributes.foregroundColor) + ")\n";
    out += item.image().showsBar ? "Icon: bar " + floatText(item.image().barWidth()) + " of 11.4\n"
                                 : std::string("Icon: none\n");
    out += "Menu:\n";
    for (const MenuRow& row : item.rows()) {
        out += row.separator ? std::string("  ----") : "  " + escapeControlCharacters(row.title);
        out += '\n';
    }
    return out;
}

std::string renderJson(const TerminalStatusItem& item, const MemoryMonitor& monitor) {
    std::string out = "{\"title\":{\"text\":" + jsonString(item.title().text) + ",\"color\":\"" +
                      colorName(item.title().attributes.foregroundColor) + "\"},\"icon\":";
    out += item.image().showsBar ? "{\"barWidth\":" + floatText(item.image().barWidth()) + "}"
                                 : std::string("null");
    out += ",\"menu\":[";
    for (const MenuRow& row : item.rows()) {
        out += "{\"title\":" + jsonString(row.title) + ",\"tag\":" + std::to_string(row.tag) +
               ",\"enabled\":" + (row.enabled ? "true" : "false") +
               ",\"separator\":" + (row.separator ? "true" : "false") + "},";
    }
    if (out.back() == ',') {
        out.pop_back();
    }
    const auto& details = monitor.memoryDetails();
    const bool swap = details && details->swapTotal && details->swapUsed;
    out += "],\"available\":" + bytesJson(details ? details->available : std::nullopt) +
           ",\"swap\":" +
           (swap ? "{\"total\":" + bytesJson(details->swapTotal) +
                       ",\"used\":" + bytesJson(details->swapUsed) + "}"
                 : std::string("null")) +
           ",\"pressure\":";
    const auto& pressure = monitor.pressure();
    out += pressure ? "{\"some\":" + stallJson(pressure->some) +
                          ",\"full\":" + stallJson(pressure->full) + "}"
                    : std::string("null");
    out += "}";
    return out;
}

}  // namespace headroom

#include "preferences/PreferenceRules.h"

#include <algorithm>
#include <limits>

namespace headroom {

namespace {

bool isWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isUnreservedInPath(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
        return true;
    }
    return std::string_view("-._~!$&'()*+,=:@/").find(static_cast<char>(c)) !=
           std::string_view::npos;
}

}  // namespace

std::int32_t intValue(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isWhiteSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate in 64 bits and stop growing once past the 32-bit range, so that any number of
    // digits is safe.
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        magnitude = std::min<std::int64_t>(magnitude * 10 + (text[i] - '0'), kLimit);
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

std::int32_t boundMemoryLevel(std::int32_t value) {
    return std::clamp(value, kMinimumMemoryLevel, kMaximumMemoryLevel);
}

std::int32_t boundSignificantThreshold(std::int32_t value) {
    return std::clamp(value, kMinimumSignificantThreshold, kMaximumSignificantThreshold);
}

TabSize tabSize(SettingTab tab) {
    switch (tab) {
        case SettingTab::General:
            return {390.0, 315.0};
        case SettingTab::Advanced:
            return {390.0, 370.0};
        case SettingTab::AboutUs:
            return {440.0, 290.0};
    }
    return {390.0, 315.0};
}

WindowFrame frameForTab(const WindowFrame& current, SettingTab tab) {
    const TabSize size = tabSize(tab);
    WindowFrame frame;
    frame.x = current.x;
    frame.width = size.width;
    frame.height = size.height;
    frame.y = current.y + current.height - size.height;
    return frame;
}

std::string versionString(std::string_view shortVersion, std::string_view buildVersion) {
    std::string text = "Version ";
    text += shortVersion;
    text += " (";
    text += buildVersion;
    text += ")";
    return text;
}

std::string fileURLWithPath(std::string_view path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string url = "file://";
    if (path.empty() || path.front() != '/') {
        url += '/';
    }
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (isUnreservedInPath(byte)) {
            url += c;
        } else {
            url += '%';
            url += kHex[byte >> 4];
            url += kHex[byte & 0x0F];
        }
    }
    return url;
}

}  // namespace headroom

#include "preferences/PreferenceRules.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <string>

namespace headroom {

std::int32_t intValue(std::string_view text) {
    // strtoll reads just that (white space, a sign, decimal digits) and gives its 64-bit limit
    // for a number beyond it.
    const long long value = std::strtoll(std::string(text).c_str(), nullptr, 10);
    return static_cast<std::int32_t>(std::clamp<long long>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

std::int32_t boundMemoryLevel(std::int32_t value) {
    return std::clamp(value, kMinimumMemoryLevel, kMaximumMemoryLevel);
}

std::int32_t boundSignificantThreshold(std::int32_t value) {
    return std::clamp(value, kMinimumSignificantThreshold, kMaximumSignificantThreshold);
}

std::int32_t boundPressureLevel(std::int32_t value) {
    return std::clamp(value, 0, kMaximumPressureLevel);
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
    return WindowFrame{current.x, current.top() - size.height, size.width, size.height};
}

std::string versionString(std::string_view shortVersion, std::string_view buildVersion) {
    return "Version " + std::string(shortVersion) + " (" + std::string(buildVersion) + ")";
}

}  // namespace headroom

#include "monitor/MemoryFormat.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string_view>
#include <system_error>

namespace headroom {

namespace {

constexpr double kKibi = 0x1p-10;
constexpr double kMebi = 0x1p-20;
constexpr double kGibi = 0x1p-30;

/// "%0.2f" followed by `suffix`, always in the C locale: the desktop's locale may use a decimal
/// comma, and the figures must read the same everywhere.
std::string twoDecimals(double value, std::string_view suffix) {
    std::array<char, 400> buffer{};
    auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, 2);
    if (error != std::errc{}) {
        return std::string(suffix);
    }
    std::string out(buffer.data(), end);
    out += suffix;
    return out;
}

}  // namespace

std::string formatMemoryAmount(double bytes, bool isPercentage, double totalMemory) {
    const double value = std::isfinite(bytes) ? bytes : 0.0;
    if (isPercentage) {
        // The share is rounded to single precision before printing, as the title always was.
        auto percent = static_cast<float>(value * 100.0 / totalMemory);
        // A total of 0 (or below the figure) cannot come from a real machine; the share is
        // then shown within 0 to 100, never as "inf%" or "nan%".
        percent = std::isnan(percent) ? 0.0f : std::clamp(percent, 0.0f, 100.0f);
        return twoDecimals(static_cast<double>(percent), "%");
    }
    if (value * kGibi >= 1.0) {
        return twoDecimals(value * kGibi, " GB");
    }
    if (value * kMebi >= 1.0) {
        return twoDecimals(value * kMebi, " MB");
    }
    return twoDecimals(value * kKibi, " KB");
}

std::string formatTotalMemory(double totalBytes) {
    return twoDecimals(totalBytes * kGibi, " GB");
}

}  // namespace headroom

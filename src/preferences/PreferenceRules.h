#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/SettingWindowFactory.h"

namespace headroom {

// The pure rules of the preferences window, apart from any window.

/// The integer reading of a text, as the desktop's `intValue` does it: leading white space is
/// skipped, an optional sign is taken, then decimal digits up to the first other character. A
/// text that does not begin with a number reads 0; a number beyond 32 bits reads the nearest
/// 32-bit limit.
std::int32_t intValue(std::string_view text);

/// The memory-level field keeps 1 to 1024 (megabytes) while typing and at the end of editing.
inline constexpr std::int32_t kMinimumMemoryLevel = 1;
inline constexpr std::int32_t kMaximumMemoryLevel = 1024;
/// The significance field keeps 0 to 100 (per cent) while typing.
inline constexpr std::int32_t kMinimumSignificantThreshold = 0;
inline constexpr std::int32_t kMaximumSignificantThreshold = 100;

std::int32_t boundMemoryLevel(std::int32_t value);
/// The pressure field keeps 0 (no warning) to 100 (per cent), while typing and at the end.
inline constexpr std::int32_t kMaximumPressureLevel = 100;

std::int32_t boundSignificantThreshold(std::int32_t value);
std::int32_t boundPressureLevel(std::int32_t value);

/// The three tabs of the window, in toolbar order.
enum class SettingTab { General, Advanced, AboutUs };

/// The whole window's size on a tab, in points: 390 × 315, 390 × 370 and 440 × 290.
struct TabSize {
    double width;
    double height;
};
TabSize tabSize(SettingTab tab);

/// The frame of `tab` for a window now at `current`: the left and top edges stay where they are,
/// so the window grows or shrinks at its bottom and a change of width moves only its right
/// edge.
WindowFrame frameForTab(const WindowFrame& current, SettingTab tab);

/// "Version <short> (<build>)", the About tab's version line.
std::string versionString(std::string_view shortVersion, std::string_view buildVersion);

}  // namespace headroom

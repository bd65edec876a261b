#pragma once

#include <string>
#include <string_view>

#include "platform/SettingWindowFactory.h"

namespace headroom {

// The pure rules of the preferences window, apart from any window.

/// The number fields keep these while typing and at the end of editing: the memory level 1 to
/// 1024 (megabytes), the significance and pressure thresholds 0 to 100 (per cent; a pressure
/// of 0 turns the warning off).
FieldBounds fieldBounds(SettingField field);

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

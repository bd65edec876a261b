#pragma once

#include <optional>
#include <string>

#include "platform/StatusBar.h"

namespace headroom {

/// What the status area shows, as the terminal front end prints it.
struct StatusSnapshot {
    AttributedTitle title;
    std::optional<StatusImage> image;
    const StatusItemMenu* menu = nullptr;
};

/// Plain text: the title with its colour, the icon, then one line per menu row, with control
/// characters escaped (see escapeControlCharacters).
std::string renderPlain(const StatusSnapshot& snapshot);

/// One JSON object:
/// {"title":{"text":…,"color":"red"|"grey"},"icon":{"barWidth":…}|null,"menu":[{"title":…,
/// "tag":…,"enabled":…,"separator":…},…]}
std::string renderJson(const StatusSnapshot& snapshot);

/// Text as a JSON string literal, quotes included (RFC 8259, section 7).
std::string jsonString(std::string_view text);

}  // namespace headroom

#pragma once

#include <string>
#include <string_view>

#include "monitor/MemoryMonitor.h"
#include "ui/terminal/TerminalStatusBar.h"

namespace headroom {

/// Text as a JSON string literal, quotes included, control characters escaped.
std::string jsonString(std::string_view text);

/// What the status item shows, as plain text: the title with its colour, the icon, then one
/// line per menu row, with control characters escaped (see escapeControlCharacters).
std::string renderPlain(const TerminalStatusItem& item);

/// The same as one JSON object:
/// {"title":{"text":…,"color":"red"|"grey"},"icon":{"barWidth":…}|null,"menu":[{"title":…,
/// "tag":…,"enabled":…,"separator":…},…],"available":bytes|null,"swap":{"total":bytes,
/// "used":bytes}|null,"pressure":{"some":{"avg10":…,"avg60":…,"avg300":…},"full":{…}|null}|null}
std::string renderJson(const TerminalStatusItem& item, const MemoryMonitor& monitor);

}  // namespace headroom

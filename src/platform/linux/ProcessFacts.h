#pragma once

// Facts about one process read from its procfs files, parsed from their text.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace headroom {

/// The start time of a process, field 22 of /proc/<pid>/stat (clock ticks after boot). The
/// command name (field 2) is in parentheses and may itself hold spaces and parentheses, so the
/// fields are counted from the last ')'. Nothing when the text is too short or malformed.
std::optional<std::uint64_t> parseStatStartTime(std::string_view text);

/// The desktop file a process was launched from, when GLib launched it: the value of
/// GIO_LAUNCHED_DESKTOP_FILE in the NUL-separated text of /proc/<pid>/environ, provided that
/// GIO_LAUNCHED_DESKTOP_FILE_PID holds `pid` too. A child inherits both variables with its
/// parent's pid, so the check keeps helpers and shells started from an application out of it.
std::optional<std::string> parseLaunchedDesktopFile(std::string_view environment, std::int32_t pid);

}  // namespace headroom

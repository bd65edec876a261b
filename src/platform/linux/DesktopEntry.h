#pragma once

// What this program reads of a desktop entry (freedesktop.org Desktop Entry Specification).
// GLib's key-file reader does the parsing, the escapes and the choice among `Key[locale]`
// variants; only the reading of the file stays ours, so that a FIFO or a device among the
// entries is never opened blocking and a huge file is never read whole.

#include <optional>
#include <string>
#include <string_view>

namespace headroom {

/// The keys of the `[Desktop Entry]` group this program uses, their escapes decoded.
struct DesktopEntry {
    std::string name;     ///< the best variant of Name for the locale; empty when there is none
    std::string icon;     ///< the best variant of Icon (a themed name or a path), or empty
    bool hidden = false;  ///< Hidden=true: the entry counts as deleted
    /// Type=Application with a Name, neither NoDisplay=true nor Hidden=true: an application the
    /// user launched and can switch to (NoDisplay marks helpers such as portals).
    bool regular = false;
};

/// Parses desktop entry text. `locale` picks among localized variants ("de_DE.UTF-8" tries
/// de_DE.UTF-8, de_DE, de.UTF-8, de, then the unlocalized value); empty means the user's
/// languages as GLib orders them (LANGUAGE, then LC_ALL, LC_MESSAGES, LANG). Nothing when the
/// text is not a key file with a `[Desktop Entry]` group (GLib refuses lines that are neither
/// groups, keys nor comments, and text that is not UTF-8, as desktops then do).
std::optional<DesktopEntry> parseDesktopEntry(std::string_view text,
                                              const std::string& locale = {});

/// Reads `path` as a regular file (opened without blocking, at most 1 MiB) and parses it;
/// nothing when it cannot be read or is not an entry.
std::optional<DesktopEntry> readDesktopEntry(const std::string& path,
                                             const std::string& locale = {});

}  // namespace headroom

#pragma once

// What this program reads of desktop entries (freedesktop.org Desktop Entry Specification).
// GLib's key-file reader does the parsing, the escapes and the choice among `Key[locale]`
// variants; only the finding and the reading of the files stay ours, so that a FIFO or a device
// among the entries is never opened blocking and a huge file is never read whole.

#include <sys/types.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

/// Parses desktop entry text; localized values are picked for the user's languages as GLib
/// orders them (LANGUAGE, then LC_ALL, LC_MESSAGES, LANG; "de_DE.UTF-8" tries de_DE.UTF-8,
/// de_DE, de.UTF-8, de, then the unlocalized value). Nothing when the text is not a key file
/// with a `[Desktop Entry]` group (GLib refuses lines that are neither groups, keys nor
/// comments, and text that is not UTF-8, as desktops then do).
std::optional<DesktopEntry> parseDesktopEntry(std::string_view text);

/// Reads `path` as a regular file (opened without blocking, at most 1 MiB) and parses it;
/// nothing when it cannot be read or is not an entry.
std::optional<DesktopEntry> readDesktopEntry(const std::string& path);

/// The desktop entries of the applications folders, by desktop file id, parsed once.
///
/// Folders are searched in order and the first one to hold an id wins, as the XDG base
/// directory and desktop entry specifications say; a file in a subfolder has an id with '-'
/// for each '/' (applications/kde/foo.desktop → "kde-foo"). A file with no [Desktop Entry]
/// group, or that cannot be read, holds no id, so a later folder may provide it.
///
/// `refresh()` costs one stat per folder (the applications folders and their subfolders). Only
/// when a folder changed (its mtime or inode, or it appeared or went) are the folders listed
/// and their entries read again, all of them: that happens when software is installed, and
/// reading a few hundred entries then takes milliseconds. A folder changed less than two
/// seconds before its listing is listed again on the next refresh as well, since a change
/// within the file system's timestamp granularity would not move its mtime. A file rewritten in
/// place, which leaves its folder alone (package managers and editors write a new file and
/// rename it), is seen on the next change of a folder.
///
/// Hand-written rather than GIO's GDesktopAppInfo lookups: GIO opens entries blocking and
/// reads them whole (a FIFO named like an entry hangs the lookup), and it keeps the data
/// folders of the process's first call.
class DesktopEntryCache {
  public:
    /// `applicationFolders` as `applicationFoldersFromEnvironment` gives them.
    explicit DesktopEntryCache(std::vector<std::string> applicationFolders);

    /// `$XDG_DATA_HOME/applications` (default ~/.local/share/applications), then
    /// `<dir>/applications` for each of `$XDG_DATA_DIRS` (default /usr/local/share:/usr/share),
    /// without trailing slashes; relative entries are ignored, as the XDG Base Directory
    /// specification says, and so are repeats. (GLib's g_get_system_data_dirs keeps relative
    /// entries, and reads the environment only once in a process.)
    static std::vector<std::string> applicationFoldersFromEnvironment();

    /// Brings the entries up to date with the folders (see the class comment).
    void refresh();

    /// The entry of a desktop file id (without ".desktop"); nothing when no folder holds it.
    const DesktopEntry* find(std::string_view id) const;

    /// The desktop file id of a file: its path below the first applications folder that holds
    /// it, '/' turned into '-', without ".desktop"; for a file outside them, its base name
    /// without ".desktop".
    std::string idForPath(std::string_view path) const;

  private:
    struct FolderState {
        std::string path;
        bool exists = false;
        long long mtime = 0;  ///< nanoseconds
        ino_t inode = 0;
        dev_t device = 0;
        static FolderState of(const std::string& path);
        friend bool operator==(const FolderState&, const FolderState&) = default;
    };

    void scanFolder(const std::string& path, const std::string& idPrefix, int depth);

    std::vector<std::string> roots_;
    bool racy_ = true;  ///< list the folders at the next refresh, changed or not
    std::vector<FolderState> folders_;
    std::map<std::string, DesktopEntry, std::less<>> byId_;
    std::vector<std::pair<dev_t, ino_t>> visiting_;  // guards against symbolic link loops
};

}  // namespace headroom

#pragma once

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/DesktopEntry.h"

namespace headroom {

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
    /// `locale` as `parseDesktopEntry` takes it: empty for the user's languages.
    DesktopEntryCache(std::vector<std::string> applicationFolders, std::string locale = {});

    /// `$XDG_DATA_HOME/applications` (default ~/.local/share/applications), then
    /// `<dir>/applications` for each of `$XDG_DATA_DIRS` (default /usr/local/share:/usr/share);
    /// relative entries are ignored, as the XDG Base Directory specification says (GLib's
    /// g_get_system_data_dirs keeps them, which is why this is ours), and so are repeats.
    static std::vector<std::string> applicationFoldersFromEnvironment();

    /// Brings the entries up to date with the folders (see the class comment).
    void refresh();

    /// The entry of a desktop file id (without ".desktop"); nothing when no folder holds it.
    const DesktopEntry* find(std::string_view id) const;
    bool contains(std::string_view id) const { return find(id) != nullptr; }

    /// The desktop file id of a file: its path below the first applications folder that holds
    /// it, '/' turned into '-', without ".desktop"; for a file outside them, its base name
    /// without ".desktop".
    std::string idForPath(std::string_view path) const;

    std::size_t size() const { return byId_.size(); }

    /// Times the folders were listed since construction.
    std::size_t scanCount() const { return scanCount_; }

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
    std::string locale_;
    bool racy_ = false;
    std::vector<FolderState> folders_;
    std::map<std::string, DesktopEntry, std::less<>> byId_;
    std::vector<std::pair<dev_t, ino_t>> visiting_;  // guards against symbolic link loops
    std::size_t scanCount_ = 0;
};

}  // namespace headroom

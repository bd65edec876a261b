#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <ctime>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
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
/// again, and then only files that are new or changed (mtime, size or inode) are parsed again.
/// A folder changed less than two seconds before its listing is listed again on the next
/// refresh as well, since a change within the file system's timestamp granularity would not
/// move its mtime. A file rewritten in place, which leaves its folder alone (package managers
/// and editors write a new file and rename it), is seen on the next change of a folder.
class DesktopEntryCache {
  public:
    /// `locale` as `parseDesktopEntry` takes it: empty for the user's languages.
    DesktopEntryCache(std::vector<std::string> applicationFolders, std::string locale = {});

    /// `$XDG_DATA_HOME/applications` (default ~/.local/share/applications), then
    /// `<dir>/applications` for each of `$XDG_DATA_DIRS` (default /usr/local/share:/usr/share);
    /// relative entries are ignored, as the XDG Base Directory specification says, and so are
    /// repeats.
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

    const std::vector<std::string>& applicationFolders() const { return roots_; }
    std::size_t size() const { return byId_.size(); }

    /// Desktop files read and parsed since construction.
    std::size_t parseCount() const { return parseCount_; }
    /// Times the folders were listed since construction.
    std::size_t scanCount() const { return scanCount_; }

  private:
    struct FolderState {
        std::string path;
        bool exists = false;
        timespec mtime{};
        ino_t inode = 0;
        dev_t device = 0;
    };
    struct FileState {
        timespec mtime{};
        off_t size = 0;
        ino_t inode = 0;
        dev_t device = 0;
        std::optional<DesktopEntry> entry;  ///< nothing: unreadable or not an entry
        bool seen = false;
    };

    bool foldersChanged() const;
    void scan();
    void scanFolder(const std::string& path, const std::string& idPrefix, int depth);
    void readFile(const std::string& path, const struct stat& status, const std::string& id);

    std::vector<std::string> roots_;
    std::string locale_;
    bool scanned_ = false;
    bool racy_ = false;
    std::vector<FolderState> folders_;
    std::unordered_map<std::string, FileState> files_;  // by path
    std::map<std::string, DesktopEntry, std::less<>> byId_;
    std::vector<std::pair<dev_t, ino_t>> visiting_;  // guards against symbolic link loops
    std::size_t parseCount_ = 0;
    std::size_t scanCount_ = 0;
};

}  // namespace headroom

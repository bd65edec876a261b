#pragma once

#include <glib.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "platform/PreferenceStore.h"
#include "platform/SystemLog.h"

namespace headroom {

/// The preference store as a GLib key file (GKeyFile), normally
/// `$XDG_CONFIG_HOME/headroom/preferences.ini` (see `defaultPath()`). Every value lives in the
/// one group `[Preferences]`; other groups and comments of the file are kept as they are.
///
///     [Preferences]
///     isShowIcon=true
///     refreshInterval=5
///     strTextSize=Normal
///
/// Reads (never fail):
/// - `valueForKey`: the key is present, whatever its value;
/// - `boolForKey`: the key-file booleans, `true`/`1` → YES, `false`/`0` → NO, anything else NO;
/// - `integerForKey`: a signed 64-bit decimal (an optional sign, then digits); anything else,
///   including a number out of range, 0;
/// - `objectForKey`: the value's text (key-file escapes such as `\n` undone; when they cannot
///   be, the text as written).
///
/// Writes (`setBool` writes true/false, `setInteger` decimal, `setObject`/`setValue` the text
/// escaped as key files require) change the value in memory and save at once: the file is read
/// again and only the keys changed since the last save are set in it, so values edited by hand
/// meanwhile stay; then the file is replaced atomically (a temporary
/// `<file>.headroom-save-XXXXXX` in the same folder, flushed, renamed over it), keeping its
/// mode, and its owner when root saves. A symbolic link is followed: the file it
/// names is replaced, in its own folder, and the link stays. The parent folder is created
/// with mode 0700 when needed. `load()` removes the temporary files that a killed run left
/// behind (regular files of that name a minute old or more).
///
/// Only a regular file is read (opened without blocking, at most 1 MiB): a FIFO, a device or
/// a folder loads as NotRegular and is never written. A file with a NUL byte loads as Corrupt.
///
/// Keys are the program's identifiers and must be valid key-file key names (no `=`, `[`, `]` or
/// line break).
///
/// Saving is held back, and the values kept in memory for the run, in four cases:
/// - before `load()`: nothing has been read yet, and saving would replace the file unseen;
/// - after a load that found the file Corrupt, until `backUpCorruptFile()` has made its copy:
///   the corrupt file is never written over before it has been copied aside;
/// - after a load that found the file Unreadable: it exists but could not be read, so saving
///   would replace settings that were never seen;
/// - after a load that found the file NotRegular, which the caller says (nothing more is logged).
/// The others are logged once, on the first write it holds back. A save that cannot be made
/// (the file is read-only, is no longer a valid key file, or the folder cannot be written) is
/// logged with the path and the reason; the same reason is not logged again on later writes
/// (only a different one is), and the first successful save after failures is logged too.
/// Every held or failed change is still written by the next save that succeeds.
class KeyFilePreferenceStore final : public PreferenceStore {
  public:
    /// The group that holds every value.
    static constexpr const char* kGroup = "Preferences";

    enum class LoadStatus {
        Loaded,      ///< the file was read and parsed
        Missing,     ///< there is no file (yet): the store starts empty
        Corrupt,     ///< the file does not parse as a key file: the store starts empty
        Unreadable,  ///< the file exists but could not be read: the store starts empty
        NotRegular,  ///< a FIFO, device or folder: the store starts empty and never saves
    };

    /// Nothing is read until `load()`. `log` must outlive the store.
    KeyFilePreferenceStore(std::string path, SystemLog& log);

    /// `$XDG_CONFIG_HOME/headroom/preferences.ini` (`~/.config` when the variable is unset),
    /// through g_get_user_config_dir().
    static std::string defaultPath();

    /// Reads the file, replacing whatever the store holds in memory. `message` receives a
    /// short reason for Corrupt and Unreadable (the parser's or the system's words), and is
    /// cleared otherwise.
    LoadStatus load(std::string& message);

    /// After a Corrupt load: copies the file, byte for byte, beside itself as
    /// `<file>.corrupt-YYYYMMDD-HHMMSS` (local time; `-2`, `-3`… appended when that name is
    /// taken: an earlier backup is never overwritten). On success `backupPathOrError` receives
    /// the copy's path, saving is allowed again and any changes made meanwhile are saved at
    /// once. On failure it receives the reason, and saving stays held back.
    bool backUpCorruptFile(std::string& backupPathOrError);

    const std::string& path() const { return path_; }

    bool valueForKey(const std::string& key) const override;
    bool boolForKey(const std::string& key) const override;
    std::int64_t integerForKey(const std::string& key) const override;
    std::optional<std::string> objectForKey(const std::string& key) const override;

    void setBool(bool value, const std::string& key) override;
    void setInteger(std::int64_t value, const std::string& key) override;
    void setObject(const std::string& value, const std::string& key) override;

  private:
    void changed(const std::string& key);
    void save();
    /// Merges the changed keys into the file as it is now and replaces it; the reason when
    /// that cannot be done.
    std::string writeMerged();

    std::string path_;
    SystemLog& log_;
    std::unique_ptr<GKeyFile, decltype(&g_key_file_unref)> keyFile_;
    /// Why saving is held back, or nothing when it is not.
    const char* hold_ = "the store was not loaded first, so saving would replace the file unseen";
    bool holdLogged_ = false;
    std::set<std::string> changedKeys_;  // changed since the last save that succeeded
    bool overwriteCorrupt_ = false;      // the corrupt file has been copied aside, not saved
    std::string lastSaveError_;          // empty while saves succeed
};

}  // namespace headroom

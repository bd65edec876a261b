#include "platform/linux/KeyFilePreferenceStore.h"

#include <dirent.h>
#include <fcntl.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/linux/RegularFile.h"

namespace headroom {

namespace {

constexpr int kFolderMode = 0700;
constexpr int kBackupMode = 0600;
constexpr int kMaximumBackupsPerSecond = 1000;
/// A preference file is a few hundred bytes; anything this large is not one.
constexpr std::size_t kMaximumFileSize = std::size_t{1024} * 1024;
/// Symbolic links followed before giving up (the kernel's own limit, MAXSYMLINKS).
constexpr int kMaximumLinks = 40;
/// Temporary files are named `<file>.XXXXXX`, six letters or digits, as g_mkstemp makes them.
constexpr std::size_t kTemporarySuffixLength = 6;
constexpr std::string_view kTemporaryLetters =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
// Why saving is held back.
constexpr const char* kHeldUnreadable =
    "the file could not be read, so saving would replace it unseen";
constexpr const char* kHeldCorrupt = "the file is not valid and has not been copied aside yet";
constexpr auto kKeyFileFlags =
    static_cast<GKeyFileFlags>(G_KEY_FILE_KEEP_COMMENTS | G_KEY_FILE_KEEP_TRANSLATIONS);

std::string_view trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && blank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

/// The text GLib allocated, freed.
std::string take(gchar* text) {
    std::string taken = text != nullptr ? text : "";
    g_free(text);
    return taken;
}

/// Parses `contents` into `file`; the parser's reason when it cannot.
std::string parse(GKeyFile* file, const std::string& contents) {
    GError* error = nullptr;
    if (g_key_file_load_from_data(file, contents.data(), contents.size(), kKeyFileFlags, &error)) {
        return {};
    }
    std::string reason = error->message;
    g_error_free(error);
    return reason;
}

/// Writes all of `data` to `fd`; false with errno set on failure.
bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

/// Writes `data`, syncs it to disk and closes `fd` whatever happens; the first error, or 0.
int writeSyncAndClose(int fd, std::string_view data) {
    int error = 0;
    if (!writeAll(fd, data) || ::fsync(fd) != 0) {
        error = errno;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    return error;
}

std::string timestamp() {
    GDateTime* now = g_date_time_new_now_local();
    std::string text = take(g_date_time_format(now, "%Y%m%d-%H%M%S"));
    g_date_time_unref(now);
    return text;
}

std::string folderOf(const std::string& path) {
    return take(g_path_get_dirname(path.c_str()));
}

std::string nameOf(const std::string& path) {
    return take(g_path_get_basename(path.c_str()));
}

/// The file that `path` finally names, following symbolic links (a relative link is read
/// against the folder of the link). A dotfiles repository links the preference file
/// elsewhere: that file is the one to replace, and the link must stay. The file need not
/// exist; a loop or a chain too long gives the last name reached.
std::string followLinks(std::string path) {
    for (int links = 0; links < kMaximumLinks; ++links) {
        gchar* read = g_file_read_link(path.c_str(), nullptr);  // nothing when not a link
        if (read == nullptr) {
            return path;
        }
        const std::string target = take(read);
        path = target.front() == '/'
                   ? target
                   : take(g_build_filename(folderOf(path).c_str(), target.c_str(), nullptr));
    }
    return path;
}

/// Whether `name` is `<base>.XXXXXX`, a temporary file of a save of `base`.
bool isTemporaryName(std::string_view name, std::string_view base) {
    if (name.size() != base.size() + 1 + kTemporarySuffixLength || !name.starts_with(base) ||
        name[base.size()] != '.') {
        return false;
    }
    const std::string_view suffix = name.substr(base.size() + 1);
    return suffix.find_first_not_of(kTemporaryLetters) == std::string_view::npos;
}

/// Removes the temporary files of saves of `base` in `folder` that no process is writing:
/// a writer holds a lock on its temporary file until the rename, so one whose lock can be
/// taken was left by a run that was killed. Only the user's own regular files are touched.
void removeStaleTemporaryFiles(const std::string& folder, const std::string& base) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    const int folderFd = ::dirfd(dir);
    std::vector<std::string> stale;
    while (const dirent* entry = ::readdir(dir)) {
        if (!isTemporaryName(entry->d_name, base)) {
            continue;
        }
        const int fd = ::openat(folderFd, entry->d_name,
                                O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        struct stat info {};
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            stale.emplace_back(entry->d_name);
        }
        ::close(fd);
    }
    for (const std::string& name : stale) {
        ::unlinkat(folderFd, name.c_str(), 0);
    }
    ::closedir(dir);
}

/// Holds an advisory lock on a folder while a save reads, merges and replaces a file in it,
/// so that two programs saving the same file (the tray and the welcome window) take turns.
/// Only saves take it, each for the time of one save, so waiting for it is short; where locks
/// are not supported the save goes ahead without.
class FolderLock {
  public:
    explicit FolderLock(const std::string& folder)
        : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        while (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    ~FolderLock() {
        if (fd_ >= 0) {
            ::close(fd_);  // releases the lock
        }
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

  private:
    int fd_;
};

/// Replaces `target` with `data` atomically: a temporary file in the target's own folder
/// (locked while it is written, see removeStaleTemporaryFiles), written and flushed, given the
/// old file's mode and owner when there was one, then renamed over the target. Returns the
/// reason on failure, in words that do not change from one attempt to the next (the
/// temporary file's name is left out), and removes the temporary file.
std::string replaceAtomically(const std::string& target, std::string_view data,
                              const struct stat* old) {
    const std::string folder = folderOf(target);
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = target + ".XXXXXX";
        fd = g_mkstemp_full(temporary.data(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) {
            return "cannot create a temporary file in " + folder + ": " + std::strerror(errno);
        }
        // Locked from now on, so that another program's load does not take it for a killed
        // run's (where locks are not supported, saving goes on without). One that got the
        // lock first may have removed it already: then take another name.
        while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
        }
        struct stat created {};
        if (::fstat(fd, &created) == 0 && created.st_nlink == 0) {
            ::close(fd);
            fd = -1;
        }
    }
    if (fd < 0) {
        return "cannot find a free temporary name in " + folder;
    }
    if (old != nullptr) {
        // Keep the file as it was set up: its permissions, and its owner when root saves it.
        if (::fchown(fd, old->st_uid, old->st_gid) != 0) {
            // Not allowed for others than root; the file is ours already then.
        }
        ::fchmod(fd, old->st_mode & 07777);
    }
    if (const int error = writeSyncAndClose(fd, data); error != 0) {
        ::unlink(temporary.c_str());
        return "cannot write a temporary file in " + folder + ": " + std::strerror(error);
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return "cannot replace " + target + ": " + std::strerror(error);
    }
    return {};
}

}  // namespace

KeyFilePreferenceStore::KeyFilePreferenceStore(std::string path, SystemLog& log)
    : path_(std::move(path)), log_(log), keyFile_(g_key_file_new()) {}

KeyFilePreferenceStore::~KeyFilePreferenceStore() = default;

std::string KeyFilePreferenceStore::defaultPath() {
    return take(g_build_filename(g_get_user_config_dir(), "headroom", "preferences.ini", nullptr));
}

KeyFilePreferenceStore::LoadStatus KeyFilePreferenceStore::load(std::string& message) {
    message.clear();
    keyFile_.reset(g_key_file_new());
    dirty_ = false;
    holdLogged_ = false;
    changedKeys_.clear();
    overwriteCorrupt_ = false;
    // Saves killed between writing their temporary file and renaming it leave it behind.
    removeStaleTemporaryFiles(folderOf(path_), nameOf(path_));
    if (const std::string target = followLinks(path_); target != path_) {
        removeStaleTemporaryFiles(folderOf(target), nameOf(target));
    }

    std::string contents;
    std::string reason;
    struct stat info {};
    switch (readRegularFile(path_, kMaximumFileSize, contents, reason, &info)) {
        case FileStatus::Ok:
            break;
        case FileStatus::Missing:
            // No file, or a path through something that is not a folder: nothing to lose.
            hold_ = nullptr;
            return *(loadStatus_ = LoadStatus::Missing);
        case FileStatus::NotRegular:
            // A device, FIFO or folder is never read, and never replaced by a save.
            message = "it is " + fileKind(info.st_mode) + ", not a regular file";
            hold_ = kHeldUnreadable;
            return *(loadStatus_ = LoadStatus::Unreadable);
        case FileStatus::TooLarge:
        case FileStatus::Failed:
            message = reason;
            hold_ = kHeldUnreadable;
            return *(loadStatus_ = LoadStatus::Unreadable);
    }

    if (message = parse(keyFile_.get(), contents); !message.empty()) {
        keyFile_.reset(g_key_file_new());  // whatever was parsed before the error goes
        hold_ = kHeldCorrupt;
        backupPath_.clear();
        return *(loadStatus_ = LoadStatus::Corrupt);
    }
    hold_ = nullptr;
    return *(loadStatus_ = LoadStatus::Loaded);
}

bool KeyFilePreferenceStore::backUpCorruptFile(std::string& backupPathOrError) {
    if (loadStatus_ != LoadStatus::Corrupt) {
        backupPathOrError = "nothing to back up: " + path_ + " was not loaded as corrupt";
        return false;
    }
    if (!backupPath_.empty()) {
        backupPathOrError = backupPath_;  // already copied aside
        return true;
    }
    std::string contents;
    if (readRegularFile(path_, kMaximumFileSize, contents, backupPathOrError) != FileStatus::Ok) {
        return false;
    }

    const std::string base = path_ + ".corrupt-" + timestamp();
    for (int attempt = 1; attempt <= kMaximumBackupsPerSecond; ++attempt) {
        const std::string candidate = attempt == 1 ? base : base + "-" + std::to_string(attempt);
        // O_EXCL: an existing backup is never opened, let alone overwritten.
        int fd = -1;
        do {
            fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kBackupMode);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) {
            const int error = errno;
            if (error == EEXIST) {
                continue;
            }
            backupPathOrError = "cannot create " + candidate + ": " + std::strerror(error);
            return false;
        }
        if (const int error = writeSyncAndClose(fd, contents); error != 0) {
            backupPathOrError = "cannot write " + candidate + ": " + std::strerror(error);
            ::unlink(candidate.c_str());
            return false;
        }
        backupPath_ = candidate;
        backupPathOrError = candidate;
        overwriteCorrupt_ = true;  // the copy is made: the next save may replace the file
        hold_ = nullptr;
        holdLogged_ = false;
        if (dirty_) {
            save();  // the changes held back while the file was not yet copied
        }
        return true;
    }
    backupPathOrError = "cannot find a free name for the backup beside " + path_;
    return false;
}

std::optional<std::string> KeyFilePreferenceStore::rawValue(const std::string& key) const {
    gchar* value = g_key_file_get_value(keyFile_.get(), kGroup, key.c_str(), nullptr);
    if (value == nullptr) {
        return std::nullopt;  // no such key, or no group at all
    }
    return take(value);
}

bool KeyFilePreferenceStore::valueForKey(const std::string& key) const {
    return rawValue(key).has_value();
}

bool KeyFilePreferenceStore::boolForKey(const std::string& key) const {
    // The key-file booleans (g_key_file_get_boolean): true/1 and false/0; anything else NO.
    const auto value = rawValue(key);
    if (!value) {
        return false;
    }
    const std::string_view text = trim(*value);
    return text == "true" || text == "1";
}

std::int64_t KeyFilePreferenceStore::integerForKey(const std::string& key) const {
    const auto value = rawValue(key);
    if (!value) {
        return 0;
    }
    // Decimal only, the whole text; out of the 64-bit range is not a number either.
    gint64 number = 0;
    const std::string text(trim(*value));
    return g_ascii_string_to_signed(text.c_str(), 10, G_MININT64, G_MAXINT64, &number, nullptr)
               ? number
               : 0;
}

std::optional<std::string> KeyFilePreferenceStore::objectForKey(const std::string& key) const {
    auto raw = rawValue(key);
    if (!raw) {
        return std::nullopt;
    }
    gchar* text = g_key_file_get_string(keyFile_.get(), kGroup, key.c_str(), nullptr);
    if (text == nullptr) {
        return raw;  // a bad escape or text that is not UTF-8: the value as written
    }
    return take(text);  // escapes undone
}

void KeyFilePreferenceStore::setBool(bool value, const std::string& key) {
    g_key_file_set_boolean(keyFile_.get(), kGroup, key.c_str(), value ? TRUE : FALSE);
    changed(key);
}

void KeyFilePreferenceStore::setInteger(std::int64_t value, const std::string& key) {
    g_key_file_set_int64(keyFile_.get(), kGroup, key.c_str(), value);
    changed(key);
}

void KeyFilePreferenceStore::setObject(const std::string& value, const std::string& key) {
    g_key_file_set_string(keyFile_.get(), kGroup, key.c_str(), value.c_str());
    changed(key);
}

void KeyFilePreferenceStore::setValue(const std::string& value, const std::string& key) {
    setObject(value, key);
}

void KeyFilePreferenceStore::changed(const std::string& key) {
    changedKeys_.insert(key);
    dirty_ = true;
    save();
}

void KeyFilePreferenceStore::save() {
    if (hold_ != nullptr) {
        if (!holdLogged_) {
            holdLogged_ = true;
            log_.log("Not saving the preferences to " + path_ + ": " + hold_ +
                     "; changes are kept in memory for this run");
        }
        return;
    }

    std::string failure = writeMerged();
    if (!failure.empty()) {
        if (failure != lastSaveError_) {
            log_.log("Could not save the preferences to " + path_ + ": " + failure +
                     "; changes are kept in memory for this run");
        }
        lastSaveError_ = std::move(failure);
        return;
    }
    if (!lastSaveError_.empty()) {
        log_.log("Saved the preferences to " + path_ + " again");
        lastSaveError_.clear();
    }
    dirty_ = false;
    changedKeys_.clear();
    overwriteCorrupt_ = false;
}

std::string KeyFilePreferenceStore::writeMerged() {
    const std::string target = followLinks(path_);
    const std::string folder = folderOf(target);
    if (g_mkdir_with_parents(folder.c_str(), kFolderMode) != 0) {
        const int error = errno;
        return "cannot create the folder " + folder + ": " + std::strerror(error);
    }
    const FolderLock lock(folder);

    // Read the file again and change only the keys changed here: a value edited by hand, or
    // saved by another of our programs, since the file was loaded is kept.
    std::string contents;
    std::string reason;
    struct stat info {};
    const FileStatus status = readRegularFile(target, kMaximumFileSize, contents, reason, &info);
    if (status == FileStatus::NotRegular) {
        return target + " is " + fileKind(info.st_mode) + ", not a regular file";
    }
    if (status != FileStatus::Ok && status != FileStatus::Missing) {
        return reason;
    }
    if (status == FileStatus::Ok) {
        // A file without write permission is the user's way of saying "leave it": root could
        // replace it anyway, so the mode is asked, not only access(2).
        if ((info.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0) {
            return target + " is read-only";
        }
        std::unique_ptr<GKeyFile, KeyFileUnref> onDisk(g_key_file_new());
        if (const std::string error = parse(onDisk.get(), contents); error.empty()) {
            for (const std::string& key : changedKeys_) {
                if (const auto value = rawValue(key)) {
                    g_key_file_set_value(onDisk.get(), kGroup, key.c_str(), value->c_str());
                }
            }
            keyFile_ = std::move(onDisk);
        } else if (!overwriteCorrupt_) {
            // Being edited, or broken since it was loaded: saving now would lose it. The
            // corrupt file found at load, once copied aside, is the one exception.
            return target + " is not a valid key file now (" + error + ")";
        }
    }
    return replaceAtomically(target, take(g_key_file_to_data(keyFile_.get(), nullptr, nullptr)),
                             status == FileStatus::Ok ? &info : nullptr);
}

}  // namespace headroom

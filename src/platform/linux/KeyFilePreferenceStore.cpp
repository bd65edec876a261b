#include "platform/linux/KeyFilePreferenceStore.h"

#include <fcntl.h>
#include <glib/gstdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <string_view>
#include <utility>

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
/// A save's temporary file is `<file>.headroom-save-XXXXXX`, the X random.
constexpr const char* kTemporaryInfix = ".headroom-save-";
constexpr std::size_t kTemporarySuffixLength = 6;
/// A save writes and renames its file within this time: an older one is a killed run's.
constexpr std::time_t kStaleAfterSeconds = 60;
// Why saving is held back.
constexpr const char* kHeldUnreadable =
    "the file could not be read, so saving would replace it unseen";
constexpr const char* kHeldCorrupt = "the file is not valid and has not been copied aside yet";
constexpr const char* kHeldNotRegular = "it is not a regular file";
constexpr auto kKeyFileFlags =
    static_cast<GKeyFileFlags>(G_KEY_FILE_KEEP_COMMENTS | G_KEY_FILE_KEEP_TRANSLATIONS);

/// The text GLib allocated, freed.
std::string take(gchar* text) {
    std::string taken = text != nullptr ? text : "";
    g_free(text);
    return taken;
}

/// The error's message, the error freed.
std::string takeError(GError* error) {
    std::string message = error->message;
    g_error_free(error);
    return message;
}

/// Parses `contents` into `file`; the parser's reason when it cannot. A NUL byte would end the
/// value it is in, and the rest of the value would be lost at the next save.
std::string parse(GKeyFile* file, const std::string& contents) {
    if (contents.find('\0') != std::string::npos) {
        return "it holds a NUL byte";
    }
    GError* error = nullptr;
    if (g_key_file_load_from_data(file, contents.data(), contents.size(), kKeyFileFlags, &error)) {
        return {};
    }
    return takeError(error);
}

std::string folderOf(const std::string& path) {
    return take(g_path_get_dirname(path.c_str()));
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

/// Removes the temporary files `<file>.headroom-save-XXXXXX` that saves of `file` left when
/// their run was killed between writing and renaming. The name is one that only Headroom
/// writes; only the user's own regular files (never what a link points to) that are a minute
/// old, so that no save under way now loses its file, are removed.
void removeStaleTemporaryFiles(const std::string& file) {
    const std::string folder = folderOf(file);
    const std::string prefix = take(g_path_get_basename(file.c_str())) + kTemporaryInfix;
    GDir* dir = g_dir_open(folder.c_str(), 0, nullptr);
    if (dir == nullptr) {
        return;
    }
    const std::time_t now = std::time(nullptr);
    while (const gchar* entry = g_dir_read_name(dir)) {
        const std::string_view name(entry);
        const std::string path = folder + "/" + entry;
        struct stat info {};
        if (name.size() == prefix.size() + kTemporarySuffixLength && name.starts_with(prefix) &&
            ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            info.st_uid == ::geteuid() && now - info.st_mtime >= kStaleAfterSeconds) {
            ::unlink(path.c_str());
        }
    }
    g_dir_close(dir);
}

/// Replaces `target` with `data`: written to a temporary file beside it, flushed to the disk,
/// then renamed over it, so that the file is either the old one or the new one whole. The
/// reason on failure, in words that do not change from one attempt to the next.
std::string replace(const std::string& target, const std::string& data, mode_t mode) {
    std::string temporary = target + kTemporaryInfix + "XXXXXX";
    const int fd = g_mkstemp_full(temporary.data(), O_WRONLY | O_CLOEXEC, static_cast<int>(mode));
    if (fd < 0) {
        const int error = errno;
        return "cannot create a file beside " + target + ": " + g_strerror(error);
    }
    std::size_t written = 0;
    while (written < data.size()) {
        const ssize_t n = ::write(fd, data.data() + written, data.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        written += static_cast<std::size_t>(n);
    }
    int error = written == data.size() && ::fsync(fd) == 0 ? 0 : errno;
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
        return "cannot write " + target + ": " + g_strerror(error);
    }
    return {};
}

}  // namespace

KeyFilePreferenceStore::KeyFilePreferenceStore(std::string path, SystemLog& log)
    : path_(std::move(path)), log_(log), keyFile_(g_key_file_new(), &g_key_file_unref) {}

std::string KeyFilePreferenceStore::defaultPath() {
    return take(g_build_filename(g_get_user_config_dir(), "headroom", "preferences.ini", nullptr));
}

KeyFilePreferenceStore::LoadStatus KeyFilePreferenceStore::load(std::string& message) {
    message.clear();
    keyFile_.reset(g_key_file_new());
    holdLogged_ = false;
    changedKeys_.clear();
    overwriteCorrupt_ = false;
    removeStaleTemporaryFiles(followLinks(path_));

    std::string contents;
    struct stat info {};
    switch (readRegularFile(path_, kMaximumFileSize, contents, message, &info)) {
        case FileStatus::Ok:
            break;
        case FileStatus::Missing:
            // No file, or a path through something that is not a folder: nothing to lose.
            message.clear();
            hold_ = nullptr;
            return LoadStatus::Missing;
        case FileStatus::NotRegular:
            // A device, FIFO or folder is never read, and never replaced by a save; the caller
            // says so.
            message = "it is " + fileKind(info.st_mode) + ", not a regular file";
            hold_ = kHeldNotRegular;
            holdLogged_ = true;
            return LoadStatus::NotRegular;
        case FileStatus::TooLarge:
        case FileStatus::Failed:
            hold_ = kHeldUnreadable;
            return LoadStatus::Unreadable;
    }
    if (message = parse(keyFile_.get(), contents); !message.empty()) {
        keyFile_.reset(g_key_file_new());  // whatever was parsed before the error goes
        hold_ = kHeldCorrupt;
        return LoadStatus::Corrupt;
    }
    hold_ = nullptr;
    return LoadStatus::Loaded;
}

bool KeyFilePreferenceStore::backUpCorruptFile(std::string& backupPathOrError) {
    if (hold_ != kHeldCorrupt) {
        backupPathOrError = "nothing to back up: " + path_ + " was not loaded as corrupt";
        return false;
    }
    std::string contents;
    if (readRegularFile(path_, kMaximumFileSize, contents, backupPathOrError) != FileStatus::Ok) {
        return false;
    }
    GDateTime* now = g_date_time_new_now_local();
    const std::string base = path_ + ".corrupt-" + take(g_date_time_format(now, "%Y%m%d-%H%M%S"));
    g_date_time_unref(now);
    for (int attempt = 1; attempt <= kMaximumBackupsPerSecond; ++attempt) {
        const std::string candidate = attempt == 1 ? base : base + "-" + std::to_string(attempt);
        // The name is taken first (O_EXCL), so an earlier backup is never overwritten.
        const int fd =
            ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kBackupMode);
        if (fd < 0 && errno == EEXIST) {
            continue;
        }
        if (fd < 0) {
            const int error = errno;
            backupPathOrError = "cannot create " + candidate + ": " + g_strerror(error);
            return false;
        }
        ::close(fd);
        if (std::string failure = replace(candidate, contents, kBackupMode); !failure.empty()) {
            ::unlink(candidate.c_str());
            backupPathOrError = std::move(failure);
            return false;
        }
        backupPathOrError = candidate;
        overwriteCorrupt_ = true;  // the copy is made: the next save may replace the file
        hold_ = nullptr;
        holdLogged_ = false;
        if (!changedKeys_.empty()) {
            save();  // the changes held back while the file was not yet copied
        }
        return true;
    }
    backupPathOrError = "cannot find a free name for the backup beside " + path_;
    return false;
}

bool KeyFilePreferenceStore::valueForKey(const std::string& key) const {
    return g_key_file_has_key(keyFile_.get(), kGroup, key.c_str(), nullptr) != FALSE;
}

bool KeyFilePreferenceStore::boolForKey(const std::string& key) const {
    return g_key_file_get_boolean(keyFile_.get(), kGroup, key.c_str(), nullptr) != FALSE;
}

std::int64_t KeyFilePreferenceStore::integerForKey(const std::string& key) const {
    // Decimal only, the whole text but trailing blanks; out of the 64-bit range is not a
    // number either (g_key_file_get_int64 would give the nearest limit).
    gchar* value = g_key_file_get_value(keyFile_.get(), kGroup, key.c_str(), nullptr);
    gint64 number = 0;
    const bool read =
        value != nullptr &&
        g_ascii_string_to_signed(g_strchomp(value), 10, G_MININT64, G_MAXINT64, &number, nullptr);
    g_free(value);
    return read ? number : 0;
}

std::optional<std::string> KeyFilePreferenceStore::objectForKey(const std::string& key) const {
    if (gchar* text = g_key_file_get_string(keyFile_.get(), kGroup, key.c_str(), nullptr)) {
        return take(text);  // escapes undone
    }
    // A bad escape or text that is not UTF-8: the value as written.
    if (gchar* raw = g_key_file_get_value(keyFile_.get(), kGroup, key.c_str(), nullptr)) {
        return take(raw);
    }
    return std::nullopt;
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

void KeyFilePreferenceStore::changed(const std::string& key) {
    changedKeys_.insert(key);
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
    changedKeys_.clear();
    overwriteCorrupt_ = false;
}

std::string KeyFilePreferenceStore::writeMerged() {
    const std::string target = followLinks(path_);
    const std::string folder = folderOf(target);
    if (g_mkdir_with_parents(folder.c_str(), kFolderMode) != 0) {
        const int error = errno;
        return "cannot create the folder " + folder + ": " + g_strerror(error);
    }
    // Read the file again and change only the keys changed here: a value edited by hand since
    // the file was loaded is kept.
    std::string contents;
    std::string reason;
    struct stat info {};
    const FileStatus status = readRegularFile(target, kMaximumFileSize, contents, reason, &info);
    if (status != FileStatus::Ok && status != FileStatus::Missing) {
        return reason;
    }
    const bool existed = status == FileStatus::Ok;
    if (existed) {
        // A file without write permission is the user's way of saying "leave it": root could
        // replace it anyway, so the mode is asked, not only access(2).
        if ((info.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0) {
            return target + " is read-only";
        }
        std::unique_ptr<GKeyFile, decltype(&g_key_file_unref)> onDisk(g_key_file_new(),
                                                                      &g_key_file_unref);
        if (const std::string error = parse(onDisk.get(), contents); error.empty()) {
            for (const std::string& key : changedKeys_) {
                gchar* value = g_key_file_get_value(keyFile_.get(), kGroup, key.c_str(), nullptr);
                g_key_file_set_value(onDisk.get(), kGroup, key.c_str(), value);
                g_free(value);
            }
            keyFile_ = std::move(onDisk);
        } else if (!overwriteCorrupt_) {
            // Being edited, or broken since it was loaded: saving now would lose it. The
            // corrupt file found at load, once copied aside, is the one exception.
            return target + " is not a valid key file now (" + error + ")";
        }
    }
    const mode_t mode = existed ? info.st_mode & 07777 : 0666;
    if (std::string failure =
            replace(target, take(g_key_file_to_data(keyFile_.get(), nullptr, nullptr)), mode);
        !failure.empty()) {
        return failure;
    }
    if (existed) {
        // Keep the file as it was set up: its mode whatever the umask, and its owner when root
        // saves it. Through a descriptor that follows no link, so that a name swapped since
        // the rename changes nothing else.
        const int fd = ::open(target.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) {
            if (::fchown(fd, info.st_uid, info.st_gid) != 0) {
                // Not allowed for others than root; the file is ours already then.
            }
            ::fchmod(fd, mode);
            ::close(fd);
        }
    }
    return {};
}

}  // namespace headroom

#include "platform/linux/KeyFilePreferenceStore.h"

#include <fcntl.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <unistd.h>

#include <glibmm/fileutils.h>
#include <glibmm/keyfile.h>
#include <glibmm/miscutils.h>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <ctime>
#include <string_view>
#include <utility>

namespace headroom {

namespace {

constexpr int kFolderMode = 0700;
constexpr int kBackupMode = 0600;
constexpr int kMaximumBackupsPerSecond = 1000;

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

std::string errorText(const Glib::Error& error) {
    return std::string(error.what());
}

bool isFileError(const Glib::Error& error, GFileError code) {
    return error.domain() == G_FILE_ERROR && error.code() == static_cast<int>(code);
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

std::string timestamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[32];
    const std::size_t length = std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return std::string(text, length);
}

}  // namespace

KeyFilePreferenceStore::KeyFilePreferenceStore(std::string path, SystemLog& log)
    : path_(std::move(path)), log_(log), keyFile_(std::make_unique<Glib::KeyFile>()) {}

KeyFilePreferenceStore::~KeyFilePreferenceStore() = default;

std::string KeyFilePreferenceStore::defaultPath() {
    return Glib::build_filename(Glib::get_user_config_dir(), "headroom", "preferences.ini");
}

KeyFilePreferenceStore::LoadStatus KeyFilePreferenceStore::load(std::string& message) {
    message.clear();
    keyFile_ = std::make_unique<Glib::KeyFile>();
    dirty_ = false;
    holdLogged_ = false;

    std::string contents;
    try {
        contents = Glib::file_get_contents(path_);
    } catch (const Glib::Error& error) {
        // No file, or a path through something that is not a folder: nothing to lose.
        if (isFileError(error, G_FILE_ERROR_NOENT) || isFileError(error, G_FILE_ERROR_NOTDIR)) {
            hold_ = Hold::None;
            return *(loadStatus_ = LoadStatus::Missing);
        }
        message = errorText(error);
        hold_ = Hold::Unreadable;
        return *(loadStatus_ = LoadStatus::Unreadable);
    }

    try {
        keyFile_->load_from_data(contents,
                                 Glib::KEY_FILE_KEEP_COMMENTS | Glib::KEY_FILE_KEEP_TRANSLATIONS);
    } catch (const Glib::Error& error) {
        message = errorText(error);
        keyFile_ = std::make_unique<Glib::KeyFile>();  // whatever was parsed before the error goes
        hold_ = Hold::CorruptNotBackedUp;
        backupPath_.clear();
        return *(loadStatus_ = LoadStatus::Corrupt);
    }
    hold_ = Hold::None;
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
    try {
        contents = Glib::file_get_contents(path_);
    } catch (const Glib::Error& error) {
        backupPathOrError = errorText(error);
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
        int error = 0;
        if (!writeAll(fd, contents) || ::fsync(fd) != 0) {
            error = errno;
        }
        if (::close(fd) != 0 && error == 0) {
            error = errno;
        }
        if (error != 0) {
            backupPathOrError = "cannot write " + candidate + ": " + std::strerror(error);
            ::unlink(candidate.c_str());
            return false;
        }
        backupPath_ = candidate;
        backupPathOrError = candidate;
        hold_ = Hold::None;
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
    try {
        // has_key throws when the group is missing: ask for the group first.
        if (!keyFile_->has_group(kGroup) || !keyFile_->has_key(kGroup, key)) {
            return std::nullopt;
        }
        return keyFile_->get_value(kGroup, key).raw();
    } catch (const Glib::Error&) {
        return std::nullopt;
    }
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
    std::string_view text = trim(*value);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') {
            return 0;  // "+-1"
        }
    }
    std::int64_t number = 0;
    const char* const last = text.data() + text.size();
    const auto [end, error] = std::from_chars(text.data(), last, number);
    if (text.empty() || error != std::errc{} || end != last) {
        return 0;  // not a decimal integer, or out of the 64-bit range
    }
    return number;
}

std::optional<std::string> KeyFilePreferenceStore::objectForKey(const std::string& key) const {
    auto raw = rawValue(key);
    if (!raw) {
        return std::nullopt;
    }
    try {
        return keyFile_->get_string(kGroup, key).raw();  // escapes undone
    } catch (const Glib::Error&) {
        return raw;  // a bad escape or text that is not UTF-8: the value as written
    }
}

void KeyFilePreferenceStore::setBool(bool value, const std::string& key) {
    keyFile_->set_boolean(kGroup, key, value);
    changed();
}

void KeyFilePreferenceStore::setInteger(std::int64_t value, const std::string& key) {
    keyFile_->set_int64(kGroup, key, value);
    changed();
}

void KeyFilePreferenceStore::setObject(const std::string& value, const std::string& key) {
    keyFile_->set_string(kGroup, key, value);
    changed();
}

void KeyFilePreferenceStore::setValue(const std::string& value, const std::string& key) {
    setObject(value, key);
}

void KeyFilePreferenceStore::changed() {
    dirty_ = true;
    save();
}

void KeyFilePreferenceStore::save() {
    const char* heldBecause = nullptr;
    switch (hold_) {
        case Hold::NotLoaded:
            heldBecause = "the store was not loaded first, so saving would replace the file unseen";
            break;
        case Hold::CorruptNotBackedUp:
            heldBecause = "the file is not valid and has not been copied aside yet";
            break;
        case Hold::Unreadable:
            heldBecause = "the file could not be read, so saving would replace it unseen";
            break;
        case Hold::None:
            break;
    }
    if (heldBecause != nullptr) {
        if (!holdLogged_) {
            holdLogged_ = true;
            log_.log("Not saving the preferences to " + path_ + ": " + heldBecause +
                     "; changes are kept in memory for this run");
        }
        return;
    }

    std::string failure;
    const std::string folder = Glib::path_get_dirname(path_);
    if (g_mkdir_with_parents(folder.c_str(), kFolderMode) != 0) {
        const int error = errno;
        failure = "cannot create the folder " + folder + ": " + std::strerror(error);
    } else {
        try {
            // g_key_file_save_to_file → g_file_set_contents: a temporary file beside the
            // target, then rename(2); the temporary is removed when anything fails.
            keyFile_->save_to_file(path_);
        } catch (const Glib::Error& error) {
            failure = errorText(error);
        }
    }

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
}

}  // namespace headroom

#include "ui/gtk/IconFolder.h"

#include <dirent.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace headroom {

namespace {

/// Empties a folder of ours left behind by an earlier process that had our id and did not
/// end cleanly. Only plain files are removed; a folder that is not ours is refused.
bool reuseStaleFolder(const std::string& path, std::string& error) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid()) {
        error = path + " exists and is not a folder of this user's";
        return false;
    }
    ::chmod(path.c_str(), 0700);
    DIR* folder = ::opendir(path.c_str());
    if (folder == nullptr) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    while (const dirent* entry = ::readdir(folder)) {
        if (entry->d_type == DT_REG) {
            ::unlinkat(::dirfd(folder), entry->d_name, 0);
        }
    }
    ::closedir(folder);
    return true;
}

}  // namespace

std::string IconFolder::defaultBase() {
    return g_get_user_runtime_dir();
}

std::unique_ptr<IconFolder> IconFolder::create(const std::string& base, std::string& error) {
    if (base.empty()) {
        error = "no runtime folder";
        return nullptr;
    }
    if (g_mkdir_with_parents(base.c_str(), 0700) != 0) {
        error = "cannot make " + base + ": " + std::strerror(errno);
        return nullptr;
    }
    std::string path = base + "/headroom-" + std::to_string(::getpid());
    if (::mkdir(path.c_str(), 0700) != 0) {
        if (errno != EEXIST || !reuseStaleFolder(path, error)) {
            if (error.empty()) {
                error = "cannot make " + path + ": " + std::strerror(errno);
            }
            return nullptr;
        }
    }
    return std::unique_ptr<IconFolder>(new IconFolder(std::move(path)));
}

IconFolder::~IconFolder() {
    for (const auto& [name, hash] : written_) {
        g_unlink(fileOf(name).c_str());
    }
    // Fails, harmlessly, when someone else put a file there.
    g_rmdir(path_.c_str());
}

bool IconFolder::write(const std::string& name, const std::string& contents, std::string& error) {
    const std::string file = fileOf(name);
    GError* failure = nullptr;
    if (!g_file_set_contents(file.c_str(), contents.data(), static_cast<gssize>(contents.size()),
                             &failure)) {
        error = failure != nullptr ? failure->message : "cannot write " + file;
        g_clear_error(&failure);
        return false;
    }
    written_[name] = std::hash<std::string>{}(contents);
    return true;
}

bool IconFolder::holds(const std::string& name, const std::string& contents) const {
    const auto found = written_.find(name);
    return found != written_.end() && found->second == std::hash<std::string>{}(contents);
}

}  // namespace headroom

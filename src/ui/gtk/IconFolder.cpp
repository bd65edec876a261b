#include "ui/gtk/IconFolder.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace headroom {

namespace {

/// Whether `path` is a folder of this user's, not a link to one.
bool isOwnFolder(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid();
}

/// Removes the icons in `folder` and then the folder, which stays when it holds anything else.
void removeIcons(const std::string& folder) {
    g_autoptr(GDir) dir = isOwnFolder(folder) ? g_dir_open(folder.c_str(), 0, nullptr) : nullptr;
    for (const char* name; dir != nullptr && (name = g_dir_read_name(dir)) != nullptr;) {
        if (g_str_has_suffix(name, ".svg")) {
            g_unlink((folder + "/" + name).c_str());
        }
    }
    g_rmdir(folder.c_str());
}

/// The folders `headroom-<pid>` under `base` whose process has ended: no process has that id
/// now, or another program does.
void removeFoldersOfEndedRuns(const std::string& base) {
    g_autoptr(GDir) dir = g_dir_open(base.c_str(), 0, nullptr);
    const std::string own = "headroom-" + std::to_string(::getpid());
    for (const char* name; dir != nullptr && (name = g_dir_read_name(dir)) != nullptr;) {
        const std::string entry = name;
        const std::string pid = entry.substr(std::min<std::size_t>(9, entry.size()));
        if (!entry.starts_with("headroom-") || entry == own || pid.empty() ||
            pid.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        g_autofree gchar* comm = nullptr;
        if (g_file_get_contents(("/proc/" + pid + "/comm").c_str(), &comm, nullptr, nullptr) &&
            g_strcmp0(comm, "headroom\n") == 0) {
            continue;  // still running
        }
        const std::string path = base + "/" + entry;
        if (isOwnFolder(path)) {
            removeIcons(path + "/b");  // of runs that kept a second folder
            removeIcons(path);
        }
    }
}

}  // namespace

std::unique_ptr<IconFolder> IconFolder::create(std::string base, std::string& error) {
    if (base.empty()) {
        base = g_get_user_runtime_dir();
    }
    removeFoldersOfEndedRuns(base);
    if (g_mkdir_with_parents(base.c_str(), 0700) != 0) {
        error = "cannot make " + base + ": " + std::strerror(errno);
        return nullptr;
    }
    std::string path = base + "/headroom-" + std::to_string(::getpid());
    if (::mkdir(path.c_str(), 0700) != 0) {
        // Left by a process of ours that had this id and did not end cleanly: its files are
        // written over as they are needed.
        struct stat info {};
        if (errno != EEXIST || ::lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) ||
            info.st_uid != ::getuid()) {
            error = "cannot make " + path + ": it exists and is not a folder of this user's";
            return nullptr;
        }
        ::chmod(path.c_str(), 0700);
    }
    return std::unique_ptr<IconFolder>(new IconFolder(std::move(path)));
}

void IconFolder::remove() {
    for (const auto& [name, hash] : written_) {
        g_unlink(fileOf(name).c_str());
    }
    written_.clear();
    // Fails, harmlessly, when someone else (or an earlier process) put a file there.
    g_rmdir(path_.c_str());
}

bool IconFolder::put(const std::string& name, const std::string& contents, std::string& error) {
    const std::size_t hash = std::hash<std::string>{}(contents);
    if (const auto held = written_.find(name); held != written_.end() && held->second == hash) {
        return true;
    }
    const std::string file = fileOf(name);
    g_autoptr(GError) failure = nullptr;
    // Written in place and not flushed: the name is new (the panel is told it only once the
    // file is whole) but after a change of theme, and the folder does not outlive the run.
    if (!g_file_set_contents_full(file.c_str(), contents.data(),
                                  static_cast<gssize>(contents.size()), G_FILE_SET_CONTENTS_NONE,
                                  0600, &failure)) {
        error = failure != nullptr ? failure->message : "cannot write " + file;
        return false;
    }
    written_[name] = hash;
    return true;
}

}  // namespace headroom

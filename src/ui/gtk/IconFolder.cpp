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
        if (g_str_has_suffix(name, ".svg") || g_str_has_suffix(name, ".part")) {
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
            removeIcons(path + "/b");
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
    // The inner folder first. Removing a folder fails, harmlessly, when someone else (or an
    // earlier process) put a file there.
    for (std::size_t side = 2; side-- > 0;) {
        for (const auto& [name, hash] : written_[side]) {
            g_unlink((paths_[side] + "/" + name + ".svg").c_str());
        }
        written_[side].clear();
        g_rmdir(paths_[side].c_str());
    }
}

bool IconFolder::put(const std::string& name, const std::string& contents, bool changeFolder,
                     std::string& error) {
    const std::size_t hash = std::hash<std::string>{}(contents);
    std::size_t side = side_;
    if (const auto held = written_[side].find(name); held != written_[side].end()) {
        if (held->second == hash) {
            return true;
        }
        side = changeFolder ? 1 - side : side;
    }
    const std::string folder = paths_[side];
    if (side == 1 && g_mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        error = "cannot make " + folder + ": " + std::strerror(errno);
        return false;
    }
    if (written_[side][name] != hash) {
        // Written beside its place and renamed over it, so that a panel never reads half a
        // picture; not flushed, since the folder lives in the runtime folder and is made anew at
        // every start.
        const std::string file = folder + "/" + name + ".svg";
        const std::string part = folder + "/." + name + ".part";
        g_autoptr(GError) failure = nullptr;
        if (!g_file_set_contents_full(part.c_str(), contents.data(),
                                      static_cast<gssize>(contents.size()),
                                      G_FILE_SET_CONTENTS_NONE, 0600, &failure) ||
            g_rename(part.c_str(), file.c_str()) != 0) {
            error = failure != nullptr ? failure->message
                                       : "cannot write " + file + ": " + std::strerror(errno);
            g_unlink(part.c_str());
            written_[side].erase(name);
            return false;
        }
        written_[side][name] = hash;
    }
    side_ = side;
    return true;
}

}  // namespace headroom

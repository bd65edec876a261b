#include "ui/gtk/IconFolder.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace headroom {

std::unique_ptr<IconFolder> IconFolder::create(std::string base, std::string& error) {
    if (base.empty()) {
        base = g_get_user_runtime_dir();
    }
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

IconFolder::~IconFolder() {
    // The inner folder first. Removing a folder fails, harmlessly, when someone else (or an
    // earlier process) put a file there.
    for (std::size_t side = 2; side-- > 0;) {
        for (const auto& [name, hash] : written_[side]) {
            g_unlink((paths_[side] + "/" + name + ".svg").c_str());
        }
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
        const std::string file = folder + "/" + name + ".svg";
        GError* failure = nullptr;
        if (!g_file_set_contents(file.c_str(), contents.data(),
                                 static_cast<gssize>(contents.size()), &failure)) {
            error = failure != nullptr ? failure->message : "cannot write " + file;
            g_clear_error(&failure);
            written_[side].erase(name);
            return false;
        }
        written_[side][name] = hash;
    }
    side_ = side;
    return true;
}

}  // namespace headroom

#include "platform/linux/DesktopEntryCache.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <utility>

namespace headroom {

namespace {

constexpr std::string_view kDesktopSuffix = ".desktop";
/// Subfolders deeper than this are not searched (and symbolic link loops end here at worst).
constexpr int kMaximumDepth = 8;
/// A folder whose mtime is this close to the time of its listing is listed again next time.
constexpr long long kRacyNanoseconds = 2'000'000'000LL;

long long nanoseconds(const timespec& t) {
    return static_cast<long long>(t.tv_sec) * 1'000'000'000LL + t.tv_nsec;
}

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

}  // namespace

DesktopEntryCache::FolderState DesktopEntryCache::FolderState::of(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        return {path, false, 0, 0, 0};
    }
    return {path, true, nanoseconds(status.st_mtim), status.st_ino, status.st_dev};
}

DesktopEntryCache::DesktopEntryCache(std::vector<std::string> applicationFolders,
                                     std::string locale)
    : locale_(std::move(locale)) {
    for (std::string& folder : applicationFolders) {
        folder = withoutTrailingSlashes(std::move(folder));
        if (!folder.empty() && std::find(roots_.begin(), roots_.end(), folder) == roots_.end()) {
            roots_.push_back(std::move(folder));
        }
    }
}

std::vector<std::string> DesktopEntryCache::applicationFoldersFromEnvironment() {
    std::vector<std::string> dataFolders;
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    if (dataHome != nullptr && dataHome[0] == '/') {
        dataFolders.emplace_back(dataHome);
    } else if (home != nullptr && home[0] == '/') {
        dataFolders.push_back(withoutTrailingSlashes(home) + "/.local/share");
    }
    const char* dataDirs = std::getenv("XDG_DATA_DIRS");
    std::string_view dirs =
        dataDirs != nullptr && dataDirs[0] != '\0' ? dataDirs : "/usr/local/share:/usr/share";
    while (!dirs.empty()) {
        const auto colon = dirs.find(':');
        const std::string_view dir = dirs.substr(0, colon);
        dirs = colon == std::string_view::npos ? std::string_view{} : dirs.substr(colon + 1);
        if (!dir.empty() && dir.front() == '/') {
            dataFolders.emplace_back(dir);
        }
    }
    std::vector<std::string> folders;
    for (const std::string& data : dataFolders) {
        std::string folder = withoutTrailingSlashes(data);
        folder += folder == "/" ? "applications" : "/applications";
        if (std::find(folders.begin(), folders.end(), folder) == folders.end()) {
            folders.push_back(std::move(folder));
        }
    }
    return folders;
}

void DesktopEntryCache::refresh() {
    const bool changed = std::any_of(folders_.begin(), folders_.end(), [](const FolderState& f) {
        return FolderState::of(f.path) != f;
    });
    if (scanCount_ > 0 && !racy_ && !changed) {
        return;
    }
    ++scanCount_;
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    folders_.clear();
    byId_.clear();
    for (const std::string& root : roots_) {
        scanFolder(root, "", 0);
    }
    racy_ = std::any_of(folders_.begin(), folders_.end(), [&now](const FolderState& f) {
        const long long age = nanoseconds(now) - f.mtime;
        return f.exists && age > -kRacyNanoseconds && age < kRacyNanoseconds;
    });
}

const DesktopEntry* DesktopEntryCache::find(std::string_view id) const {
    const auto it = byId_.find(id);
    return it == byId_.end() ? nullptr : &it->second;
}

std::string DesktopEntryCache::idForPath(std::string_view path) const {
    std::string_view relative;
    for (const std::string& root : roots_) {
        if (path.size() > root.size() + 1 && path.starts_with(root) && path[root.size()] == '/') {
            relative = path.substr(root.size() + 1);
            break;
        }
    }
    std::string id;
    if (relative.empty()) {
        const auto slash = path.rfind('/');
        id = std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
    } else {
        id = std::string(relative);
        std::replace(id.begin(), id.end(), '/', '-');
    }
    if (id.size() > kDesktopSuffix.size() && id.ends_with(kDesktopSuffix)) {
        id.resize(id.size() - kDesktopSuffix.size());
    }
    return id;
}

void DesktopEntryCache::scanFolder(const std::string& path, const std::string& idPrefix,
                                   int depth) {
    const FolderState state = FolderState::of(path);
    const std::pair identity{state.device, state.inode};
    if (state.exists &&
        std::find(visiting_.begin(), visiting_.end(), identity) != visiting_.end()) {
        return;  // a symbolic link back to a folder being listed
    }
    folders_.push_back(state);  // a missing one is watched so that its appearance is seen
    DIR* dir = state.exists ? ::opendir(path.c_str()) : nullptr;
    if (dir == nullptr) {
        return;
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") {
            names.emplace_back(name);
        }
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());  // readdir's order is the file system's whim

    visiting_.push_back(identity);
    for (const std::string& name : names) {
        const std::string child = path + "/" + name;
        struct stat status {};
        if (::stat(child.c_str(), &status) != 0) {
            continue;  // gone, or a dangling link
        }
        if (S_ISDIR(status.st_mode) && depth + 1 < kMaximumDepth) {
            scanFolder(child, idPrefix + name + "-", depth + 1);
        } else if (S_ISREG(status.st_mode) && name.size() > kDesktopSuffix.size() &&
                   name.ends_with(kDesktopSuffix)) {
            // The first folder to hold an id wins; a file that is not an entry holds none.
            const std::string id = idPrefix + name.substr(0, name.size() - kDesktopSuffix.size());
            if (!byId_.contains(id)) {
                if (auto entry = readDesktopEntry(child, locale_)) {
                    byId_.emplace(id, std::move(*entry));
                }
            }
        }
    }
    visiting_.pop_back();
}

}  // namespace headroom

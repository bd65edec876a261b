#include "platform/linux/DesktopEntry.h"

#include <dirent.h>
#include <glib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <utility>

#include "platform/linux/RegularFile.h"

namespace headroom {

namespace {

constexpr const char* kGroup = G_KEY_FILE_DESKTOP_GROUP;
/// Desktop entries are a few kB; anything this large is not one.
constexpr std::size_t kMaximumFileSize = std::size_t{1024} * 1024;

std::string taken(gchar* value) {
    const std::unique_ptr<gchar, decltype(&g_free)> owned(value, g_free);
    return value == nullptr ? std::string() : std::string(value);
}

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

std::optional<DesktopEntry> parseDesktopEntry(std::string_view text) {
    const std::unique_ptr<GKeyFile, decltype(&g_key_file_free)> file(g_key_file_new(),
                                                                     g_key_file_free);
    if (!g_key_file_load_from_data(file.get(), text.data(), text.size(), G_KEY_FILE_NONE,
                                   nullptr) ||
        !g_key_file_has_group(file.get(), kGroup)) {
        return std::nullopt;
    }
    // An absent or malformed boolean reads as FALSE.
    const auto flag = [&file](const char* key) {
        return g_key_file_get_boolean(file.get(), kGroup, key, nullptr) != FALSE;
    };
    DesktopEntry entry;
    entry.name = taken(g_key_file_get_locale_string(file.get(), kGroup, "Name", nullptr, nullptr));
    entry.icon = taken(g_key_file_get_locale_string(file.get(), kGroup, "Icon", nullptr, nullptr));
    entry.hidden = flag("Hidden");
    entry.regular =
        taken(g_key_file_get_string(file.get(), kGroup, "Type", nullptr)) == "Application" &&
        !entry.name.empty() && !entry.hidden && !flag("NoDisplay");
    return entry;
}

std::optional<DesktopEntry> readDesktopEntry(const std::string& path) {
    std::string text;
    std::string reason;
    if (readRegularFile(path, kMaximumFileSize, text, reason) != FileStatus::Ok) {
        return std::nullopt;
    }
    return parseDesktopEntry(text);
}

DesktopEntryCache::FolderState DesktopEntryCache::FolderState::of(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        return {path, false, 0, 0, 0};
    }
    return {path, true, nanoseconds(status.st_mtim), status.st_ino, status.st_dev};
}

DesktopEntryCache::DesktopEntryCache(std::vector<std::string> applicationFolders)
    : roots_(std::move(applicationFolders)) {}

std::vector<std::string> DesktopEntryCache::applicationFoldersFromEnvironment() {
    std::vector<std::string> folders;
    const auto add = [&folders](std::string_view data) {
        if (data.empty() || data.front() != '/') {
            return;  // relative: invalid
        }
        std::string folder = withoutTrailingSlashes(std::string(data));
        folder += folder == "/" ? "applications" : "/applications";
        if (std::find(folders.begin(), folders.end(), folder) == folders.end()) {
            folders.push_back(std::move(folder));
        }
    };
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    if (dataHome != nullptr && dataHome[0] == '/') {
        add(dataHome);
    } else if (home != nullptr && home[0] == '/') {
        add(withoutTrailingSlashes(home) + "/.local/share");
    }
    const char* dataDirs = std::getenv("XDG_DATA_DIRS");
    const std::string_view dirs =
        dataDirs != nullptr && dataDirs[0] != '\0' ? dataDirs : "/usr/local/share:/usr/share";
    for (std::size_t start = 0, colon = 0; colon != std::string_view::npos; start = colon + 1) {
        colon = dirs.find(':', start);
        add(dirs.substr(start, colon - start));
    }
    return folders;
}

void DesktopEntryCache::refresh() {
    const bool changed = std::any_of(folders_.begin(), folders_.end(), [](const FolderState& f) {
        return FolderState::of(f.path) != f;
    });
    if (!racy_ && !changed) {
        return;
    }
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
    std::string id(path.substr(path.rfind('/') + 1));  // the base name (npos + 1 is 0)
    for (const std::string& root : roots_) {
        if (path.size() > root.size() + 1 && path.starts_with(root) && path[root.size()] == '/') {
            id = path.substr(root.size() + 1);
            std::replace(id.begin(), id.end(), '/', '-');
            break;
        }
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
                if (auto entry = readDesktopEntry(child)) {
                    byId_.emplace(id, std::move(*entry));
                }
            }
        }
    }
    visiting_.pop_back();
}

}  // namespace headroom

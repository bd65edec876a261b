#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>

namespace headroom {

/// The process's own folder of generated icons, `<runtime dir>/headroom-<pid>` (mode 0700),
/// where the tray item's images are written for the panel to load by name. The caller names
/// each picture, so a file is written once and kept (again only if the picture of a name
/// changes, as with a new theme); every file written is removed, with the folder, when the
/// object goes.
class IconFolder {
  public:
    /// Makes the folder under `base` (the user's runtime folder, `$XDG_RUNTIME_DIR`, when
    /// empty). A folder of that name left by an earlier process with the same id is reused
    /// when it is ours; the icons and folders of the user's other runs that ended without
    /// removing them (killed, their id now another program's or no one's) are removed.
    /// Nothing, with `error` set, when it cannot be made.
    static std::unique_ptr<IconFolder> create(std::string base, std::string& error);

    ~IconFolder() { remove(); }
    IconFolder(const IconFolder&) = delete;
    IconFolder& operator=(const IconFolder&) = delete;

    const std::string& path() const { return path_; }
    /// The file of icon `name` in path().
    std::string fileOf(const std::string& name) const { return path_ + "/" + name + ".svg"; }

    /// Makes `<name>.svg` hold `contents` unless it holds them already; not flushed to the
    /// disk, as the folder does not outlive the run. False, with `error` set, when it cannot
    /// be written.
    bool put(const std::string& name, const std::string& contents, std::string& error);

    /// Removes every file written, and the folders, now: for an end that skips destructors.
    void remove();

  private:
    explicit IconFolder(std::string path) : path_(std::move(path)) {}

    std::string path_;
    std::map<std::string, std::size_t> written_;  // name: hash of its contents
};

}  // namespace headroom

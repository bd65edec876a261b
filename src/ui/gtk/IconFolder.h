#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>

namespace headroom {

/// The process's own folder of generated icons, `<runtime dir>/headroom-<pid>` (mode 0700),
/// where the tray item's images are written for the panel to load by name. The folder and
/// every file written to it are removed when the object goes; until then files are kept, so
/// that a name once shown keeps its picture.
class IconFolder {
  public:
    /// Makes the folder under `base` (normally the user's runtime folder,
    /// `$XDG_RUNTIME_DIR`). A folder of that name left by an earlier process with the same id
    /// is emptied and reused when it is ours. Nothing, with `error` set, when it cannot be made.
    static std::unique_ptr<IconFolder> create(const std::string& base, std::string& error);
    /// The user's runtime folder, as GLib finds it.
    static std::string defaultBase();

    ~IconFolder();
    IconFolder(const IconFolder&) = delete;
    IconFolder& operator=(const IconFolder&) = delete;

    const std::string& path() const { return path_; }

    /// Writes `<name>.svg` atomically (a new file renamed into place), so that a panel never
    /// reads half an icon. False, with `error` set, when it cannot.
    bool write(const std::string& name, const std::string& contents, std::string& error);
    /// Whether `<name>.svg` was last written here with `contents`.
    bool holds(const std::string& name, const std::string& contents) const;
    /// The file of icon `name`.
    std::string fileOf(const std::string& name) const { return path_ + "/" + name + ".svg"; }

  private:
    explicit IconFolder(std::string path) : path_(std::move(path)) {}

    std::string path_;
    /// The files written, with a hash of their contents.
    std::map<std::string, std::size_t> written_;
};

}  // namespace headroom

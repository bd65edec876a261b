#pragma once

#include <array>
#include <map>
#include <memory>
#include <string>
#include <utility>

namespace headroom {

/// The process's own folder of generated icons, `<runtime dir>/headroom-<pid>` (mode 0700),
/// where the tray item's images are written for the panel to load by name, with a second
/// folder `b` inside it for panels that read a name only once per folder. Every file written
/// is removed, with the folders, when the object goes; until then files are kept, so that a
/// name once shown keeps its picture.
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

    /// The folder the panel is to look in: the one the last put left the icon in.
    const std::string& path() const { return paths_[side_]; }
    /// The file of icon `name` in path().
    std::string fileOf(const std::string& name) const { return path() + "/" + name + ".svg"; }

    /// Makes `<name>.svg` in path() hold `contents`, written atomically (a new file renamed into
    /// place, so that a panel never reads half an icon) unless it holds them already. With
    /// `changeFolder`, a file that holds another picture is not written over: the icon goes to
    /// the other folder, which path() names from then on. False, with `error` set, when it
    /// cannot be written.
    bool put(const std::string& name, const std::string& contents, bool changeFolder,
             std::string& error);

    /// Removes every file written, and the folders, now: for an end that skips destructors.
    void remove();

  private:
    explicit IconFolder(std::string path) : paths_{path, path + "/b"} {}

    std::array<std::string, 2> paths_;
    std::size_t side_ = 0;
    /// The files written to each folder, with a hash of their contents.
    std::array<std::map<std::string, std::size_t>, 2> written_;
};

}  // namespace headroom

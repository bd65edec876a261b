#pragma once

#include <memory>
#include <string>

namespace headroom {

class SettingWindowController;

/// What a loaded interface file leaves behind: its window and controls, alive while this is
/// held.
class InterfaceObjects {
  public:
    virtual ~InterfaceObjects() = default;
};

/// Loads the preferences window from its interface file.
class SettingWindowFactory {
  public:
    virtual ~SettingWindowFactory() = default;

    /// Loads the interface file `nibName` with `owner` as its owner: every outlet, the window
    /// among them, is connected through the owner's setters; each control's action and the
    /// numeric fields' editing notices go to the owner, and a click on the window's background
    /// comes to it as `mouseUp`. The window starts hidden, on the General pane. Nothing, after
    /// a line in the log that says why, when the file cannot be loaded.
    virtual std::unique_ptr<InterfaceObjects> loadWindowNib(const std::string& nibName,
                                                            SettingWindowController& owner) = 0;
};

}  // namespace headroom

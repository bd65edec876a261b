#pragma once

#include <memory>
#include <string>

#include "platform/SettingWindowFactory.h"
#include "platform/SystemLog.h"

namespace headroom {

/// Loads the preferences window from the GtkBuilder file `SettingWindowController.ui` of the
/// resources folder. The file names each outlet by its id (`btnShowIcon`, `generalView`, …),
/// the window `window`, its content `content` and the toolbar items by their identifiers
/// (`General`, `Advanced`, `AboutUs`); a segmented control is a box of radio buttons. Each
/// control's <signal> names the controller's action it sends. A file that is missing, not
/// valid, lacks one of these or names an unknown action is refused with a line in the log.
///
/// The window opens centred on the screen. Closing it (or Escape) only hides it; a click on its
/// background ends text editing.
class GtkSettingWindowFactory final : public SettingWindowFactory {
  public:
    GtkSettingWindowFactory(std::string resourcesDirectory, SystemLog& log);

    std::unique_ptr<SettingWindow> loadWindow(SettingWindowController& owner) override;

  private:
    std::string resourcesDirectory_;
    SystemLog& log_;
};

}  // namespace headroom

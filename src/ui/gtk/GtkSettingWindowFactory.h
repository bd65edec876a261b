#pragma once

#include <memory>
#include <string>

#include "platform/SettingWindowFactory.h"
#include "platform/SystemLog.h"

namespace headroom {

/// Loads the preferences window from the GtkBuilder file `SettingWindowController.ui` of the
/// resources folder. The file names each control by its id (`btnShowIcon`, `generalView`, …),
/// the window `window`, its content `content` and the toolbar items `General`, `Advanced` and
/// `AboutUs`; the text size is a box of radio buttons. A file that is missing, not valid or
/// lacks one of these is refused with a line in the log.
///
/// The window opens centred on the screen. Closing it (or Escape) tells the owner, which lets it
/// go.
class GtkSettingWindowFactory final : public SettingWindowFactory {
  public:
    GtkSettingWindowFactory(std::string resourcesDirectory, SystemLog& log);

    std::unique_ptr<SettingWindow> loadWindow(SettingWindowOwner& owner) override;

  private:
    std::string resourcesDirectory_;
    SystemLog& log_;
};

}  // namespace headroom

#pragma once

#include <memory>
#include <string>

#include "platform/SettingWindowFactory.h"
#include "platform/SystemLog.h"

namespace headroom {

/// Loads the preferences window from the GtkBuilder file `SettingWindowController.ui` of the
/// resources folder. The file names each outlet by its id (`btnShowIcon`, `generalView`, …),
/// the window `window`, its content `content`, the toolbar items `General`, `Advanced` and
/// `AboutUs`, the text-size segments `segmentNormal` and `segmentSmall`, and the link buttons
/// `btnTwitter`, `btnOrvaneDotCom`, `btnFaq` and `btnFanPage`. A file that is missing, not
/// valid, or lacks one of these is refused with a line in the log.
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

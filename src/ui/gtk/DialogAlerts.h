#pragma once

#include "platform/Alerts.h"

namespace headroom {

/// Alerts as message dialogs: the message as the dialog's title and main text, the informative
/// text below it, one OK button. Each is modal and stays over the application's active window;
/// none runs a nested main loop. A dialog goes when it is answered.
class DialogAlerts final : public Alerts {
  public:
    void runModal(const std::string& messageText, const std::string& informativeText,
                  std::function<void()> dismissed) override;
};

}  // namespace headroom

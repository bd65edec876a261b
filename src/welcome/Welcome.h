#pragma once

#include <string_view>

#include "platform/Platform.h"
#include "welcome/WelcomeRules.h"

namespace headroom {

/// The welcome window, shown on request. The window's program keeps no file of its own: the
/// choice of its "do not show" check box comes back here, and is stored with the rest.
class Welcome {
  public:
    Welcome(ThanaksWindows& thanaksWindows, PreferenceStore& preferences,
            const DeploymentSettings& deployment)
        : thanaksWindows_(thanaksWindows), preferences_(preferences), deployment_(deployment) {}

    void showThanksWindow() { showwindow(); }
    /// The window runs apart, with a fresh controller on every call; the one before closes.
    void showwindow() {
        thanaksWindows_.showThanksWindow(deployment_.promoPageURL, deployment_.subscriptionPage,
                                         [this](std::string_view line) { handedBack(line); });
    }
    /// A line from the window: its check box's choice (`showLine`) is stored under "Show";
    /// any other line changes nothing.
    void handedBack(std::string_view line) {
        for (const bool on : {true, false}) {
            if (line == showLine(on)) {
                preferences_.setValue(std::string(showValue(on)), std::string(kShowKey));
            }
        }
    }

  private:
    ThanaksWindows& thanaksWindows_;
    PreferenceStore& preferences_;
    const DeploymentSettings& deployment_;
};

}  // namespace headroom

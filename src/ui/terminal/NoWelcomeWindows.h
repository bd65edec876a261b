#pragma once

#include <string>

#include "platform/SystemLog.h"
#include "platform/WelcomeWindows.h"

namespace headroom {

/// The welcome window where there is no display to show it on: asking for it opens nothing
/// and says so in the log.
class NoWelcomeWindows final : public WelcomeWindows {
  public:
    explicit NoWelcomeWindows(SystemLog& log) : log_(log) {}

    void showWelcomeWindow(const std::string& /*promoPageURL*/,
                           const std::string& /*subscriptionPage*/) override {
        log_.log("The welcome window needs a display");
    }

  private:
    SystemLog& log_;
};

}  // namespace headroom

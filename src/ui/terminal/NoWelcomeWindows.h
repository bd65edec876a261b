#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/Alerts.h"
#include "platform/SystemLog.h"
#include "platform/ThanaksWindow.h"
#include "platform/URLConnection.h"

namespace headroom {

/// The welcome window where there is no display to show it on: asking for it opens nothing
/// and says so in the log. Without a window nothing else is asked for; should an alert come, it
/// goes to the log, and a connection never answers.
class NoWelcomeWindows final : public ThanaksWindowFactory,
                               public URLConnectionFactory,
                               public Alerts {
  public:
    explicit NoWelcomeWindows(SystemLog& log) : log_(log) {}

    std::unique_ptr<ThanaksWindow> loadWindowNib(const std::string& /*nibName*/) override {
        log_.log("The welcome window needs a display");
        return nullptr;
    }
    std::optional<ResourcePage> pageForResource(const std::string& /*page*/) override {
        return std::nullopt;
    }

    std::unique_ptr<URLConnection> connectionWithRequest(
        const URLRequest& /*request*/, URLConnectionDelegate& /*delegate*/) override {
        return std::make_unique<Silent>();
    }

    void runModal(const std::string& messageText, const std::string& informativeText,
                  std::function<void()> dismissed) override {
        log_.log(messageText + ": " + informativeText);
        if (dismissed) {
            dismissed();
        }
    }

  private:
    class Silent final : public URLConnection {
      public:
        void start() override {}
    };

    SystemLog& log_;
};

}  // namespace headroom

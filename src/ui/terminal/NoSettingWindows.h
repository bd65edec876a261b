#pragma once

#include <memory>
#include <string>

#include "platform/SettingWindowFactory.h"
#include "platform/SystemLog.h"

namespace headroom {

/// The preferences window where there is no display to show it on: a request opens nothing
/// and says so in the log, with where the settings can be changed instead.
class NoSettingWindowFactory final : public SettingWindowFactory {
  public:
    explicit NoSettingWindowFactory(SystemLog& log) : log_(log) {}
    std::unique_ptr<InterfaceObjects> loadWindowNib(const std::string& /*nibName*/,
                                                    SettingWindowController& /*owner*/) override {
        log_.log(
            "The preferences window needs a display; the settings are kept in the "
            "preference file (see --config)");
        return nullptr;
    }

  private:
    SystemLog& log_;
};

}  // namespace headroom

#pragma once

#include "platform/NotificationCenter.h"
#include "platform/SystemLog.h"

namespace headroom {

/// Notices as D-Bus signals on the user's session bus: member = the notice's name, one string
/// argument = its object, sent from /com/Tidewell/Headroom on interface com.Tidewell.Headroom.
class SessionBusNotificationCenter : public NotificationCenter {
  public:
    static constexpr const char* kObjectPath = "/com/Tidewell/Headroom";
    static constexpr const char* kInterface = "com.Tidewell.Headroom";

    explicit SessionBusNotificationCenter(SystemLog& log) : log_(log) {}
    void postNotification(const std::string& name, const std::string& object) override;

  private:
    SystemLog& log_;
};

}  // namespace headroom

#pragma once

#include <string>

namespace headroom {

/// One desktop notification of the program's own, shown, changed in place and taken away.
class DesktopNotifier {
  public:
    virtual ~DesktopNotifier() = default;
    /// Shows the notification, or changes the one shown in place.
    virtual void show(const std::string& summary, const std::string& body) = 0;
    /// Takes the notification away; nothing when none is shown.
    virtual void withdraw() = 0;
};

}  // namespace headroom

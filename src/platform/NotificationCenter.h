#pragma once

#include <string>

namespace headroom {

/// Notices between processes of the same user session.
class NotificationCenter {
  public:
    virtual ~NotificationCenter() = default;
    /// Sends the notice `name` with `object` as its one argument; delivery is asynchronous.
    virtual void postNotification(const std::string& name, const std::string& object) = 0;
};

}  // namespace headroom

#pragma once

#include <string>

namespace headroom {

/// The programs the desktop starts when the user logs in.
class LoginItems {
  public:
    virtual ~LoginItems() = default;

    /// Registers (true) or unregisters (false) the login helper `identifier` to start at
    /// login. False when that could not be done; `lastError` then says why.
    virtual bool setLoginItemEnabled(const std::string& identifier, bool enabled) = 0;

    /// Whether the login helper `identifier` runs now.
    virtual bool loginItemRunning(const std::string& identifier) = 0;

    /// Why the last registration failed; empty when it did not.
    virtual std::string lastError() const = 0;
};

}  // namespace headroom

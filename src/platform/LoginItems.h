#pragma once

#include <string>

namespace headroom {

/// The login helper's identity, looked for at launch and registered for start at login; the
/// helper owns it as its name on the session bus.
inline constexpr const char* kHelperBundleIdentifier = "com.Tidewell.Helper";
/// The notice that tells a running login helper to end.
inline constexpr const char* kTerminateHelperNotification = "TERMINATEHELPER";

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

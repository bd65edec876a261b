#pragma once

namespace headroom {

/// The running application as the desktop sees it.
class Application {
  public:
    virtual ~Application() = default;
    /// Ends the application once the current callback returns.
    virtual void terminate() = 0;
    /// Brings the application's windows to the front.
    virtual void activateIgnoringOtherApps(bool flag) = 0;
};

}  // namespace headroom

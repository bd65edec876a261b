#pragma once

namespace headroom {

/// The running application as the desktop sees it.
class Application {
  public:
    virtual ~Application() = default;
    /// Ends the application once the current callback returns.
    virtual void terminate() = 0;
    /// Whether the application was asked to end; work that turns the loop for long (a clean)
    /// stops early once it is.
    virtual bool isTerminating() const = 0;
    /// Brings the application's windows to the front, whatever application is active.
    virtual void activateIgnoringOtherApps() = 0;
};

}  // namespace headroom

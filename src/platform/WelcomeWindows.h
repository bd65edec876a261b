#pragma once

#include <string>

namespace headroom {

/// The welcome window, shown apart from the program that asks for it: the window holds a web
/// engine, which costs far more memory than the rest of the program and must give it all back
/// when the window closes.
class WelcomeWindows {
  public:
    virtual ~WelcomeWindows() = default;
    /// Closes the welcome window shown before, if it is still open, and shows a new one with
    /// the promotional page `promoPageURL` and the subscription form `subscriptionPage` (a
    /// resource file name or an absolute path). A window that cannot be shown is said in the
    /// log.
    virtual void showWelcomeWindow(const std::string& promoPageURL,
                                   const std::string& subscriptionPage) = 0;
};

}  // namespace headroom

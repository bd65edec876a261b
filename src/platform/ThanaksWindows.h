#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace headroom {

/// The welcome window, shown apart from the program that asks for it: the window holds a web
/// engine, which costs far more memory than the rest of the program and must give it all back
/// when the window closes.
class ThanaksWindows {
  public:
    /// Gets each line the window hands back (without its end of line), from the main loop.
    using HandedBack = std::function<void(std::string_view line)>;

    virtual ~ThanaksWindows() = default;
    /// Closes the welcome window shown before, if it is still open, and shows a new one with
    /// the promotional page `promoPageURL` and the subscription form `subscriptionPage` (a
    /// resource file name or an absolute path). What the window hands back reaches
    /// `handedBack` until the window has gone, while this object lives. A window that cannot
    /// be shown is said in the log.
    virtual void showThanksWindow(const std::string& promoPageURL,
                                  const std::string& subscriptionPage, HandedBack handedBack) = 0;
};

}  // namespace headroom

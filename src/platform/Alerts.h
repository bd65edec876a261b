#pragma once

#include <functional>
#include <string>

namespace headroom {

/// Native alerts: a message, an informative text and one button that dismisses them.
class Alerts {
  public:
    virtual ~Alerts() = default;
    /// Shows the alert, modal to the application, and returns at once; `dismissed` (may be
    /// empty) runs when the user has dismissed it.
    virtual void runModal(const std::string& messageText, const std::string& informativeText,
                          std::function<void()> dismissed) = 0;
};

}  // namespace headroom

#pragma once

#include <string>

namespace headroom {

/// Opens web addresses with the user's preferred application. Failures are the adapter's to
/// report; the caller does not look at the outcome.
class UrlOpener {
  public:
    virtual ~UrlOpener() = default;
    virtual void openURL(const std::string& url) = 0;
};

}  // namespace headroom

#pragma once

#include <string>

namespace headroom {

/// Tells whether a host could be reached, without sending anything to it.
class Reachability {
  public:
    virtual ~Reachability() = default;
    /// Whether a route to `hostName` exists now with no connection to bring up (or sign in to)
    /// first; false when that cannot be told. Synchronous.
    virtual bool isReachable(const std::string& hostName) = 0;
};

}  // namespace headroom

#pragma once

#include <optional>
#include <string>

namespace headroom {

/// What the system knows about reaching a host.
struct ReachabilityFlags {
    bool reachable = false;           ///< a route to the host exists now
    bool connectionRequired = false;  ///< a connection must be brought up (or signed in) first
};

/// Tells whether a host could be reached, without sending anything to it.
class Reachability {
  public:
    virtual ~Reachability() = default;
    /// The flags for `hostName`, or nothing when they cannot be had. Synchronous.
    virtual std::optional<ReachabilityFlags> flagsForHost(const std::string& hostName) = 0;
};

}  // namespace headroom

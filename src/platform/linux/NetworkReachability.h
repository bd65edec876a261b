#pragma once

#include <string>

#include "platform/Reachability.h"

namespace headroom {

/// Reachability from the system's network monitor and resolver (GIO). A host is reachable when
/// the monitor reports a network with a default route whose connectivity is full or limited,
/// and the host's name resolves (synchronously, through the system's resolver). Nothing is
/// sent to the host itself.
///
/// Limited connectivity counts: it means a route exists but the monitor's own check of the
/// internet failed, which a firewall in front of that check also causes; the name lookup still
/// has to succeed. A captive portal needs a sign-in first and local connectivity reaches no
/// host: neither counts. A name that does not resolve, or an empty one, is not reachable.
class NetworkReachability final : public Reachability {
  public:
    bool isReachable(const std::string& hostName) override;
};

}  // namespace headroom

#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "CallJournal.h"
#include "platform/Alerts.h"
#include "platform/Reachability.h"

namespace headroom::test {

/// Records every alert and dismisses it at once, as a user who clicks straight away.
class FakeAlerts final : public Alerts, public Journaled {
  public:
    struct Shown {
        std::string messageText;
        std::string informativeText;
        friend bool operator==(const Shown&, const Shown&) = default;
    };

    void runModal(const std::string& messageText, const std::string& informativeText,
                  std::function<void()> dismissed) override {
        note("alerts.runModal");
        shown.push_back(Shown{messageText, informativeText});
        if (dismissed) {
            dismissed();
        }
    }

    std::vector<Shown> shown;
};

/// Answers every host with the flags it is given (none: the flags cannot be read).
class FakeReachability final : public Reachability, public Journaled {
  public:
    std::optional<ReachabilityFlags> flagsForHost(const std::string& hostName) override {
        note("reachability.flagsForHost");
        hosts.push_back(hostName);
        return flags;
    }

    std::optional<ReachabilityFlags> flags;
    std::vector<std::string> hosts;
};

}  // namespace headroom::test

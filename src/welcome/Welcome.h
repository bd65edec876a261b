#pragma once

#include "platform/Platform.h"

namespace headroom {

/// The welcome window, shown on request, and the network probe.
class Welcome {
  public:
    Welcome(WelcomeWindows& welcomeWindows, Reachability& reachability,
            const DeploymentSettings& deployment)
        : welcomeWindows_(welcomeWindows), reachability_(reachability), deployment_(deployment) {}

    void showThanksWindow() { showwindow(); }
    /// The window runs apart, with a fresh controller on every call; the one before closes.
    void showwindow() {
        welcomeWindows_.showWelcomeWindow(deployment_.promoPageURL, deployment_.subscriptionPage);
    }
    /// Whether the deployment's reachability host can be reached now (nothing is sent to it).
    bool isInternetAvail() { return reachability_.isReachable(deployment_.reachabilityHost); }

  private:
    WelcomeWindows& welcomeWindows_;
    Reachability& reachability_;
    const DeploymentSettings& deployment_;
};

}  // namespace headroom

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
    void showwindow();
    /// Whether the deployment's reachability host can be reached now (nothing is sent to it).
    bool isInternetAvail();

  private:
    WelcomeWindows& welcomeWindows_;
    Reachability& reachability_;
    const DeploymentSettings& deployment_;
};

}  // namespace headroom

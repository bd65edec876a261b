#include "welcome/Welcome.h"

namespace headroom {

void Welcome::showwindow() {
    // The window runs apart, with a fresh controller on every call; the one before closes.
    welcomeWindows_.showWelcomeWindow(deployment_.promoPageURL, deployment_.subscriptionPage);
}

bool Welcome::isInternetAvail() {
    const auto flags = reachability_.flagsForHost(deployment_.reachabilityHost);
    return flags && flags->reachable && !flags->connectionRequired;
}

}  // namespace headroom

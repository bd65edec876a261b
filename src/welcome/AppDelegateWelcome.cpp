// The delegate's welcome window and its network probe.

#include "app/AppDelegate.h"

namespace headroom {

void AppDelegate::showThanksWindow() {
    showwindow();
}

void AppDelegate::showwindow() {
    // The window runs apart, with a fresh controller on every call; the one before closes.
    platform_.welcomeWindows.showWelcomeWindow(platform_.deployment.promoPageURL,
                                               platform_.deployment.subscriptionPage);
}

bool AppDelegate::isInternetAvail() {
    const auto flags = platform_.reachability.flagsForHost(platform_.deployment.reachabilityHost);
    return flags && flags->reachable && !flags->connectionRequired;
}

}  // namespace headroom

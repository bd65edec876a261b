// The delegate's welcome window and its network probe.

#include "app/AppDelegate.h"
#include "welcome/ThanaksWindowController.h"

namespace headroom {

void AppDelegate::showThanksWindow() {
    showwindow();
}

void AppDelegate::showwindow() {
    // A fresh controller on every call; the one before goes, and its window with it.
    thanaksWindowControllerObj_ = std::make_shared<ThanaksWindowController>(
        ThanaksWindowPorts{platform_.thanaksWindows, platform_.urlConnections, platform_.alerts,
                           platform_.urlOpener, platform_.preferences, platform_.log},
        ThanaksWindowContent{platform_.bundle.name, platform_.deployment.promoPageURL,
                             platform_.deployment.subscriptionPage});
    ThanaksWindowController& controller = *thanaksWindowControllerObj_;
    if (ThanaksWindow* window = controller.window()) {
        window->setCollectionBehavior(ThanaksWindow::kCanJoinAllSpaces);
        window->makeKeyAndOrderFront();
    }
    platform_.application.activateIgnoringOtherApps(true);
    controller.showWindow();
}

bool AppDelegate::isInternetAvail() {
    const auto flags = platform_.reachability.flagsForHost(platform_.deployment.reachabilityHost);
    return flags && flags->reachable && !flags->connectionRequired;
}

}  // namespace headroom

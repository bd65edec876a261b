#include "welcome/ThanaksWindowController.h"

#include <utility>

#include "welcome/WelcomeRules.h"

namespace headroom {

void ThanaksWindowController::windowDidLoad(std::unique_ptr<ThanaksWindow> window) {
    window_ = std::move(window);
    // The texts' fonts and colours and the panel's look are the interface file's.
    window_->setAppName(content_.bundleName);

    // The promo view shows once its page starts loading.
    WebView& promo = window_->MultipleAppView();
    promo.loadRequest(URLRequest{content_.promoPageURL, "GET", {}});
    promo.setHidden(true);

    // The subscription page, and a first connection that reads the page itself, so that its
    // own text goes through the body test.
    if (const auto& page = content_.subscriptionPage) {
        window_->SubscribeWebview().loadHTMLString(page->text);
        startConnection(URLRequest{page->fileURL, "GET", {}}, false);
    }
}

void ThanaksWindowController::showWindow() {
    window_->setCollectionBehavior(kWindowCollectionBehaviorCanJoinAllSpaces);
    window_->makeKeyAndOrderFront();
}

void ThanaksWindowController::doNotShowWindow(bool checkBoxOn) {
    ports_.handBack << showLine(checkBoxOn) << std::endl;  // at once: the window may be ended
}

PolicyDecision ThanaksWindowController::decidePolicyForNavigationAction(WebView& sender,
                                                                        const URLRequest& request) {
    if (&sender == &window_->MultipleAppView()) {
        // The promo page stays; what the user opens from it goes to the browser (which takes
        // web addresses only).
        ports_.workspace.openURL(request.url);
        return PolicyDecision::Ignore;
    }
    // The form's submission is sent by the page and again by a connection whose answer is
    // tested. The page the form opens in `tempweb` loads as it comes.
    if (&sender == &window_->SubscribeWebview()) {
        startConnection(request, true);
    }
    return PolicyDecision::Use;
}

void ThanaksWindowController::startConnection(const URLRequest& request, bool subscription) {
    // The new connection replaces (and so cancels) the one before: they would share `data`.
    con_.reset();
    data_.clear();
    subscribing_ = subscription;
    con_ = ports_.connections.connectionWithRequest(request, *this);
}

void ThanaksWindowController::runJavaScriptAlertPanelWithMessage(WebView& sender,
                                                                 const std::string& message,
                                                                 std::function<void()> dismissed) {
    // A page that raises alert after alert would hold the user without end.
    const int raised = ++alerts_[&sender];
    if (raised <= kMostAlerts) {
        window_->runModal("Alert", message, std::move(dismissed));
        return;
    }
    if (raised == kMostAlerts + 1) {
        ports_.log.log("The welcome window's page raised more than " + std::to_string(kMostAlerts) +
                       " alerts; the rest are not shown");
    }
    if (dismissed) {
        dismissed();
    }
}

void ThanaksWindowController::didStartProvisionalLoadForFrame(WebView& sender) {
    alerts_.erase(&sender);
    if (&sender == &window_->MultipleAppView()) {
        sender.setHidden(false);
    }
}

void ThanaksWindowController::didFinishLoadForFrame(WebView& sender) {
    if (&sender == &window_->MultipleAppView()) {
        sender.setHidden(false);
        sender.stringByEvaluatingJavaScriptFromString(kZoomScript, nullptr);
    } else if (&sender == &window_->tempweb()) {
        sender.stringByEvaluatingJavaScriptFromString(
            kFormErrorScript, [this](const std::optional<std::string>& error) {
                if (const auto text = formErrorInformativeText(error)) {
                    window_->runModal("Error", *text, nullptr);
                }
            });
    }
}

void ThanaksWindowController::webViewWebContentProcessDidTerminate(WebView& sender) {
    // A redirect of the form's answer to a local file makes the engine kill the page's
    // process; the form would stay on screen, dead. A page that dies on every load is let be.
    constexpr int kMostReloads = 3;
    const bool promo = &sender == &window_->MultipleAppView();
    if ((!promo && &sender != &window_->SubscribeWebview()) || reloads_ == kMostReloads) {
        return;
    }
    ++reloads_;
    ports_.log.log(std::string(promo ? "The promotional page" : "The subscription form") +
                   " stopped working (its web process ended); it is loaded again");
    if (promo) {
        sender.loadRequest(URLRequest{content_.promoPageURL, "GET", {}});
    } else if (content_.subscriptionPage) {
        sender.loadHTMLString(content_.subscriptionPage->text);
    }
}

WebView* ThanaksWindowController::createWebViewWithRequest(WebView& sender,
                                                           const URLRequest& /*request*/) {
    return &sender == &window_->MultipleAppView() ? nullptr : &window_->tempweb();
}

void ThanaksWindowController::willSendRequest() {
    window_->indicatoraminate().startAnimation();
    data_.clear();
}

void ThanaksWindowController::connectionDidFinishLoading() {
    window_->indicatoraminate().stopAnimation();
    if (asksForEmailConfirmation(data_)) {
        window_->runModal(kConfirmationMessage, kConfirmationInformative, nullptr);
    }
}

void ThanaksWindowController::didFailWithError(const std::string& error) {
    window_->indicatoraminate().stopAnimation();
    ports_.log.log("The welcome window's request failed: " + error);
    // The form's own page shows nothing useful then (an empty or an error page, or none), so
    // the user is told, once: the page's copy of the request is not watched.
    if (subscribing_) {
        window_->runModal(
            "Error", "The subscription did not go through (" + error + "). Please try again later.",
            nullptr);
    }
}

}  // namespace headroom

#include "welcome/ThanaksWindowController.h"

#include <utility>

#include "welcome/WelcomeRules.h"

namespace headroom {

ThanaksWindowController::ThanaksWindowController(ThanaksWindowPorts ports,
                                                 ThanaksWindowContent content)
    : ports_(ports), content_(std::move(content)) {}

ThanaksWindowController::~ThanaksWindowController() = default;

ThanaksWindow* ThanaksWindowController::window() {
    if (!windowLoaded_) {
        windowLoaded_ = true;
        window_ = ports_.windows.loadWindowNib(kNibName, *this);
        if (window_) {
            windowDidLoad();
        }
    }
    return window_.get();
}

void ThanaksWindowController::showWindow() {
    if (ThanaksWindow* shown = window()) {
        shown->showWindow();
    }
}

void ThanaksWindowController::windowDidLoad() {
    // The texts' fonts and colours and the panel's look are the interface file's.
    window_->setAppName(ports_.textCase.uppercaseString(content_.bundleName));

    // The promo view shows once its page starts loading.
    WebView& promo = window_->MultipleAppView();
    promo.loadRequest(URLRequest{content_.promoPageURL, "GET", {}});
    promo.setHidden(true);

    // The subscription page, and a first connection that reads the page itself, so that its
    // own text goes through the body test.
    if (const auto page = ports_.windows.pageForResource(content_.subscriptionPage)) {
        window_->SubscribeWebview().loadHTMLString(page->text);
        startConnection(URLRequest{page->fileURL, "GET", {}});
    }
}

void ThanaksWindowController::doNotShowWindow(bool checkBoxOn) {
    ports_.preferences.setValue(checkBoxOn ? "n" : "y", kShowKey);
}

bool ThanaksWindowController::isPromoView(const WebView& view) const {
    return window_ && &view == &window_->MultipleAppView();
}

PolicyDecision ThanaksWindowController::decidePolicyForNavigationAction(WebView& sender,
                                                                        const URLRequest& request) {
    if (isPromoView(sender)) {
        // The promo page stays; what the user opens from it goes to the browser.
        if (isBrowserURL(request.url)) {
            ports_.workspace.openURL(request.url);
        } else {
            ports_.log.log("Not opening \"" + request.url +
                           "\" from the promotional page: only http and https addresses go to "
                           "the browser");
        }
        return PolicyDecision::Ignore;
    }
    // The form's submission is sent by the page and again by a connection whose answer is
    // tested. The page the form opens in `tempweb` loads as it comes.
    if (window_ && &sender == &window_->SubscribeWebview()) {
        startConnection(request);
    }
    return PolicyDecision::Use;
}

PolicyDecision ThanaksWindowController::decidePolicyForNewWindowAction(WebView& sender,
                                                                       const URLRequest& request) {
    return decidePolicyForNavigationAction(sender, request);
}

void ThanaksWindowController::startConnection(const URLRequest& request) {
    // The new connection replaces (and so cancels) the one before: they would share `data`.
    con_.reset();
    data_.clear();
    con_ = ports_.connections.connectionWithRequest(request, *this);
}

void ThanaksWindowController::didStartProvisionalLoadForFrame(WebView& sender) {
    if (isPromoView(sender)) {
        sender.setHidden(false);
    }
}

void ThanaksWindowController::didFinishLoadForFrame(WebView& sender) {
    if (isPromoView(sender)) {
        sender.setHidden(false);
        sender.stringByEvaluatingJavaScriptFromString(kZoomScript, nullptr);
    } else if (window_ && &sender == &window_->tempweb()) {
        sender.stringByEvaluatingJavaScriptFromString(
            kFormErrorScript, [this](const std::optional<std::string>& error) {
                if (const auto text = formErrorInformativeText(error)) {
                    ports_.alerts.runModal("Error", *text, nullptr);
                }
            });
    }
}

void ThanaksWindowController::runJavaScriptAlertPanelWithMessage(WebView& /*sender*/,
                                                                 const std::string& message,
                                                                 std::function<void()> dismissed) {
    ports_.alerts.runModal("Alert", message, std::move(dismissed));
}

WebView* ThanaksWindowController::createWebViewWithRequest(WebView& sender,
                                                           const URLRequest& /*request*/) {
    return isPromoView(sender) || !window_ ? nullptr : &window_->tempweb();
}

void ThanaksWindowController::willSendRequest() {
    window_->indicatoraminate().startAnimation();
    data_.clear();
}

void ThanaksWindowController::didReceiveData(std::string_view bytes) {
    data_.append(bytes);
}

void ThanaksWindowController::connectionDidFinishLoading() {
    window_->indicatoraminate().stopAnimation();
    if (asksForEmailConfirmation(data_)) {
        ports_.alerts.runModal(kConfirmationMessage, kConfirmationInformative, nullptr);
    }
}

void ThanaksWindowController::didFailWithError(const std::string& error) {
    // Nothing to tell the user, but the spinner must not promise a load that has ended.
    window_->indicatoraminate().stopAnimation();
    ports_.log.log("The welcome window's request failed: " + error);
}

std::unique_ptr<ThanaksWindowController> showThanaksWindow(ThanaksWindowPorts ports,
                                                           ThanaksWindowContent content) {
    auto controller = std::make_unique<ThanaksWindowController>(ports, std::move(content));
    if (ThanaksWindow* window = controller->window()) {
        window->setCollectionBehavior(kWindowCollectionBehaviorCanJoinAllSpaces);
        window->makeKeyAndOrderFront();
    }
    controller->showWindow();
    return controller;
}

}  // namespace headroom

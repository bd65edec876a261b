#include "welcome/ThanaksWindowController.h"

#include <utility>

#include "welcome/WelcomeRules.h"

namespace headroom {

namespace {

/// The text colour of the name and the thanks text: calibrated 41, 43, 56 of 255.
constexpr RgbaColor kTextColor{41.0 / 255.0, 43.0 / 255.0, 56.0 / 255.0, 1.0};
constexpr RgbaColor kWhite{1.0, 1.0, 1.0, 1.0};
constexpr RgbaColor kGrey{0.5, 0.5, 0.5, 1.0};
constexpr double kPanelBorderWidth = 1.3;

}  // namespace

ThanaksWindowController::ThanaksWindowController(ThanaksWindowPorts ports,
                                                 ThanaksWindowContent content)
    : ports_(ports), content_(std::move(content)) {}

ThanaksWindowController::~ThanaksWindowController() = default;

ThanaksWindow* ThanaksWindowController::window() {
    if (!windowLoaded_) {
        windowLoaded_ = true;
        window_ = ports_.windows.loadWindowNib(kNibName);
        if (window_) {
            window_->setDoNotShowAction([this](bool on) { doNotShowWindow(on); });
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
    ThanaksWindow& w = *window_;

    // 1-4. Texts and the panel behind the name.
    w.ThanksDownloadingtext().setFont("Myriad Pro Light", 36.0);
    w.ThanksDownloadingtext().setTextColor(kTextColor);
    w.appName().setFont("Myriad Pro Bold", 44.0);
    w.appName().setTextColor(kTextColor);
    w.AppView().setBackgroundColor(kWhite);
    w.AppView().setBorder(kGrey, kPanelBorderWidth);
    w.appName().setStringValue(ports_.textCase.uppercaseString(content_.bundleName));

    // 5. The promo page is requested before the controller decides the view's navigations, so
    // that it loads in place while every later navigation goes to the browser.
    WebView& promo = w.MultipleAppView();
    promo.loadRequest(URLRequest{content_.promoPageURL, "GET", {}});
    promo.setPolicyDelegate(this);
    promo.setFrameLoadDelegate(this);
    promo.setHidden(true);

    // 6-7. The subscription page, and a first connection that reads the page itself.
    WebView& subscribe = w.SubscribeWebview();
    if (const auto page = ports_.windows.pageForResource(content_.subscriptionPage)) {
        subscribe.loadHTMLString(page->text, "");
        startConnection(URLRequest{page->fileURL, "GET", {}});
    }

    // 8. Only now that both pages are requested.
    subscribe.setUIDelegate(this);
    subscribe.setPolicyDelegate(this);
    promo.setUIDelegate(this);
}

void ThanaksWindowController::doNotShowWindow(bool checkBoxOn) {
    ports_.preferences.setValue(checkBoxOn ? "n" : "y", kShowKey);
}

bool ThanaksWindowController::isPromoView(const WebView& view) const {
    return window_ && &view == &window_->MultipleAppView();
}

bool ThanaksWindowController::isTargetView(const WebView& view) const {
    return window_ && &view == &window_->tempweb();
}

PolicyDecision ThanaksWindowController::decidePolicyForNavigationAction(
    WebView& sender, const NavigationAction& action) {
    if (isPromoView(sender)) {
        return decidePromoPolicy(action, false);
    }
    startConnection(action.request);
    return PolicyDecision::Use;
}

PolicyDecision ThanaksWindowController::decidePolicyForNewWindowAction(
    WebView& sender, const NavigationAction& action, const std::string& /*newFrameName*/) {
    if (isPromoView(sender)) {
        return decidePromoPolicy(action, true);
    }
    startConnection(action.request);
    return PolicyDecision::Use;
}

PolicyDecision ThanaksWindowController::decidePromoPolicy(const NavigationAction& action,
                                                          bool newWindow) {
    if (!action.userGesture) {
        // The page's own frames and scripts: they stay in the view (a frame of the page sent
        // to the browser would open a browser page on every load). No new window, though.
        return newWindow ? PolicyDecision::Ignore : PolicyDecision::Use;
    }
    const std::string& url = action.request.url;
    if (isBrowserURL(url)) {
        ports_.workspace.openURL(url);
    } else {
        ports_.log.log("Not opening \"" + url +
                       "\" from the promotional page: only http and https addresses go to the "
                       "browser");
    }
    return PolicyDecision::Ignore;
}

void ThanaksWindowController::startConnection(const URLRequest& request) {
    // The new connection replaces (and so cancels) the one before: they would share `data`.
    con_ = ports_.connections.connectionWithRequest(request, *this);
    data_.clear();
    con_->start();
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
    } else if (isTargetView(sender)) {
        sender.stringByEvaluatingJavaScriptFromString(
            kFormErrorScript, [this](std::optional<std::string> error) { showFormError(error); });
    }
}

void ThanaksWindowController::showFormError(const std::optional<std::string>& error) {
    if (const auto text = formErrorInformativeText(error)) {
        ports_.alerts.runModal("Error", *text, nullptr);
    }
}

void ThanaksWindowController::windowScriptObjectAvailable(WebView& sender) {
    sender.publishScriptObject(kScriptObjectName);
}

std::vector<std::string> ThanaksWindowController::contextMenuItemsForElement(
    WebView& /*sender*/, const std::vector<std::string>& /*defaultMenuItems*/) {
    return {};
}

bool ThanaksWindowController::validateUserInterfaceItem(WebView& /*sender*/,
                                                        const std::string& /*item*/,
                                                        bool /*defaultValidation*/) {
    return true;
}

void ThanaksWindowController::runJavaScriptAlertPanelWithMessage(WebView& /*sender*/,
                                                                 const std::string& message,
                                                                 std::function<void()> dismissed) {
    ports_.alerts.runModal("Alert", message, std::move(dismissed));
}

bool ThanaksWindowController::runJavaScriptConfirmPanelWithMessage(WebView& /*sender*/,
                                                                   const std::string& /*message*/) {
    return true;
}

std::optional<std::string> ThanaksWindowController::runJavaScriptTextInputPanelWithPrompt(
    WebView& /*sender*/, const std::string& /*prompt*/, const std::string& defaultText) {
    return defaultText;
}

bool ThanaksWindowController::runBeforeUnloadConfirmPanelWithMessage(
    WebView& /*sender*/, const std::string& /*message*/) {
    return true;
}

WebView* ThanaksWindowController::createWebViewWithRequest(WebView& sender,
                                                           const URLRequest& /*request*/) {
    if (isPromoView(sender) || !window_) {
        return nullptr;
    }
    WebView& target = window_->tempweb();
    target.setFrameLoadDelegate(this);
    return &target;
}

void ThanaksWindowController::willSendRequest(URLConnection& /*connection*/,
                                              const URLRequest& /*request*/,
                                              const std::optional<URLResponse>& /*redirect*/) {
    window_->indicatoraminate().startAnimation();
    data_.clear();
}

void ThanaksWindowController::didReceiveResponse(URLConnection& /*connection*/,
                                                 const URLResponse& /*response*/) {}

void ThanaksWindowController::didReceiveData(URLConnection& /*connection*/,
                                             std::string_view bytes) {
    data_.append(bytes);
}

void ThanaksWindowController::connectionDidFinishLoading(URLConnection& /*connection*/) {
    window_->indicatoraminate().stopAnimation();
    if (asksForEmailConfirmation(data_)) {
        ports_.alerts.runModal(kConfirmationMessage, kConfirmationInformative, nullptr);
    }
}

void ThanaksWindowController::didFailWithError(URLConnection& /*connection*/,
                                               const std::string& error) {
    // Nothing to tell the user, but the spinner must not promise a load that has ended.
    window_->indicatoraminate().stopAnimation();
    ports_.log.log("The welcome window's request failed: " + error);
}

std::unique_ptr<ThanaksWindowController> showThanaksWindow(ThanaksWindowPorts ports,
                                                           ThanaksWindowContent content,
                                                           Application& application) {
    auto controller = std::make_unique<ThanaksWindowController>(ports, std::move(content));
    if (ThanaksWindow* window = controller->window()) {
        window->setCollectionBehavior(kWindowCollectionBehaviorCanJoinAllSpaces);
        window->makeKeyAndOrderFront();
    }
    application.activateIgnoringOtherApps(true);
    controller->showWindow();
    return controller;
}

}  // namespace headroom

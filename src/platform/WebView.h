#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace headroom {

/// A request as a web view sends it. The engine does not tell the body of a request, so the
/// program only knows, and can only repeat, requests without one.
struct URLRequest {
    std::string url;
    std::string method = "GET";
    std::vector<std::pair<std::string, std::string>> headers;
    friend bool operator==(const URLRequest&, const URLRequest&) = default;
};

/// What a page asks to load.
struct NavigationAction {
    URLRequest request;
    /// The user clicked or submitted. False for what a page loads by itself: its frames, its
    /// scripts' navigations (the engine does not tell a page's frames apart otherwise).
    bool userGesture = false;
};

enum class PolicyDecision { Use, Ignore };

class WebView;

/// Decides where navigations go. A view asks it about every navigation but the ones it was
/// told to load before this delegate was set, and the redirects of a navigation already
/// decided.
class WebPolicyDelegate {
  public:
    virtual ~WebPolicyDelegate() = default;
    virtual PolicyDecision decidePolicyForNavigationAction(WebView& sender,
                                                           const NavigationAction& action) = 0;
    /// A link or form that targets a new window.
    virtual PolicyDecision decidePolicyForNewWindowAction(WebView& sender,
                                                          const NavigationAction& action,
                                                          const std::string& newFrameName) = 0;
};

/// Hears how the view's page loads.
class WebFrameLoadDelegate {
  public:
    virtual ~WebFrameLoadDelegate() = default;
    virtual void didStartProvisionalLoadForFrame(WebView& sender) = 0;
    /// The page loaded completely (not called when its load failed).
    virtual void didFinishLoadForFrame(WebView& sender) = 0;
    /// A new page's script environment exists: the moment to publish objects to it.
    virtual void windowScriptObjectAvailable(WebView& sender) = 0;
};

/// Answers what the page asks of the user interface.
class WebUIDelegate {
  public:
    virtual ~WebUIDelegate() = default;
    /// The context menu's items, from the engine's own; none means no menu at all.
    virtual std::vector<std::string> contextMenuItemsForElement(
        WebView& sender, const std::vector<std::string>& defaultMenuItems) = 0;
    virtual bool validateUserInterfaceItem(WebView& sender, const std::string& item,
                                           bool defaultValidation) = 0;
    /// The page's script waits until `dismissed` is called.
    virtual void runJavaScriptAlertPanelWithMessage(WebView& sender, const std::string& message,
                                                    std::function<void()> dismissed) = 0;
    virtual bool runJavaScriptConfirmPanelWithMessage(WebView& sender,
                                                      const std::string& message) = 0;
    /// The prompt's answer; nothing is the answer of a cancelled prompt.
    virtual std::optional<std::string> runJavaScriptTextInputPanelWithPrompt(
        WebView& sender, const std::string& prompt, const std::string& defaultText) = 0;
    virtual bool runBeforeUnloadConfirmPanelWithMessage(WebView& sender,
                                                        const std::string& message) = 0;
    /// The view that loads a page asking for a new window, or null for no new window.
    virtual WebView* createWebViewWithRequest(WebView& sender, const URLRequest& request) = 0;
};

/// A web view. Delegates are not owned and must outlive the view or be unset first. Nothing
/// is called back after the view is gone.
class WebView {
  public:
    virtual ~WebView() = default;

    virtual void loadRequest(const URLRequest& request) = 0;
    /// Loads `html` as the page; an empty `baseURL` means none.
    virtual void loadHTMLString(const std::string& html, const std::string& baseURL) = 0;
    /// Runs `script` in the page; `result` gets its value as text, or nothing when the script
    /// failed or gave no value (undefined, null).
    virtual void stringByEvaluatingJavaScriptFromString(
        const std::string& script, std::function<void(std::optional<std::string>)> result) = 0;
    virtual void setHidden(bool hidden) = 0;

    virtual void setPolicyDelegate(WebPolicyDelegate* delegate) = 0;
    virtual void setFrameLoadDelegate(WebFrameLoadDelegate* delegate) = 0;
    virtual void setUIDelegate(WebUIDelegate* delegate) = 0;

    /// Gives the page's scripts an object named `name` (a script identifier) that offers
    /// nothing to call.
    virtual void publishScriptObject(const std::string& name) = 0;
};

}  // namespace headroom

#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/URLConnection.h"
#include "platform/Window.h"

namespace headroom {

/// A web view of the welcome window. Nothing is called back after the view is gone.
class WebView {
  public:
    virtual ~WebView() = default;
    virtual void loadRequest(const URLRequest& request) = 0;
    /// Loads `html` as the page, with no base address.
    virtual void loadHTMLString(const std::string& html) = 0;
    /// Runs `script` in the page; `result` (may be empty) gets its value as text, or nothing
    /// when the script failed or gave no value (undefined, null).
    virtual void stringByEvaluatingJavaScriptFromString(
        const std::string& script, std::function<void(std::optional<std::string>)> result) = 0;
    virtual void setHidden(bool hidden) = 0;
};

enum class PolicyDecision { Use, Ignore };

/// What the welcome window's views and check box ask of their controller. The views answer the
/// rest by themselves: no context menu, script confirmations accepted, prompts answered with
/// their default text, and every page given an object "app" that offers nothing to call.
class ThanaksWindowDelegate {
  public:
    virtual ~ThanaksWindowDelegate() = default;
    /// A navigation the user made (a click, a submission). What a page loads by itself (its
    /// frames, its scripts' loads, the redirects of a navigation already decided) and what the
    /// controller loads into a view are loaded without asking.
    virtual PolicyDecision decidePolicyForNavigationAction(WebView& sender,
                                                           const URLRequest& request) = 0;
    /// The same, for a link or form that targets a new window.
    virtual PolicyDecision decidePolicyForNewWindowAction(WebView& sender,
                                                          const URLRequest& request) = 0;
    virtual void didStartProvisionalLoadForFrame(WebView& sender) = 0;
    /// The page loaded completely (not after a failed load, which leaves the view as it was
    /// and shows no error page).
    virtual void didFinishLoadForFrame(WebView& sender) = 0;
    /// The engine ended the process behind the view's page (it crashed, or the engine killed
    /// it): the view shows a dead page until something is loaded into it.
    virtual void webViewWebContentProcessDidTerminate(WebView& sender) = 0;
    /// The page's script waits until `dismissed` is called.
    virtual void runJavaScriptAlertPanelWithMessage(WebView& sender, const std::string& message,
                                                    std::function<void()> dismissed) = 0;
    /// The view that loads a page asking for a new window, or null for no new window.
    virtual WebView* createWebViewWithRequest(WebView& sender, const URLRequest& request) = 0;
    /// The "do not show" check box's action, with the box's new state (on: true).
    virtual void doNotShowWindow(bool checkBoxOn) = 0;
};

/// A spinning activity indicator.
class ProgressIndicator {
  public:
    virtual ~ProgressIndicator() = default;
    virtual void startAnimation() = 0;
    virtual void stopAnimation() = 0;
};

/// The welcome window as its interface file makes it (the texts' fonts and colours and the
/// panel's look included), with the elements its controller drives. Everything here lives as
/// long as this object.
class ThanaksWindow : public Window {
  public:
    /// Shows `text` in the name field ("appName"), in capitals (by the Unicode tables).
    virtual void setAppName(const std::string& text) = 0;
    /// The promotional page.
    virtual WebView& MultipleAppView() = 0;
    /// The subscription form.
    virtual WebView& SubscribeWebview() = 0;
    /// Where a page that the form opens in a new window loads; never shown.
    virtual WebView& tempweb() = 0;
    virtual ProgressIndicator& indicatoraminate() = 0;
    /// A native alert over this window (a message, an informative text, one button), modal;
    /// returns at once, and `dismissed` (may be empty) runs when the user has answered it.
    virtual void runModal(const std::string& messageText, const std::string& informativeText,
                          std::function<void()> dismissed) = 0;
};

}  // namespace headroom

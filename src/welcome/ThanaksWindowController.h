#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "platform/SystemLog.h"
#include "platform/ThanaksWindow.h"
#include "platform/URLConnection.h"
#include "platform/UrlOpener.h"

namespace headroom {

/// The ports the welcome window's controller works through.
struct ThanaksWindowPorts {
    URLConnectionFactory& connections;
    UrlOpener& workspace;
    /// Where the check box's choice is handed back, one line each (`showLine`).
    std::ostream& handBack;
    SystemLog& log;
};

/// A page among the application's resources.
struct ResourcePage {
    std::string fileURL;  ///< its `file:` address
    std::string text;     ///< its content, valid UTF-8
};

/// What the welcome window shows, from the bundle and the deployment.
struct ThanaksWindowContent {
    std::string bundleName;
    std::string promoPageURL;
    std::optional<ResourcePage> subscriptionPage;  ///< nothing when it could not be read
};

/// The welcome window: the application's name over a thanks text, the maker's promotional
/// page, and a subscription form whose traffic it watches, to tell the user in an alert that
/// the subscription waits for an e-mail confirmation or that the form reported an error.
///
/// The controller is the delegate of its window's views and of its connections; they call back
/// only while the window and the connection (owned here) live.
class ThanaksWindowController final : public ThanaksWindowDelegate, public URLConnectionDelegate {
  public:
    /// The interface file of the window, "<name>.ui" among the resources.
    static constexpr const char* kNibName = "ThanaksWindowController";
    static constexpr const char* kZoomScript = R"(document.documentElement.style.zoom = "0.496")";
    static constexpr const char* kFormErrorScript =
        "function f(){ var v =document.querySelector('.errorText').innerHTML; return v;} f(); ";
    static constexpr const char* kConfirmationMessage = "Almost finished...";
    static constexpr const char* kConfirmationInformative =
        "We need to confirm your email address.                          To complete the "
        "subscription process, please click the link in the email we just sent you.";

    ThanaksWindowController(ThanaksWindowPorts ports, ThanaksWindowContent content)
        : ports_(ports), content_(std::move(content)) {}

    /// Takes the window loaded from the interface file (reporting to this controller) and sets
    /// it up: name, promotional page, subscription form.
    void windowDidLoad(std::unique_ptr<ThanaksWindow> window);
    ThanaksWindow* window() { return window_.get(); }
    /// Shows the window on every workspace, key and in front. This program is the window's own,
    /// so bringing the window forward is bringing the application forward.
    void showWindow();

    /// Hands the box's new state back (the program that asked for the window stores it).
    void doNotShowWindow(bool checkBoxOn) override;

    PolicyDecision decidePolicyForNavigationAction(WebView& sender,
                                                   const URLRequest& request) override;
    PolicyDecision decidePolicyForNewWindowAction(WebView& sender,
                                                  const URLRequest& request) override {
        return decidePolicyForNavigationAction(sender, request);
    }
    void didStartProvisionalLoadForFrame(WebView& sender) override;
    void didFinishLoadForFrame(WebView& sender) override;
    /// Loads the promotional page or the form again, a few times at most for one window.
    void webViewWebContentProcessDidTerminate(WebView& sender) override;
    /// A native alert "Alert" with the page's message; a page (from the start of its load)
    /// gets `kMostAlerts`, and its later alerts are answered at once without one.
    void runJavaScriptAlertPanelWithMessage(WebView& sender, const std::string& message,
                                            std::function<void()> dismissed) override;
    static constexpr int kMostAlerts = 3;
    WebView* createWebViewWithRequest(WebView& sender, const URLRequest& request) override;

    void willSendRequest() override;
    void didReceiveData(std::string_view text) override { data_.append(text); }
    void connectionDidFinishLoading() override;
    void didFailWithError(const std::string& error) override;

    /// The body received by the current connection.
    const std::string& data() const { return data_; }

  private:
    /// `subscription`: the form's, whose failure the user is told of.
    void startConnection(const URLRequest& request, bool subscription);

    ThanaksWindowPorts ports_;
    ThanaksWindowContent content_;
    std::string data_;
    bool subscribing_ = false;
    int reloads_ = 0;
    /// The alerts each view's page has raised since its load started.
    std::map<const WebView*, int> alerts_;
    std::unique_ptr<URLConnection> con_;
    // Last, so that it goes first: its views call back into the members above.
    std::unique_ptr<ThanaksWindow> window_;
};

}  // namespace headroom

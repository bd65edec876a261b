#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Alerts.h"
#include "platform/PreferenceStore.h"
#include "platform/SystemLog.h"
#include "platform/TextCase.h"
#include "platform/ThanaksWindow.h"
#include "platform/URLConnection.h"
#include "platform/UrlOpener.h"

namespace headroom {

/// The ports the welcome window's controller works through.
struct ThanaksWindowPorts {
    ThanaksWindowFactory& windows;
    URLConnectionFactory& connections;
    Alerts& alerts;
    UrlOpener& workspace;
    PreferenceStore& preferences;
    SystemLog& log;
    const TextCase& textCase;
};

/// What the welcome window shows, from the bundle and the deployment.
struct ThanaksWindowContent {
    std::string bundleName;
    std::string promoPageURL;
    std::string subscriptionPage;  ///< a resource file name or an absolute path
};

/// The welcome window: the application's name over a thanks text, the maker's promotional
/// page, and a subscription form whose traffic it watches, to tell the user in an alert that
/// the subscription waits for an e-mail confirmation or that the form reported an error.
///
/// The controller is the delegate of its window's views and of its connections; they call back
/// only while the window and the connection (owned here) live.
class ThanaksWindowController final : public ThanaksWindowDelegate, public URLConnectionDelegate {
  public:
    static constexpr const char* kNibName = "ThanaksWindowController";
    /// The preference the "do not show" check box writes: "n" when checked, "y" otherwise.
    static constexpr const char* kShowKey = "Show";
    static constexpr const char* kZoomScript = R"(document.documentElement.style.zoom = "0.496")";
    static constexpr const char* kFormErrorScript =
        "function f(){ var v =document.querySelector('.errorText').innerHTML; return v;} f(); ";
    static constexpr const char* kConfirmationMessage = "Almost finished...";
    static constexpr const char* kConfirmationInformative =
        "We need to confirm your email address.                          To complete the "
        "subscription process, please click the link in the email we just sent you.";

    ThanaksWindowController(ThanaksWindowPorts ports, ThanaksWindowContent content);
    ~ThanaksWindowController() override;
    ThanaksWindowController(const ThanaksWindowController&) = delete;
    ThanaksWindowController& operator=(const ThanaksWindowController&) = delete;

    /// The window, loaded from its interface file on first use (windowDidLoad runs then);
    /// null when the file cannot be loaded.
    ThanaksWindow* window();
    void showWindow();
    void windowDidLoad();

    void doNotShowWindow(bool checkBoxOn) override;

    PolicyDecision decidePolicyForNavigationAction(WebView& sender,
                                                   const URLRequest& request) override;
    PolicyDecision decidePolicyForNewWindowAction(WebView& sender,
                                                  const URLRequest& request) override;
    void didStartProvisionalLoadForFrame(WebView& sender) override;
    void didFinishLoadForFrame(WebView& sender) override;
    void runJavaScriptAlertPanelWithMessage(WebView& sender, const std::string& message,
                                            std::function<void()> dismissed) override;
    WebView* createWebViewWithRequest(WebView& sender, const URLRequest& request) override;

    void willSendRequest() override;
    void didReceiveData(std::string_view bytes) override;
    void connectionDidFinishLoading() override;
    void didFailWithError(const std::string& error) override;

    /// The body received by the current connection.
    const std::string& data() const { return data_; }

  private:
    bool isPromoView(const WebView& view) const;
    void startConnection(const URLRequest& request);

    ThanaksWindowPorts ports_;
    ThanaksWindowContent content_;
    bool windowLoaded_ = false;
    std::string data_;
    std::unique_ptr<URLConnection> con_;
    // Last, so that it goes first: its views call back into the members above.
    std::unique_ptr<ThanaksWindow> window_;
};

/// Shows the welcome window: a fresh controller and its window, which shows on every
/// workspace and comes key and in front, and then the controller shows its window. This program
/// is the window's own, so bringing the window forward is bringing the application forward. The
/// controller is returned to be kept as long as the window stays; without its interface file it
/// has no window.
std::unique_ptr<ThanaksWindowController> showThanaksWindow(ThanaksWindowPorts ports,
                                                           ThanaksWindowContent content);

}  // namespace headroom

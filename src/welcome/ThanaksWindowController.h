#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Alerts.h"
#include "platform/Application.h"
#include "platform/PreferenceStore.h"
#include "platform/SystemLog.h"
#include "platform/TextCase.h"
#include "platform/ThanaksWindow.h"
#include "platform/URLConnection.h"
#include "platform/UrlOpener.h"
#include "platform/WebView.h"

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
/// The controller is the delegate of its views and connections; they call back only while the
/// window (owned here) lives, so dropping the controller ends every callback.
class ThanaksWindowController final : public WebPolicyDelegate,
                                      public WebFrameLoadDelegate,
                                      public WebUIDelegate,
                                      public URLConnectionDelegate {
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
    static constexpr const char* kScriptObjectName = "app";

    ThanaksWindowController(ThanaksWindowPorts ports, ThanaksWindowContent content);
    ~ThanaksWindowController() override;
    ThanaksWindowController(const ThanaksWindowController&) = delete;
    ThanaksWindowController& operator=(const ThanaksWindowController&) = delete;

    /// The window, loaded from its interface file on first use (windowDidLoad runs then);
    /// null when the file cannot be loaded.
    ThanaksWindow* window();
    void showWindow();
    void windowDidLoad();

    /// The check box's action: "Show" becomes "n" when it is on, "y" when it is off.
    void doNotShowWindow(bool checkBoxOn);

    // Policy delegate of the two visible views.
    PolicyDecision decidePolicyForNavigationAction(WebView& sender,
                                                   const NavigationAction& action) override;
    PolicyDecision decidePolicyForNewWindowAction(WebView& sender, const NavigationAction& action,
                                                  const std::string& newFrameName) override;

    // Frame-load delegate of the promo view and of the form's target view.
    void didStartProvisionalLoadForFrame(WebView& sender) override;
    void didFinishLoadForFrame(WebView& sender) override;
    void windowScriptObjectAvailable(WebView& sender) override;

    // User-interface delegate of the two visible views.
    std::vector<std::string> contextMenuItemsForElement(
        WebView& sender, const std::vector<std::string>& defaultMenuItems) override;
    bool validateUserInterfaceItem(WebView& sender, const std::string& item,
                                   bool defaultValidation) override;
    void runJavaScriptAlertPanelWithMessage(WebView& sender, const std::string& message,
                                            std::function<void()> dismissed) override;
    bool runJavaScriptConfirmPanelWithMessage(WebView& sender, const std::string& message) override;
    std::optional<std::string> runJavaScriptTextInputPanelWithPrompt(
        WebView& sender, const std::string& prompt, const std::string& defaultText) override;
    bool runBeforeUnloadConfirmPanelWithMessage(WebView& sender,
                                                const std::string& message) override;
    WebView* createWebViewWithRequest(WebView& sender, const URLRequest& request) override;

    // Delegate of every connection it starts.
    void willSendRequest(URLConnection& connection, const URLRequest& request,
                         const std::optional<URLResponse>& redirectResponse) override;
    void didReceiveResponse(URLConnection& connection, const URLResponse& response) override;
    void didReceiveData(URLConnection& connection, std::string_view bytes) override;
    void connectionDidFinishLoading(URLConnection& connection) override;
    void didFailWithError(URLConnection& connection, const std::string& error) override;

    /// The body received by the current connection.
    const std::string& data() const { return data_; }
    URLConnection* con() const { return con_.get(); }

  private:
    bool isPromoView(const WebView& view) const;
    bool isTargetView(const WebView& view) const;
    PolicyDecision decidePromoPolicy(const NavigationAction& action, bool newWindow);
    void startConnection(const URLRequest& request);
    void showFormError(const std::optional<std::string>& error);

    ThanaksWindowPorts ports_;
    ThanaksWindowContent content_;
    bool windowLoaded_ = false;
    std::string data_;
    std::unique_ptr<URLConnection> con_;
    // Last, so that it goes first: its views call back into the members above.
    std::unique_ptr<ThanaksWindow> window_;
};

/// Shows the welcome window: a fresh controller and its window, which shows on every
/// workspace and comes key and in front, the application brought forward, and then the
/// controller shows its window. The controller is returned to be kept as long as the window
/// stays; without its interface file it has no window, and the application is still brought
/// forward.
std::unique_ptr<ThanaksWindowController> showThanaksWindow(ThanaksWindowPorts ports,
                                                           ThanaksWindowContent content,
                                                           Application& application);

}  // namespace headroom

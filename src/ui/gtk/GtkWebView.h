#pragma once

#include <webkit2/webkit2.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/SystemLog.h"
#include "platform/WebView.h"

namespace headroom {

/// A web view on WebKitGTK.
///
/// - Navigations are put to the policy delegate when there is one, except the loads this view
///   was told to make before it had one (they load as asked), and server redirects, which
///   follow the decision already taken for their navigation.
/// - Load events go to the frame-load delegate: started, committed (the page's script
///   environment is new), finished (not after a failed load). A failed load shows no error
///   page: the view keeps what it showed (nothing, for a first load), and the log says why.
/// - Script dialogs go to the user-interface delegate; alerts are answered when the delegate
///   dismisses them, without a nested main loop. Without that delegate nothing is shown: alerts
///   are dropped, confirmations declined, prompts cancelled, leaving the page allowed.
/// - A page's request for a new window goes to the user-interface delegate; when it names a
///   GtkWebView, that view gets a new engine view related to this one (same web process, as
///   WebKit requires; an existing engine view must never be returned), which WebKit loads.
/// - The context menu shows only the items the user-interface delegate keeps; none, no menu.
class GtkWebView final : public WebView {
  public:
    /// A view with its own engine view.
    explicit GtkWebView(SystemLog& log);
    /// A view without an engine view until a page asks for a new window and the delegate
    /// names this view as the one to load it.
    static std::unique_ptr<GtkWebView> forNewWindows(SystemLog& log);
    ~GtkWebView() override;
    GtkWebView(const GtkWebView&) = delete;
    GtkWebView& operator=(const GtkWebView&) = delete;

    /// The engine view, or null before it exists. This object holds a reference to it.
    WebKitWebView* engineView() const { return view_; }

    void loadRequest(const URLRequest& request) override;
    void loadHTMLString(const std::string& html, const std::string& baseURL) override;
    void stringByEvaluatingJavaScriptFromString(
        const std::string& script, std::function<void(std::optional<std::string>)> result) override;
    void setHidden(bool hidden) override;
    void setPolicyDelegate(WebPolicyDelegate* delegate) override { policy_ = delegate; }
    void setFrameLoadDelegate(WebFrameLoadDelegate* delegate) override { frameLoad_ = delegate; }
    void setUIDelegate(WebUIDelegate* delegate) override { ui_ = delegate; }
    void publishScriptObject(const std::string& name) override;

  private:
    struct PendingDialog;
    struct Callbacks;

    GtkWebView(SystemLog& log, bool makeEngineView);
    /// Takes over `view` (and the reference that comes with it).
    void attach(WebKitWebView* view);
    void detach();
    WebKitWebView* adoptRelatedView(GtkWebView& opener);
    bool takeUndecidedLoad(const std::string& uri);

    gboolean decidePolicy(WebKitPolicyDecision* decision, WebKitPolicyDecisionType type);
    void loadChanged(WebKitLoadEvent event);
    GtkWidget* create(WebKitNavigationAction* action);
    gboolean scriptDialog(WebKitScriptDialog* dialog);
    gboolean contextMenu(WebKitContextMenu* menu);

    SystemLog& log_;
    WebKitWebView* view_ = nullptr;
    GCancellable* cancellable_ = nullptr;
    WebPolicyDelegate* policy_ = nullptr;
    WebFrameLoadDelegate* frameLoad_ = nullptr;
    WebUIDelegate* ui_ = nullptr;
    bool hidden_ = false;
    bool loadFailed_ = false;
    /// Addresses of loads asked for while there was no policy delegate, not decided yet.
    std::vector<std::string> undecidedLoads_;
    std::vector<std::shared_ptr<PendingDialog>> dialogs_;
};

}  // namespace headroom

#pragma once

#include <webkit2/webkit2.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/SystemLog.h"
#include "platform/ThanaksWindow.h"

namespace headroom {

/// A web view on WebKitGTK that reports to the welcome window's delegate.
///
/// - Only navigations the user made are put to the delegate; the others load as asked.
/// - A failed load shows no error page: the view keeps what it showed (nothing, for a first
///   load), the log says why, and the delegate hears of no finished load.
/// - Alerts go to the delegate and are answered when it dismisses them, without a nested main
///   loop. Confirmations are accepted and prompts answered with their default text without a
///   panel; there is no context menu; every page gets an object "app" that offers nothing.
/// - A page's request for a new window goes to the delegate; when it names a GtkWebView, that
///   view gets a new engine view related to this one (same web process, as WebKit requires; an
///   existing engine view must never be returned), which WebKit loads, unless the page's
///   announced length is past `URLConnectionFactory::kBodyLimit`.
class GtkWebView final : public WebView {
  public:
    /// A view with an engine view of its own, or (`ownEngineView` false) one without until a
    /// page asks for a new window and the delegate names this view to load it.
    GtkWebView(ThanaksWindowDelegate& delegate, SystemLog& log, bool ownEngineView = true);
    ~GtkWebView() override;
    GtkWebView(const GtkWebView&) = delete;
    GtkWebView& operator=(const GtkWebView&) = delete;

    /// The engine view, or null before it exists. This object holds a reference to it.
    WebKitWebView* engineView() const { return view_; }

    void loadRequest(const URLRequest& request) override;
    void loadHTMLString(const std::string& html) override;
    void stringByEvaluatingJavaScriptFromString(
        const std::string& script, std::function<void(std::optional<std::string>)> result) override;
    void setHidden(bool hidden) override;

  private:
    struct Callbacks;

    /// Takes over `view` (and the reference that comes with it).
    void attach(WebKitWebView* view);
    void detach();

    ThanaksWindowDelegate& delegate_;
    SystemLog& log_;
    bool ownsEngineView_;
    WebKitWebView* view_ = nullptr;
    GCancellable* cancellable_ = nullptr;
    bool loadFailed_ = false;
    /// The alerts the page waits on; each is answered once, at the latest when the view goes.
    std::vector<std::shared_ptr<WebKitScriptDialog*>> alerts_;
};

}  // namespace headroom

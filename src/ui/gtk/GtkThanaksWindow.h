#pragma once

#include <gtk/gtk.h>

#include <memory>
#include <optional>
#include <string>

#include "platform/SystemLog.h"
#include "platform/ThanaksWindow.h"
#include "ui/gtk/GtkWebView.h"
#include "welcome/ThanaksWindowController.h"

namespace headroom {

/// The welcome window from `ThanaksWindowController.ui`: the widgets with the ids of the
/// elements ("appName", "AppView", "indicatoraminate"), a check box "doNotShow", and two boxes
/// that take the web views ("MultipleAppViewSlot", "SubscribeWebviewSlot"). The texts' fonts and
/// colours are the file's; the panel's white ground and grey border are set here. Closing the
/// window hides it; it goes with this object.
class GtkThanaksWindow final : public ThanaksWindow, public ProgressIndicator {
  public:
    /// The window of `uiFile`, reporting to `owner`; nothing, after one line in the log, when
    /// the file cannot be loaded or lacks one of the widgets.
    static std::unique_ptr<GtkThanaksWindow> load(const std::string& uiFile,
                                                  ThanaksWindowDelegate& owner, SystemLog& log);
    /// The page at `path`; nothing, after one line in the log, when it cannot be read as UTF-8.
    static std::optional<ResourcePage> readPage(const std::string& path, SystemLog& log);

    void setAppName(const std::string& text) override;
    WebView& MultipleAppView() override { return promo_; }
    WebView& SubscribeWebview() override { return subscribe_; }
    WebView& tempweb() override { return target_; }
    ProgressIndicator& indicatoraminate() override { return *this; }
    void startAnimation() override { gtk_spinner_start(spinner_); }
    void stopAnimation() override { gtk_spinner_stop(spinner_); }
    /// A message dialog: the message as its title and main text, the informative text below,
    /// one OK button; it goes when it is answered or when the window goes, and no nested main
    /// loop runs meanwhile. While one is up the window's content takes no input, but the
    /// window can be closed.
    void runModal(const std::string& messageText, const std::string& informativeText,
                  std::function<void()> dismissed) override;
    void setCollectionBehavior(unsigned behavior) override;
    void makeKeyAndOrderFront() override { gtk_window_present(gtkWindow()); }

    // The widgets themselves, for whoever drives the window from outside.
    GtkWindow* gtkWindow() const { return window_.get(); }
    GtkSpinner* spinnerWidget() const { return spinner_; }
    GtkLabel* nameLabel() const { return name_; }
    GtkWebView& promoView() { return promo_; }

  private:
    struct Destroy {
        void operator()(GtkWindow* window) const { gtk_widget_destroy(GTK_WIDGET(window)); }
    };
    GtkThanaksWindow(GtkBuilder* builder, ThanaksWindowDelegate& owner, SystemLog& log);

    // First, so that it goes last: the views leave their slots before the window goes.
    std::unique_ptr<GtkWindow, Destroy> window_;
    GtkLabel* name_;
    GtkSpinner* spinner_;
    GtkWebView promo_;
    GtkWebView subscribe_;
    GtkWebView target_;
};

}  // namespace headroom

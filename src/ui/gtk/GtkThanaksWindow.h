#pragma once

#include <gtk/gtk.h>

#include <memory>
#include <optional>
#include <string>

#include "platform/SystemLog.h"
#include "platform/ThanaksWindow.h"
#include "ui/gtk/GtkWebView.h"

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

    void setAppName(const std::string& text) override;
    WebView& MultipleAppView() override { return promo_; }
    WebView& SubscribeWebview() override { return subscribe_; }
    WebView& tempweb() override { return target_; }
    ProgressIndicator& indicatoraminate() override { return *this; }
    void startAnimation() override { gtk_spinner_start(spinner_); }
    void stopAnimation() override { gtk_spinner_stop(spinner_); }
    void setCollectionBehavior(unsigned behavior) override;
    void makeKeyAndOrderFront() override { gtk_window_present(gtkWindow()); }
    void showWindow() override { gtk_widget_show(GTK_WIDGET(gtkWindow())); }

    // The widgets themselves, for whoever drives the window from outside (tests).
    GtkWindow* gtkWindow() const { return window_.get(); }
    GtkToggleButton* doNotShowBox() const { return doNotShow_; }
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
    GtkToggleButton* doNotShow_;
    GtkWebView promo_;
    GtkWebView subscribe_;
    GtkWebView target_;
};

/// The welcome window from `<nib>.ui` in the resources folder, and its pages from the same
/// folder (or from an absolute path).
class GtkThanaksWindowFactory final : public ThanaksWindowFactory {
  public:
    GtkThanaksWindowFactory(std::string resourcesDir, SystemLog& log)
        : resourcesDir_(std::move(resourcesDir)), log_(log) {}

    std::unique_ptr<ThanaksWindow> loadWindowNib(const std::string& nibName,
                                                 ThanaksWindowDelegate& owner) override;
    std::optional<ResourcePage> pageForResource(const std::string& page) override;

  private:
    std::string resourcesDir_;
    SystemLog& log_;
};

}  // namespace headroom

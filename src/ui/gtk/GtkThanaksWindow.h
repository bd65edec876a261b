#pragma once

#include <gtkmm/builder.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/cssprovider.h>
#include <gtkmm/label.h>
#include <gtkmm/spinner.h>
#include <gtkmm/window.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/SystemLog.h"
#include "platform/ThanaksWindow.h"
#include "ui/gtk/GtkWebView.h"

namespace headroom {

/// A label whose font and colour are set as Pango attributes. A font name is a full name
/// ("Myriad Pro Light": family and style); when the family is missing the desktop's sans-serif
/// font stands in. Sizes are pixels, as the window's other measures.
class GtkStyledLabel final : public StyledLabel {
  public:
    explicit GtkStyledLabel(Gtk::Label& label) : label_(label) {}
    void setFont(const std::string& fontName, double pointSize) override;
    void setTextColor(const RgbaColor& color) override;
    void setStringValue(const std::string& text) override { label_.set_text(text); }

  private:
    void apply();
    Gtk::Label& label_;
    std::string font_;
    double size_ = 0.0;
    std::optional<RgbaColor> color_;
};

/// A panel drawn by CSS: its background and its border.
class GtkPanelView final : public PanelView {
  public:
    explicit GtkPanelView(Gtk::Widget& widget);
    void setBackgroundColor(const RgbaColor& color) override;
    void setBorder(const RgbaColor& color, double width) override;

  private:
    void apply();
    Glib::RefPtr<Gtk::CssProvider> css_;
    std::optional<RgbaColor> background_;
    std::optional<RgbaColor> border_;
    double borderWidth_ = 0.0;
};

class GtkProgressIndicator final : public ProgressIndicator {
  public:
    explicit GtkProgressIndicator(Gtk::Spinner& spinner) : spinner_(spinner) {}
    void startAnimation() override { spinner_.start(); }
    void stopAnimation() override { spinner_.stop(); }

  private:
    Gtk::Spinner& spinner_;
};

/// The welcome window from `ThanaksWindowController.ui`: the widgets with the ids of the
/// elements ("ThanksDownloadingtext", "appName", "AppView", "indicatoraminate"), a check box
/// "doNotShow", and two boxes that take the web views ("MultipleAppViewSlot",
/// "SubscribeWebviewSlot"). Closing the window hides it; it goes with this object.
class GtkThanaksWindow final : public ThanaksWindow {
  public:
    /// The window of `uiFile`; nothing, after one line in the log, when the file cannot be
    /// loaded or lacks one of the widgets.
    static std::unique_ptr<GtkThanaksWindow> load(const std::string& uiFile, SystemLog& log);
    ~GtkThanaksWindow() override;
    GtkThanaksWindow(const GtkThanaksWindow&) = delete;
    GtkThanaksWindow& operator=(const GtkThanaksWindow&) = delete;

    StyledLabel& ThanksDownloadingtext() override { return thanks_; }
    StyledLabel& appName() override { return name_; }
    PanelView& AppView() override { return panel_; }
    WebView& MultipleAppView() override { return *promo_; }
    WebView& SubscribeWebview() override { return *subscribe_; }
    WebView& tempweb() override { return *target_; }
    ProgressIndicator& indicatoraminate() override { return spinner_; }
    void setDoNotShowAction(std::function<void(bool)> action) override;
    void setCollectionBehavior(unsigned behavior) override;
    void makeKeyAndOrderFront() override;
    void showWindow() override;

    // The widgets themselves, for whoever drives the window from outside (tests).
    Gtk::Window& gtkWindow() { return *window_; }
    Gtk::CheckButton& doNotShowBox() { return *doNotShow_; }
    Gtk::Spinner& spinnerWidget() { return *spinnerWidget_; }
    Gtk::Label& nameLabel() { return *nameLabel_; }
    GtkWebView& promoView() { return *promo_; }
    GtkWebView& subscribeView() { return *subscribe_; }
    GtkWebView& targetView() { return *target_; }

  private:
    struct Widgets;
    GtkThanaksWindow(std::unique_ptr<Gtk::Window> window, const Widgets& widgets, SystemLog& log);

    std::unique_ptr<Gtk::Window> window_;
    Gtk::Label* nameLabel_;
    Gtk::CheckButton* doNotShow_;
    Gtk::Spinner* spinnerWidget_;
    GtkStyledLabel thanks_;
    GtkStyledLabel name_;
    GtkPanelView panel_;
    GtkProgressIndicator spinner_;
    std::function<void(bool)> doNotShowAction_;
    // After the window, so that the views go first.
    std::unique_ptr<GtkWebView> promo_;
    std::unique_ptr<GtkWebView> subscribe_;
    std::unique_ptr<GtkWebView> target_;
};

}  // namespace headroom

#include "ui/gtk/GtkThanaksWindow.h"

#include <gtkmm/box.h>
#include <gtkmm/stylecontext.h>
#include <pangomm/attrlist.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

namespace headroom {

namespace {

guint16 channel(double value) {
    return static_cast<guint16>(std::lround(std::clamp(value, 0.0, 1.0) * 65535.0));
}

std::string cssColor(const RgbaColor& color) {
    char text[96];
    std::snprintf(text, sizeof text, "rgba(%ld, %ld, %ld, %.3f)", std::lround(color.red * 255.0),
                  std::lround(color.green * 255.0), std::lround(color.blue * 255.0), color.alpha);
    return text;
}

}  // namespace

void GtkStyledLabel::setFont(const std::string& fontName, double pointSize) {
    font_ = fontName;
    size_ = pointSize;
    apply();
}

void GtkStyledLabel::setTextColor(const RgbaColor& color) {
    color_ = color;
    apply();
}

void GtkStyledLabel::apply() {
    Pango::AttrList attributes;
    if (!font_.empty()) {
        // "Myriad Pro Light" parses as the family "Myriad Pro" in the light weight; the sans
        // family stands behind it.
        Pango::FontDescription description(font_);
        description.set_family(description.get_family() + ",Sans");
        description.set_absolute_size(size_ * PANGO_SCALE);
        auto fontAttribute = Pango::Attribute::create_attr_font_desc(description);
        attributes.insert(fontAttribute);
    }
    if (color_) {
        auto foreground = Pango::Attribute::create_attr_foreground(
            channel(color_->red), channel(color_->green), channel(color_->blue));
        auto alpha = Pango::Attribute::create_attr_foreground_alpha(channel(color_->alpha));
        attributes.insert(foreground);
        attributes.insert(alpha);
    }
    label_.set_attributes(attributes);
}

GtkPanelView::GtkPanelView(Gtk::Widget& widget) : css_(Gtk::CssProvider::create()) {
    widget.get_style_context()->add_provider(css_, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

void GtkPanelView::setBackgroundColor(const RgbaColor& color) {
    background_ = color;
    apply();
}

void GtkPanelView::setBorder(const RgbaColor& color, double width) {
    border_ = color;
    borderWidth_ = width;
    apply();
}

void GtkPanelView::apply() {
    std::string css = "* {";
    if (background_) {
        css += " background-color: " + cssColor(*background_) + ";";
    }
    if (border_) {
        char width[32];
        std::snprintf(width, sizeof width, "%.2fpx", borderWidth_);
        css += std::string(" border: ") + width + " solid " + cssColor(*border_) + ";";
    }
    css += " }";
    try {
        css_->load_from_data(css);
    } catch (const Glib::Error&) {
        // Our own CSS; a failure leaves the panel plain.
    }
}

struct GtkThanaksWindow::Widgets {
    Gtk::Label* thanks = nullptr;
    Gtk::Label* name = nullptr;
    Gtk::Widget* panel = nullptr;
    Gtk::Spinner* spinner = nullptr;
    Gtk::CheckButton* doNotShow = nullptr;
    Gtk::Box* promoSlot = nullptr;
    Gtk::Box* subscribeSlot = nullptr;
};

std::unique_ptr<GtkThanaksWindow> GtkThanaksWindow::load(const std::string& uiFile,
                                                         SystemLog& log) {
    Glib::RefPtr<Gtk::Builder> builder;
    try {
        builder = Gtk::Builder::create_from_file(uiFile);
    } catch (const Glib::Error& error) {
        log.log("Cannot load the welcome window from " + uiFile + " (" + error.what().raw() +
                "); it is not shown");
        return nullptr;
    }
    // Every widget is looked for first, so that a file that lacks one is named in one line
    // (gtkmm's own lookup complains on the terminal for each).
    const std::pair<const char*, GType> expected[] = {
        {"ThanaksWindow", GTK_TYPE_WINDOW},
        {"ThanksDownloadingtext", GTK_TYPE_LABEL},
        {"appName", GTK_TYPE_LABEL},
        {"AppView", GTK_TYPE_WIDGET},
        {"indicatoraminate", GTK_TYPE_SPINNER},
        {"doNotShow", GTK_TYPE_CHECK_BUTTON},
        {"MultipleAppViewSlot", GTK_TYPE_BOX},
        {"SubscribeWebviewSlot", GTK_TYPE_BOX},
    };
    std::string missing;
    for (const auto& [id, type] : expected) {
        GObject* object = gtk_builder_get_object(builder->gobj(), id);
        if (object == nullptr || !g_type_is_a(G_OBJECT_TYPE(object), type)) {
            missing += std::string(missing.empty() ? "" : ", ") + id;
        }
    }
    if (!missing.empty()) {
        log.log("The welcome window's file " + uiFile + " lacks " + missing +
                "; the window is not shown");
        return nullptr;
    }
    Gtk::Window* window = nullptr;
    builder->get_widget("ThanaksWindow", window);
    std::unique_ptr<Gtk::Window> owned(window);  // a toplevel belongs to who asks for it
    Widgets widgets;
    builder->get_widget("ThanksDownloadingtext", widgets.thanks);
    builder->get_widget("appName", widgets.name);
    builder->get_widget("AppView", widgets.panel);
    builder->get_widget("indicatoraminate", widgets.spinner);
    builder->get_widget("doNotShow", widgets.doNotShow);
    builder->get_widget("MultipleAppViewSlot", widgets.promoSlot);
    builder->get_widget("SubscribeWebviewSlot", widgets.subscribeSlot);
    return std::unique_ptr<GtkThanaksWindow>(new GtkThanaksWindow(std::move(owned), widgets, log));
}

GtkThanaksWindow::GtkThanaksWindow(std::unique_ptr<Gtk::Window> window, const Widgets& widgets,
                                   SystemLog& log)
    : window_(std::move(window)),
      nameLabel_(widgets.name),
      doNotShow_(widgets.doNotShow),
      spinnerWidget_(widgets.spinner),
      thanks_(*widgets.thanks),
      name_(*widgets.name),
      panel_(*widgets.panel),
      spinner_(*widgets.spinner),
      promo_(std::make_unique<GtkWebView>(log)),
      subscribe_(std::make_unique<GtkWebView>(log)),
      target_(GtkWebView::forNewWindows(log)) {
    gtk_box_pack_start(widgets.promoSlot->gobj(), GTK_WIDGET(promo_->engineView()), TRUE, TRUE, 0);
    gtk_box_pack_start(widgets.subscribeSlot->gobj(), GTK_WIDGET(subscribe_->engineView()), TRUE,
                       TRUE, 0);
    doNotShow_->signal_toggled().connect([this] {
        if (doNotShowAction_) {
            doNotShowAction_(doNotShow_->get_active());
        }
    });
    // Closing only hides: the controller keeps the window until the next one replaces it.
    window_->signal_delete_event().connect([this](GdkEventAny*) {
        window_->hide();
        return true;
    });
}

GtkThanaksWindow::~GtkThanaksWindow() {
    // The views leave their slots before the window goes.
    target_.reset();
    subscribe_.reset();
    promo_.reset();
    window_.reset();
}

void GtkThanaksWindow::setDoNotShowAction(std::function<void(bool)> action) {
    doNotShowAction_ = std::move(action);
}

void GtkThanaksWindow::setCollectionBehavior(unsigned behavior) {
    if ((behavior & kWindowCollectionBehaviorCanJoinAllSpaces) != 0) {
        window_->stick();
    } else {
        window_->unstick();
    }
}

void GtkThanaksWindow::makeKeyAndOrderFront() {
    window_->present();
}

void GtkThanaksWindow::showWindow() {
    window_->show();
}

}  // namespace headroom

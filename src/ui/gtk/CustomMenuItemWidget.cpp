#include "ui/gtk/CustomMenuItemWidget.h"

#include <gdkmm/general.h>
#include <gtkmm/icontheme.h>
#include <gtkmm/menuitem.h>
#include <gtkmm/stylecontext.h>
#include <pangomm/fontdescription.h>
#include <pangomm/layout.h>

#include <variant>

namespace headroom {

namespace {

/// The size an icon is read at before it is stretched into its square.
constexpr int kIconReadSize = 48;

/// The menu item around the row: no padding, no highlight, the text colour of a plain row.
constexpr const char* kPlainRowStyle =
    "menuitem, menuitem:hover, menuitem:selected { padding: 0; margin: 0; border: none; "
    "background: none; box-shadow: none; color: inherit; }";

}  // namespace

CustomMenuItemWidget::CustomMenuItemWidget() : plainRow_(Gtk::CssProvider::create()) {
    set_size_request(kNaturalWidth, kNaturalHeight);
    plainRow_->load_from_data(kPlainRowStyle);
}

CustomMenuItemWidget::~CustomMenuItemWidget() {
    itemDraw_.disconnect();
}

void CustomMenuItemWidget::on_hierarchy_changed(Gtk::Widget* previousToplevel) {
    Gtk::DrawingArea::on_hierarchy_changed(previousToplevel);
    Gtk::Widget* item = nullptr;
    for (Gtk::Widget* up = get_parent(); up != nullptr; up = up->get_parent()) {
        if (dynamic_cast<Gtk::MenuItem*>(up) != nullptr) {
            item = up;
            break;
        }
    }
    if (item == styledItem_) {
        return;
    }
    if (styledItem_ != nullptr) {
        itemDraw_.disconnect();
        styledItem_->get_style_context()->remove_provider(plainRow_);
    }
    styledItem_ = item;
    if (item != nullptr) {
        item->get_style_context()->add_provider(plainRow_,
                                                GTK_STYLE_PROVIDER_PRIORITY_APPLICATION + 1);
        itemDraw_ = item->signal_draw().connect(
            [this, item](const Cairo::RefPtr<Cairo::Context>& cr) {
                paint(cr, item->get_allocated_height());
                return false;
            },
            true);
        item->queue_draw();
    }
}

bool CustomMenuItemWidget::fontInstalled(const std::string& family) {
    for (const auto& installed : get_pango_context()->list_families()) {
        if (installed->get_name().casefold() == Glib::ustring(family).casefold()) {
            return true;
        }
    }
    return false;
}

Glib::RefPtr<Gdk::Pixbuf> CustomMenuItemWidget::imageNamed(const std::string& name) {
    if (const auto cached = images_.find(name); cached != images_.end()) {
        return cached->second;
    }
    Glib::RefPtr<Gdk::Pixbuf> pixbuf;
    try {
        pixbuf = name.starts_with('/') ? Gdk::Pixbuf::create_from_file(name)
                                       : Gtk::IconTheme::get_default()->load_icon(
                                             name, kIconReadSize, Gtk::ICON_LOOKUP_FORCE_SIZE);
    } catch (const Glib::Error&) {
        pixbuf.reset();
    }
    images_[name] = pixbuf;
    return pixbuf;
}

bool CustomMenuItemWidget::on_draw(const Cairo::RefPtr<Cairo::Context>& cr) {
    if (styledItem_ == nullptr) {
        paint(cr, get_allocated_height());
    }
    return true;
}

void CustomMenuItemWidget::paint(const Cairo::RefPtr<Cairo::Context>& cr, double height) {
    const auto elements =
        view_.drawRect([this](const std::string& family) { return fontInstalled(family); });
    for (const MenuRowElement& element : elements) {
        if (const auto* text = std::get_if<MenuRowText>(&element)) {
            auto layout = create_pango_layout(text->text);
            Pango::FontDescription font;
            font.set_family(text->fontName);
            font.set_absolute_size(text->pointSize * PANGO_SCALE);
            layout->set_font_description(font);
            int width = 0;
            int lineHeight = 0;
            layout->get_pixel_size(width, lineHeight);
            const Gdk::RGBA ink = get_style_context()->get_color(Gtk::STATE_FLAG_NORMAL);
            cr->save();
            Gdk::Cairo::set_source_rgba(cr, ink);
            cr->move_to(text->x, CustomMenuItemView::topOffset(text->y, lineHeight, height));
            layout->show_in_cairo_context(cr);
            cr->restore();
        } else if (const auto* image = std::get_if<MenuRowImage>(&element)) {
            const auto pixbuf = imageNamed(image->image);
            if (!pixbuf) {
                continue;
            }
            // Stretched: each axis scaled on its own.
            const auto stretched =
                pixbuf->scale_simple(static_cast<int>(image->width),
                                     static_cast<int>(image->height), Gdk::INTERP_BILINEAR);
            const double top = CustomMenuItemView::topOffset(image->y, image->height, height);
            cr->save();
            Gdk::Cairo::set_source_pixbuf(cr, stretched, image->x, top);
            cr->rectangle(image->x, top, image->width, image->height);
            cr->fill();
            cr->restore();
        }
    }
}

}  // namespace headroom

#include "ui/gtk/CustomMenuItemWidget.h"

#include <gdkmm/general.h>
#include <gtkmm/icontheme.h>
#include <gtkmm/stylecontext.h>
#include <pangomm/fontdescription.h>
#include <pangomm/layout.h>

#include <variant>

namespace headroom {

namespace {

/// The size an icon is read at before it is stretched into its square.
constexpr int kIconReadSize = 48;

}  // namespace

CustomMenuItemWidget::CustomMenuItemWidget() {
    set_size_request(kNaturalWidth, kNaturalHeight);
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
    const double height = get_allocated_height();
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
    return true;
}

}  // namespace headroom

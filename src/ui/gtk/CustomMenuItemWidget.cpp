#include "ui/gtk/CustomMenuItemWidget.h"

#include <variant>

#include "ui/gtk/SignalConnect.h"

namespace headroom {

namespace {

/// The desktop's sans-serif font, for when the title font is not installed.
constexpr const char* kFallbackFont = "Sans";

/// The size an icon is read at before it is stretched into its square.
constexpr int kIconReadSize = 48;

/// The menu item around the row: no padding, no highlight, the text colour of a plain row.
constexpr const char* kPlainRowStyle =
    "menuitem, menuitem:hover, menuitem:selected { padding: 0; margin: 0; border: none; "
    "background: none; box-shadow: none; color: inherit; }";

}  // namespace

CustomMenuItemWidget::CustomMenuItemWidget()
    : area_(GTK_WIDGET(g_object_ref_sink(gtk_drawing_area_new()))),
      plainRow_(gtk_css_provider_new()) {
    gtk_widget_set_size_request(area_.get(), kNaturalWidth, kNaturalHeight);
    gtk_css_provider_load_from_data(plainRow_.get(), kPlainRowStyle, -1, nullptr);
    connectSignal(area_.get(), "hierarchy-changed", &onHierarchyChanged, this);
    connectSignal(area_.get(), "draw", &onDraw, this);
}

CustomMenuItemWidget::~CustomMenuItemWidget() {
    leaveItem();
    g_signal_handlers_disconnect_by_data(area_.get(), this);
}

void CustomMenuItemWidget::leaveItem() {
    if (styledItem_ == nullptr) {
        return;
    }
    g_signal_handler_disconnect(styledItem_, itemDraw_);
    gtk_style_context_remove_provider(gtk_widget_get_style_context(styledItem_),
                                      GTK_STYLE_PROVIDER(plainRow_.get()));
    g_object_remove_weak_pointer(G_OBJECT(styledItem_), reinterpret_cast<gpointer*>(&styledItem_));
    styledItem_ = nullptr;
}

void CustomMenuItemWidget::onHierarchyChanged(GtkWidget* area, GtkWidget* /*previous*/,
                                              gpointer self) {
    auto* row = static_cast<CustomMenuItemWidget*>(self);
    GtkWidget* item = gtk_widget_get_parent(area);
    while (item != nullptr && !GTK_IS_MENU_ITEM(item)) {
        item = gtk_widget_get_parent(item);
    }
    if (item == row->styledItem_) {
        return;
    }
    row->leaveItem();
    if (item == nullptr) {
        return;
    }
    row->styledItem_ = item;
    g_object_add_weak_pointer(G_OBJECT(item), reinterpret_cast<gpointer*>(&row->styledItem_));
    gtk_style_context_add_provider(gtk_widget_get_style_context(item),
                                   GTK_STYLE_PROVIDER(row->plainRow_.get()),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION + 1);
    row->itemDraw_ = g_signal_connect_data(item, "draw", reinterpret_cast<GCallback>(&onDraw), row,
                                           nullptr, G_CONNECT_AFTER);
    gtk_widget_queue_draw(item);
}

gboolean CustomMenuItemWidget::onDraw(GtkWidget* widget, cairo_t* cr, gpointer self) {
    auto* row = static_cast<CustomMenuItemWidget*>(self);
    // In a menu item, the item's own drawing paints the whole row; the area paints nothing.
    const bool onItem = widget != row->area_.get();
    if (onItem || row->styledItem_ == nullptr) {
        row->paint(cr, gtk_widget_get_allocated_height(widget));
    }
    return onItem ? FALSE : TRUE;
}

GdkPixbuf* CustomMenuItemWidget::imageNamed(const std::string& name) {
    if (const auto cached = images_.find(name); cached != images_.end()) {
        return cached->second.get();
    }
    GdkPixbuf* pixbuf =
        name.starts_with('/')
            ? gdk_pixbuf_new_from_file(name.c_str(), nullptr)
            : gtk_icon_theme_load_icon(gtk_icon_theme_get_default(), name.c_str(), kIconReadSize,
                                       GTK_ICON_LOOKUP_FORCE_SIZE, nullptr);
    return images_.emplace(name, pixbuf).first->second.get();
}

void CustomMenuItemWidget::paint(cairo_t* cr, double height) {
    for (const MenuRowElement& element : view_.drawRect()) {
        cairo_save(cr);
        if (const auto* text = std::get_if<MenuRowText>(&element)) {
            GObjectPtr<PangoLayout> layout(
                gtk_widget_create_pango_layout(area_.get(), text->text.c_str()));
            PangoFontDescription* font = pango_font_description_new();
            // Pango takes the first family of the list that is installed.
            pango_font_description_set_family(font, (text->fontName + "," + kFallbackFont).c_str());
            pango_font_description_set_absolute_size(font, text->pointSize * PANGO_SCALE);
            pango_layout_set_font_description(layout.get(), font);
            pango_font_description_free(font);
            int width = 0;
            int lineHeight = 0;
            pango_layout_get_pixel_size(layout.get(), &width, &lineHeight);
            GdkRGBA ink{};
            gtk_style_context_get_color(gtk_widget_get_style_context(area_.get()),
                                        GTK_STATE_FLAG_NORMAL, &ink);
            gdk_cairo_set_source_rgba(cr, &ink);
            cairo_move_to(cr, text->x, height - text->y - lineHeight);
            pango_cairo_show_layout(cr, layout.get());
        } else if (const auto* image = std::get_if<MenuRowImage>(&element)) {
            if (GdkPixbuf* pixbuf = imageNamed(image->image)) {
                // Stretched: each axis scaled on its own.
                const GObjectPtr<GdkPixbuf> stretched(
                    gdk_pixbuf_scale_simple(pixbuf, static_cast<int>(image->width),
                                            static_cast<int>(image->height), GDK_INTERP_BILINEAR));
                const double top = height - image->y - image->height;
                gdk_cairo_set_source_pixbuf(cr, stretched.get(), image->x, top);
                cairo_rectangle(cr, image->x, top, image->width, image->height);
                cairo_fill(cr);
            }
        }
        cairo_restore(cr);
    }
}

}  // namespace headroom

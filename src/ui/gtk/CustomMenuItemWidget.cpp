#include "ui/gtk/CustomMenuItemWidget.h"

#include <algorithm>
#include <cmath>
#include <variant>

#include "ui/gtk/SignalConnect.h"

namespace headroom {

namespace {

/// The size an icon is read at before it is stretched into its square.
constexpr int kIconReadSize = 48;

/// Room between the icon and the title, as GTK's menus keep it.
constexpr int kIconSpacing = 6;

}  // namespace

CustomMenuItemWidget::CustomMenuItemWidget()
    : area_(GTK_WIDGET(g_object_ref_sink(gtk_drawing_area_new()))) {
    gtk_widget_set_size_request(area_.get(), kNaturalWidth, kNaturalHeight);
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
    row->itemDraw_ = g_signal_connect_data(item, "draw", reinterpret_cast<GCallback>(&onDraw), row,
                                           nullptr, G_CONNECT_AFTER);
    gtk_widget_queue_draw(item);
}

gboolean CustomMenuItemWidget::onDraw(GtkWidget* widget, cairo_t* cr, gpointer self) {
    auto* row = static_cast<CustomMenuItemWidget*>(self);
    // In a menu item the row is painted on the item, after its own background and highlight,
    // so that the icon may stand left of where the other rows' titles start.
    const bool onItem = widget != row->area_.get();
    if (onItem || row->styledItem_ == nullptr) {
        row->paint(cr, widget);
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

void CustomMenuItemWidget::paint(cairo_t* cr, GtkWidget* on) {
    // The title starts where a plain row's label does (the area's place in the row), in the
    // row's font and in its text colour of the moment (highlighted under the pointer, as the
    // other rows are); the icon stands in the room left of it.
    int left = 0;
    int top = 0;
    gtk_widget_translate_coordinates(area_.get(), on, 0, 0, &left, &top);
    const double height = gtk_widget_get_allocated_height(on);
    const MenuRowText* text = nullptr;
    const MenuRowImage* image = nullptr;
    const auto elements = view_.drawRect();
    for (const MenuRowElement& element : elements) {
        text = text != nullptr ? text : std::get_if<MenuRowText>(&element);
        image = image != nullptr ? image : std::get_if<MenuRowImage>(&element);
    }
    const int iconLeft =
        std::max(0, left - static_cast<int>(CustomMenuItemView::kIconSide) - kIconSpacing);
    GdkPixbuf* icon = image != nullptr ? imageNamed(image->image) : nullptr;
    if (icon != nullptr) {
        // Stretched: each axis scaled on its own.
        const int side = static_cast<int>(image->width);
        const GObjectPtr<GdkPixbuf> stretched(gdk_pixbuf_scale_simple(
            icon, side, static_cast<int>(image->height), GDK_INTERP_BILINEAR));
        const double iconTop = std::floor((height - image->height) / 2);
        gdk_cairo_set_source_pixbuf(cr, stretched.get(), iconLeft, iconTop);
        cairo_rectangle(cr, iconLeft, iconTop, image->width, image->height);
        cairo_fill(cr);
        left = std::max(left, iconLeft + side + kIconSpacing);
    }
    if (text != nullptr) {
        GObjectPtr<PangoLayout> layout(gtk_widget_create_pango_layout(on, text->text.c_str()));
        int width = 0;
        int lineHeight = 0;
        pango_layout_get_pixel_size(layout.get(), &width, &lineHeight);
        GdkRGBA ink{};
        gtk_style_context_get_color(gtk_widget_get_style_context(on),
                                    gtk_widget_get_state_flags(on), &ink);
        gdk_cairo_set_source_rgba(cr, &ink);
        cairo_move_to(cr, left, std::floor((height - lineHeight) / 2));
        pango_cairo_show_layout(cr, layout.get());
    }
}

}  // namespace headroom

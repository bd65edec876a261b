#pragma once

#include <gtk/gtk.h>

#include <map>
#include <string>

#include "statusmenu/CustomMenuItemView.h"
#include "ui/gtk/GObjectPtr.h"

namespace headroom {

/// The hand-drawn menu row as a widget: it paints the title and the icon of a
/// CustomMenuItemView so that the row is aligned with and alike to the menu's other rows: the
/// title where their labels start, in their font and text colour (highlighted under the
/// pointer as they are), the icon (stretched into its square) in the room left of the title.
/// Images are icon names or image files; one that cannot be loaded is left out.
///
/// In a menu the widget paints on the menu item that holds it, after the item's own
/// background.
///
/// Like the view's own accessors, changing the title or the image does not redraw: queue a
/// draw of widget().
class CustomMenuItemWidget {
  public:
    static constexpr int kNaturalWidth = 180;
    static constexpr int kNaturalHeight = 22;

    CustomMenuItemWidget();
    ~CustomMenuItemWidget();
    CustomMenuItemWidget(const CustomMenuItemWidget&) = delete;
    CustomMenuItemWidget& operator=(const CustomMenuItemWidget&) = delete;

    /// A drawing area; the object keeps a reference to it for its own life.
    GtkWidget* widget() const { return area_.get(); }
    CustomMenuItemView& view() { return view_; }

  private:
    static void onHierarchyChanged(GtkWidget* area, GtkWidget* previous, gpointer self);
    static gboolean onDraw(GtkWidget* widget, cairo_t* cr, gpointer self);
    void leaveItem();
    void paint(cairo_t* cr, GtkWidget* on);
    GdkPixbuf* imageNamed(const std::string& name);

    CustomMenuItemView view_;
    GObjectPtr<GtkWidget> area_;
    GtkWidget* styledItem_ = nullptr;  // a weak pointer: GLib clears it when the item goes
    gulong itemDraw_ = 0;
    std::map<std::string, GObjectPtr<GdkPixbuf>> images_;  // null: cannot be loaded
};

}  // namespace headroom

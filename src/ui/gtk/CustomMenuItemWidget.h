#pragma once

#include <gtk/gtk.h>

#include <map>
#include <string>

#include "statusmenu/CustomMenuItemView.h"
#include "ui/gtk/GObjectPtr.h"

namespace headroom {

/// The hand-drawn menu row as a widget: it paints what CustomMenuItemView describes, turned to
/// GTK's top-down coordinates, with the title in the theme's normal text colour whatever the
/// widget's state (a highlighted row looks the same). Point sizes are pixels. Images are icon
/// names or image files; one that cannot be loaded is left out.
///
/// In a menu the whole row is the view: the widget paints on the menu item that holds it,
/// from the row's left edge (a menu sets its items' content off by the room it keeps for
/// check marks), and the item gets no padding and no highlight of its own, so that a row
/// under the pointer looks the same as any other.
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
    void paint(cairo_t* cr, double height);
    GdkPixbuf* imageNamed(const std::string& name);

    CustomMenuItemView view_;
    GObjectPtr<GtkWidget> area_;
    GObjectPtr<GtkCssProvider> plainRow_;
    GtkWidget* styledItem_ = nullptr;  // a weak pointer: GLib clears it when the item goes
    gulong itemDraw_ = 0;
    std::map<std::string, GObjectPtr<GdkPixbuf>> images_;  // null: cannot be loaded
};

}  // namespace headroom

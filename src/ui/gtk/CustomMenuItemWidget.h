#pragma once

#include <gdkmm/pixbuf.h>
#include <gtkmm/cssprovider.h>
#include <gtkmm/drawingarea.h>

#include <map>
#include <string>

#include "statusmenu/CustomMenuItemView.h"

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
/// Like the view's own accessors, changing the title or the image does not redraw: call
/// queue_draw().
class CustomMenuItemWidget final : public Gtk::DrawingArea {
  public:
    static constexpr int kNaturalWidth = 180;
    static constexpr int kNaturalHeight = 22;

    CustomMenuItemWidget();
    ~CustomMenuItemWidget() override;
    CustomMenuItemWidget(const CustomMenuItemWidget&) = delete;
    CustomMenuItemWidget& operator=(const CustomMenuItemWidget&) = delete;

    CustomMenuItemView& view() { return view_; }

  protected:
    bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override;
    void on_hierarchy_changed(Gtk::Widget* previousToplevel) override;

  private:
    void paint(const Cairo::RefPtr<Cairo::Context>& cr, double height);

    bool fontInstalled(const std::string& family);
    Glib::RefPtr<Gdk::Pixbuf> imageNamed(const std::string& name);

    CustomMenuItemView view_;
    Glib::RefPtr<Gtk::CssProvider> plainRow_;
    Gtk::Widget* styledItem_ = nullptr;
    sigc::connection itemDraw_;
    std::map<std::string, Glib::RefPtr<Gdk::Pixbuf>> images_;
};

}  // namespace headroom

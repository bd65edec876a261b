#pragma once

#include <gdkmm/pixbuf.h>
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
/// Like the view's own accessors, changing the title or the image does not redraw: call
/// queue_draw().
class CustomMenuItemWidget final : public Gtk::DrawingArea {
  public:
    static constexpr int kNaturalWidth = 180;
    static constexpr int kNaturalHeight = 22;

    CustomMenuItemWidget();

    CustomMenuItemView& view() { return view_; }

  protected:
    bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override;

  private:
    bool fontInstalled(const std::string& family);
    Glib::RefPtr<Gdk::Pixbuf> imageNamed(const std::string& name);

    CustomMenuItemView view_;
    std::map<std::string, Glib::RefPtr<Gdk::Pixbuf>> images_;
};

}  // namespace headroom

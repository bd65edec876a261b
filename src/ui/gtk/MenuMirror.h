#pragma once

#include <gtkmm/image.h>
#include <gtkmm/label.h>
#include <gtkmm/menu.h>
#include <gtkmm/menuitem.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/RunLoop.h"
#include "statusmenu/Menu.h"

namespace headroom {

class CustomMenuItemWidget;

/// Keeps a Gtk::Menu in line with the program's menu model, for the tray indicator to export
/// over dbusmenu.
///
/// Every model row becomes one Gtk row: a separator, a plain row (a label), or a row with an
/// image (a box of image and label: the dbusmenu exporter sends a row's icon only for that
/// shape, and only while the `gtk-menu-images` setting is on, which the mirror turns on).
/// Images are icon names (or absolute files) drawn at 18 × 18, with the generic
/// "application-x-executable" when the name is not found.
///
/// A sync compares the model with what it showed last: rows are inserted and removed as the
/// model's structure changed (Menu::structureRevision), and only rows whose revision moved are
/// looked at, and only the properties that differ are set. Choosing a row runs the model row's
/// action on the next turn of the run loop, after GTK and dbusmenu have finished with the
/// click.
class MenuMirror {
  public:
    static constexpr int kIconSize = 18;
    static constexpr const char* kFallbackIcon = "application-x-executable";

    /// Needs GTK initialised with a display.
    explicit MenuMirror(RunLoop& runLoop);
    ~MenuMirror();
    MenuMirror(const MenuMirror&) = delete;
    MenuMirror& operator=(const MenuMirror&) = delete;

    Gtk::Menu& gtkMenu() { return menu_; }

    /// Mirrors `menu` from now on and brings the Gtk menu in line at once.
    void setMenu(std::shared_ptr<Menu> menu);
    /// Asks for one sync on the main queue; asking again before it runs changes nothing.
    void scheduleSync();
    /// Brings the Gtk menu in line with the model now.
    void sync();

    /// How many rows the last sync created or changed (for tests and diagnostics).
    std::size_t rowsTouchedByLastSync() const { return touched_; }

  private:
    struct Row {
        std::shared_ptr<MenuItem> item;
        std::uint64_t revision = 0;
        std::unique_ptr<Gtk::MenuItem> widget;
        Gtk::Label* label = nullptr;             // owned by the widget
        Gtk::Image* image = nullptr;             // owned by the widget; null for plain rows
        CustomMenuItemWidget* custom = nullptr;  // owned by the widget; for hand-drawn rows
        std::string title;
        std::string imageName;
        bool enabled = true;
        bool separator = false;
    };

    void reconcile();
    Row makeRow(const std::shared_ptr<MenuItem>& item);
    void update(Row& row, std::size_t position);
    Glib::RefPtr<Gdk::Pixbuf> iconPixbuf(const std::string& name);

    RunLoop& runLoop_;
    Gtk::Menu menu_;
    std::shared_ptr<Menu> model_;
    std::vector<Row> rows_;
    std::uint64_t structureSeen_ = 0;
    std::map<std::string, Glib::RefPtr<Gdk::Pixbuf>> pixbufs_;
    std::size_t touched_ = 0;
    // Lets a queued sync know whether the mirror still exists.
    std::shared_ptr<bool> syncPending_ = std::make_shared<bool>(false);
    sigc::connection themeChanged_;
};

}  // namespace headroom

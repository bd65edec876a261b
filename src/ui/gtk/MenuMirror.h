#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/RunLoop.h"
#include "platform/StatusBar.h"
#include "ui/gtk/GObjectPtr.h"

namespace headroom {

class CustomMenuItemWidget;

/// Keeps a GtkMenu in line with the program's menu, for the tray indicator to export over
/// dbusmenu.
///
/// Every row becomes one GTK row: a separator, a plain row (a label), a row with an image (a
/// box of image and label: the dbusmenu exporter sends a row's icon only for that shape, and
/// only while the `gtk-menu-images` setting is on, which the mirror turns on), or a hand-drawn
/// row. Images are icon names (or absolute files) drawn at 18 × 18, with the generic
/// "application-x-executable" when the name is not installed or names no regular image file.
///
/// Each new menu is compared with what was shown last: rows are matched by key, so that a row
/// keeps its widget (and its dbusmenu id) while it stays, and only the properties that differ
/// are set. Choosing a row is told on the main queue, after GTK and dbusmenu have finished with
/// the click.
class MenuMirror {
  public:
    static constexpr int kIconSize = 18;
    static constexpr const char* kFallbackIcon = "application-x-executable";

    /// Needs GTK initialised with a display.
    explicit MenuMirror(RunLoop& runLoop);
    ~MenuMirror();
    MenuMirror(const MenuMirror&) = delete;
    MenuMirror& operator=(const MenuMirror&) = delete;

    GtkMenu* gtkMenu() const { return GTK_MENU(menu_.get()); }

    /// Shows `rows`, at once.
    void show(const std::vector<MenuRow>& rows);
    /// Called with the key of a row the user chose.
    void setOnChosen(std::function<void(const std::string& key)> chosen) {
        *chosen_ = std::move(chosen);
    }

  private:
    struct Row {
        MenuRow shown;
        GtkWidget* widget = nullptr;  // owned by the menu
        GtkLabel* label = nullptr;
        GtkImage* image = nullptr;                     // for rows with an image
        std::unique_ptr<CustomMenuItemWidget> custom;  // for hand-drawn rows
    };

    Row makeRow(const MenuRow& row);
    void update(Row& row, const MenuRow& wanted, int position);
    void showImage(GtkImage* image, const std::string& name);

    RunLoop& runLoop_;
    GObjectPtr<GtkWidget> menu_;
    std::shared_ptr<std::function<void(const std::string&)>> chosen_ =
        std::make_shared<std::function<void(const std::string&)>>();
    std::vector<Row> rows_;
    gulong themeChanged_ = 0;
};

}  // namespace headroom

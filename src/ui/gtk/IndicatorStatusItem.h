#pragma once

#include <libayatana-appindicator/app-indicator.h>
#include <libdbusmenu-glib/menuitem.h>
#include <sigc++/connection.h>

#include <memory>
#include <optional>
#include <string>

#include "platform/StatusBar.h"
#include "ui/gtk/IndicatorStatusBar.h"
#include "ui/gtk/MenuMirror.h"

namespace headroom {

/// One tray item (see IndicatorStatusBar).
///
/// - Title: the label, with a guide text of the title's widest form; a red title sets the
///   status NeedsAttention (the panel shows the attention icon, a red variant of the icon),
///   any other Active.
/// - Image: SVG files in the bar's icon folder, a fresh name whenever the picture changes
///   (panels cache icons by name), the replaced files deleted; an unchanged picture writes
///   nothing. The bar icon is symbolic (its name ends in "-symbolic": the panel tints it). No
///   image is a transparent one, so that the label stays reachable.
/// - Menu: a MenuMirror of the model, synced once on the main queue after every title change
///   (every refresh sets the title).
/// - Menu open and close: the dbusmenu "opened" and "closed" events on the root row, which the
///   panel sends as it shows and hides the menu, and the GtkMenu's map and unmap for the
///   GtkStatusIcon fallback. They turn the run loop's tracking on and off and tell the menu
///   observer. A panel that never sends "closed" (one that goes away with the menu open is
///   caught by the lost connection) leaves tracking on until the next "closed".
class IndicatorStatusItem final : public StatusItem {
  public:
    IndicatorStatusItem(IndicatorStatusBar& bar, const std::string& id);
    ~IndicatorStatusItem() override;
    IndicatorStatusItem(const IndicatorStatusItem&) = delete;
    IndicatorStatusItem& operator=(const IndicatorStatusItem&) = delete;

    void setAttributedTitle(const AttributedTitle& title) override;
    void setImage(const std::optional<StatusImage>& image) override;
    void setMenu(std::shared_ptr<Menu> menu) override;
    void setHighlightMode(bool highlight) override;

    AppIndicator* indicator() const { return indicator_.get(); }
    MenuMirror& mirror() { return mirror_; }
    bool isMenuOpen() const { return menuOpen_; }

  private:
    struct Unref {
        void operator()(void* object) const;
    };

    void showIcons(const std::string& normal, const std::string& attention, bool symbolic);
    void menuOpened();
    void menuClosed();
    static gboolean onRootEvent(DbusmenuMenuitem* item, const gchar* name, GVariant* data,
                                guint timestamp, gpointer self);
    static void onConnectionChanged(AppIndicator* indicator, gboolean connected, gpointer self);

    IndicatorStatusBar& bar_;
    MenuMirror mirror_;
    // After the mirror, so that the indicator lets go of the Gtk menu before it is destroyed.
    std::unique_ptr<AppIndicator, Unref> indicator_;
    std::unique_ptr<DbusmenuMenuitem, Unref> root_;
    gulong rootEventHandler_ = 0;
    gulong connectionHandler_ = 0;
    sigc::connection mapped_;
    sigc::connection unmapped_;
    bool menuAttached_ = false;
    bool menuOpen_ = false;

    std::string shownSvg_;
    std::optional<bool> shownSymbolic_;
    std::string iconName_;
    std::string attentionName_;
    unsigned serial_ = 0;
    bool writeFailureLogged_ = false;
};

}  // namespace headroom

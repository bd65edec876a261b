#pragma once

#include <libayatana-appindicator/app-indicator.h>
#include <libdbusmenu-glib/menuitem.h>

#include <memory>
#include <optional>
#include <string>

#include "platform/StatusBar.h"
#include "ui/gtk/GObjectPtr.h"
#include "ui/gtk/IndicatorStatusBar.h"
#include "ui/gtk/MenuMirror.h"

namespace headroom {

struct ToolTipFilter;

/// One tray item (see IndicatorStatusBar).
///
/// - Title: the label, with a guide text of the figure's widest form, and the item's Title
///   ("Headroom: 2.00 GB"), which panels that show no label show as the tooltip. Low memory
///   sets the status NeedsAttention and turns the icon itself red (some panels never show the
///   attention icon), any other Active.
/// - Image: drawn from the figures for the panel that shows the item (see TrayIconArt): on
///   panels that show no label the short figure is drawn into the icon.
/// - Title, image and status go out once per loop turn however many setters ran, and only
///   what differs from what the panel has: one signal per property that changed. Each icon is an
///   SVG file in the bar's icon folder (see IconFolder), one name per bar length and colour so that
///   a panel's cache stays small, written again as the figure changes. There is always an icon:
///   without the bar icon the module (or the figure) stands in.
/// - Without a StatusNotifierWatcher the item makes the old-style (XEmbed) tray icon itself,
///   in place of the library's: it loads the icon file by its path (no icon-theme lookup that
///   could miss a fresh file), shows the title as its tooltip, opens the menu on either click,
///   and sets no window name after the icon is made (GTK then warns about its own updates).
/// - ToolTip (the title, with the figure), which the library does not export and Plasma 6
///   shows as the tooltip: the item's bus filter answers Get, adds it to the library's GetAll
///   answer and sends NewToolTip as the title changes.
/// - A panel's Activate (LXQt sends it for a left click), which the library leaves unanswered
///   but for a warning, opens the menu at the pointer.
/// - No panel at all: said once, a few seconds after start, on standard error and in the log.
/// - Menu: a MenuMirror of the program's menu.
/// - Menu open and close: dbusmenu's AboutToShow of the root row, and the "opened" and
///   "closed" events on it, which the panel sends as it shows and hides the menu; the GtkMenu's
///   map and unmap for the GtkStatusIcon fallback. Open and close turn the run loop's tracking
///   on and off. A panel that never sends "closed" (one that goes away with the menu open is
///   caught by the lost connection) leaves tracking on until the next "closed".
class IndicatorStatusItem final : public StatusItem {
  public:
    IndicatorStatusItem(IndicatorStatusBar& bar, const std::string& id);
    ~IndicatorStatusItem() override;
    IndicatorStatusItem(const IndicatorStatusItem&) = delete;
    IndicatorStatusItem& operator=(const IndicatorStatusItem&) = delete;

    void setAttributedTitle(const AttributedTitle& title) override;
    void setImage(const StatusImage& image) override;
    void setMenu(const std::vector<MenuRow>& rows) override;
    void setMenuEvents(StatusMenuEvents events) override;

    AppIndicator* indicator() const { return indicator_.get(); }

  private:
    void changed();
    void publish();
    void showIcon();
    void checkForPanel();
    void setMenuOpen(bool open);
    static gboolean onAboutToShow(DbusmenuMenuitem* root, gpointer self);
    static gboolean onRootEvent(DbusmenuMenuitem* item, const gchar* name, GVariant* data,
                                guint timestamp, gpointer self);
    static void onConnectionChanged(AppIndicator* indicator, gboolean connected, gpointer self);
    static gboolean onPanelCheck(gpointer self);
    static GDBusMessage* filterActivate(GDBusConnection* bus, GDBusMessage* message,
                                        gboolean incoming, gpointer activation);
    void popUpMenuAt(int x, int y);
    void menuAboutToShow();
    void exportToolTip(const std::string& id);
    void setToolTip(const std::string& title);
    static GDBusMessage* filterToolTip(GDBusConnection* bus, GDBusMessage* message,
                                       gboolean incoming, gpointer filter);
    /// AppIndicator with the item's own old-style tray icon.
    static GType indicatorType();
    static GtkStatusIcon* makeTrayIcon(AppIndicator* indicator);
    static void dropTrayIcon(AppIndicator* indicator, GtkStatusIcon* icon);
    static void onTrayIconClicked(GtkStatusIcon* icon, gpointer self);
    static void onTrayIconMenu(GtkStatusIcon* icon, guint button, guint time, gpointer self);

    IndicatorStatusBar& bar_;
    MenuMirror mirror_;
    // After the mirror, so that the indicator lets go of the Gtk menu before it is destroyed.
    GObjectPtr<AppIndicator> indicator_;
    GObjectPtr<DbusmenuMenuitem> root_;
    StatusMenuEvents events_;
    bool menuOpen_ = false;

    TrayHost host_ = TrayHost::XEmbed;
    AttributedTitle title_;
    StatusImage image_;
    std::string shownLabel_;
    int shownStatus_ = -1;
    std::string shownIcon_;
    std::string shownDescription_;
    std::string shownFolder_;
    GObjectPtr<GDBusConnection> bus_;
    guint activateFilter_ = 0;
    std::string itemTitle_;
    ToolTipFilter* toolTip_ = nullptr;  // owned by the bus filter
    guint toolTipFilter_ = 0;
    GtkStatusIcon* trayIcon_ = nullptr;  // owned by the library between make and drop
    guint panelCheck_ = 0;
    guint publishSource_ = 0;
    bool writeFailureLogged_ = false;
};

}  // namespace headroom

#pragma once

#include <gio/gio.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/RunLoop.h"
#include "platform/StatusBar.h"
#include "platform/SystemLog.h"
#include "ui/gtk/GObjectPtr.h"
#include "ui/gtk/TrayIconArt.h"

namespace headroom {

class IconFolder;

/// The desktop's status area through libayatana-appindicator: each item is a
/// StatusNotifierItem with a text label (XAyatanaLabel), an icon written to the process's own
/// runtime folder, and its menu exported over dbusmenu. Without a StatusNotifierWatcher on the
/// session bus the library falls back to a GtkStatusIcon (an XEmbed tray icon, icon only)
/// without telling us.
///
/// Which panel shows the items decides how they are drawn: it is told by the program that owns
/// the StatusNotifierWatcher (see trayHostForWatcher).
///
/// Needs GTK initialised with a display. Items must go before the bar.
class IndicatorStatusBar final : public StatusBar {
  public:
    /// `id` names the item on the bus (/org/ayatana/NotificationItem/<id>); `title` is the
    /// item's human-readable name. Icons are written under `runtimeBase` (the user's runtime
    /// folder when empty).
    IndicatorStatusBar(std::string id, std::string title, RunLoop& runLoop, SystemLog& log,
                       std::string runtimeBase = {});
    ~IndicatorStatusBar() override;
    IndicatorStatusBar(const IndicatorStatusBar&) = delete;
    IndicatorStatusBar& operator=(const IndicatorStatusBar&) = delete;

    std::unique_ptr<StatusItem> makeStatusItem() override;

    // What items share.
    RunLoop& runLoop() { return runLoop_; }
    SystemLog& log() { return log_; }
    const std::string& title() const { return title_; }
    /// The icon folder, or null when it could not be made (items then show a themed icon).
    IconFolder* iconFolder() { return folder_.get(); }

    /// The panel behind the StatusNotifierWatcher of the session bus, asked now.
    static TrayHost watcherHost();
    /// What `host`'s panel looks like, from its theme: Plasma's text colour from its desktop
    /// theme or colour scheme (plasmarc, kdeglobals), the dark panel of Xfce (xfconf) or of
    /// the GTK theme, GNOME's and waybar's dark bars. Kept until a theme changes.
    PanelLook panelLook(TrayHost host);
    /// `changed` runs after every change of a theme panelLook read.
    void setOnLookChange(std::function<void()> changed) { lookChanged_ = std::move(changed); }
    /// Whether an XEmbed system tray (freedesktop System Tray Protocol) runs on the display.
    static bool hasXEmbedTray();

  private:
    void followThemes();
    void themeChanged();

    std::string id_;
    std::string title_;
    RunLoop& runLoop_;
    SystemLog& log_;
    std::unique_ptr<IconFolder> folder_;
    int itemsMade_ = 0;
    std::map<TrayHost, PanelLook> looks_;
    std::function<void()> lookChanged_;
    std::vector<GObjectPtr<GFileMonitor>> themeFiles_;
    GObjectPtr<GDBusConnection> bus_;
    guint xfconfChanges_ = 0;
};

}  // namespace headroom

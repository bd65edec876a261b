#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/StatusBar.h"

namespace headroom {

/// The tray item's icons, drawn on the pixel grid: every shape is a whole-pixel rectangle of a
/// square canvas, so that a panel showing the icon at its own size draws sharp edges and full
/// strength. Pure rules, no toolkit, so that they can be tested on their own.

/// What the panel that shows the item does with it.
enum class TrayHost {
    /// Shows the label beside the icon, fitted into 16 pixels, and recolours symbolic icons
    /// (GNOME Shell's AppIndicator extension).
    Label,
    /// The same at 22 pixels (Ayatana's indicator service behind Xfce's indicator plugin).
    IndicatorService,
    /// Icon only, as drawn: it recolours nothing loaded from the item's icon folder, so the
    /// icon is painted in the theme's own text colour (KDE Plasma).
    ColorScheme,
    /// Icon only, drawn as it is (LXQt, Xfce's status tray and any host we do not know).
    IconOnly,
    /// Icon only, drawn as it is at 16 pixels (waybar's tray by default).
    IconOnlySmall,
    /// No StatusNotifierWatcher: an old-style XEmbed tray icon (or nothing), icon only.
    XEmbed,
};

/// The host behind the program that owns org.kde.StatusNotifierWatcher, from its executable's
/// name or path ("gnome-shell", "/usr/libexec/ayatana-indicator-application-service",
/// "kded5"); empty: nobody owns it.
TrayHost trayHostForWatcher(std::string_view program);

/// How the icon is painted.
enum class IconStyle {
    Symbolic,  ///< the GTK symbolic grey: the panel paints it in its text colour
    Ink,       ///< in the panel's text colour, as the theme says it (Plasma)
    Plate,     ///< light shapes on a dark rounded plate: visible on any panel as it is
};

/// What the panel looks like, as far as its theme tells.
struct PanelLook {
    std::string ink{"#232629"};  ///< its text colour, "#rrggbb" (Breeze's until told)
    bool dark = false;           ///< a dark panel: the low-memory red is a light one
    friend bool operator==(const PanelLook&, const PanelLook&) = default;
};

/// One icon: the memory module (with a bar `barPixels` wide, or none), the short figure, or
/// the figure above a slim bar. While memory is low it sits on a red plate, light red on a
/// dark panel, dark red on a light one; during a clean the bar is the clean's progress,
/// striped.
struct TrayIcon {
    int size = 16;  ///< canvas side in pixels: 16 or 22
    IconStyle style = IconStyle::Symbolic;
    std::string figure;  ///< short figure drawn in; empty: none
    bool bar = true;     ///< draw the memory bar's frame
    int barPixels = 0;   ///< bar length in pixels, 0 … barCapacity(size, …)
    bool red = false;
    bool cleaning = false;
    PanelLook panel;

    friend bool operator==(const TrayIcon&, const TrayIcon&) = default;
};

/// Everything that decides an icon for one host and one state.
struct TrayIconRequest {
    TrayHost host = TrayHost::Label;
    StatusImage image;
    PanelLook panel;
};
TrayIcon trayIconFor(const TrayIconRequest& request);

/// The longest bar the icon can draw, in pixels.
int barCapacity(const TrayIcon& icon);
/// `barWidth` points of the 11.4-point bar in whole pixels of `capacity` (NaN counts as 0).
int barPixelsOf(float barWidth, int capacity);

/// The figure as it fits in the icon: at most four characters (2 GiB free → "2.0G", 12.4 GiB
/// → "12G", 512 MiB → "512M", 26.62% → "27%", a clean at 42% → "42%"); empty when no text is
/// shown or there are no figures yet.
std::string shortFigure(const StatusImage& image);
/// The free figure as the title shows it ("2.00 GB", "512.00 MB", "26.62%"), for the item's
/// title when the text is off; empty before there are figures.
std::string titleFigure(const StatusImage& image);

/// The icon's name in the icon folder: one name per canvas, style, bar length and colour, so
/// that a panel's cache of icons by name stays small. The figure is left out: its file is
/// written again as the figure changes. Symbolic icons end in "-symbolic".
std::string trayIconName(const TrayIcon& icon);
/// The icon as an SVG document.
std::string trayIconSvg(const TrayIcon& icon);

/// Colours (sRGB, "#rrggbb"). Each red is at least 4.5:1 from the panels it is drawn on and
/// from its ink (WCAG 2 contrast).
inline constexpr std::string_view kSymbolicGrey = "#bebebe";  // GTK's symbolic foreground
inline constexpr std::string_view kPlateDark = "#2e3436";
inline constexpr std::string_view kPlateInk = "#ffffff";
inline constexpr std::string_view kRedOnLight = "#a51d2d";  // with white ink
inline constexpr std::string_view kRedOnDark = "#ff7878";   // with black ink

/// The value of `key` in `[group]` of an INI-style file (KDE's configuration files); nothing
/// when it has none.
std::optional<std::string_view> iniValue(std::string_view file, std::string_view group,
                                         std::string_view key);
/// The text colour of a KDE colour file (kdeglobals, a Plasma theme's `colors`):
/// [Colors:Window] ForegroundNormal as "#rrggbb"; empty when it does not say.
std::string kdeTextColour(std::string_view file);
/// Whether text of this colour ("#rrggbb") is light, that is, written on a dark ground.
bool isLightColour(std::string_view colour);

/// The text the panel sizes the label for, so that it does not jump as the figure changes: the
/// widest text of the figure's form ("8888.88 MB" for an amount, "100.00%" for a percentage,
/// "100%" for the cleaning progress); no text, no guide.
std::string labelGuide(const StatusImage& image);

}  // namespace headroom

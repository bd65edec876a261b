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
    /// Shows the label beside the icon and recolours symbolic icons (GNOME Shell's AppIndicator
    /// extension, Ayatana's indicator service behind Xfce's and MATE's indicator plugins).
    Label,
    /// Icon only; recolours the SVG elements of class ColorScheme-Text (KDE Plasma).
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
    Symbolic,     ///< the GTK symbolic grey: the panel paints it in its text colour
    ColorScheme,  ///< class ColorScheme-Text: Plasma paints it in its theme's text colour
    Plate,        ///< light shapes on a dark rounded plate: visible on any panel as it is
};

/// One icon: the memory module (with a bar `barPixels` wide, or none), the short figure, or
/// the figure above a slim bar; red while memory is low.
struct TrayIcon {
    int size = 16;  ///< canvas side in pixels: 16 or 22
    IconStyle style = IconStyle::Symbolic;
    std::string figure;  ///< short figure drawn in; empty: none
    bool bar = true;     ///< draw the memory bar's frame
    int barPixels = 0;   ///< bar length in pixels, 0 … barCapacity(size, …)
    bool red = false;

    friend bool operator==(const TrayIcon&, const TrayIcon&) = default;
};

/// Everything that decides an icon for one host and one state.
struct TrayIconRequest {
    TrayHost host = TrayHost::Label;
    StatusImage image;
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

/// The icon's name in the icon folder: one name per canvas, style, bar length and colour, so
/// that a panel's cache of icons by name stays small. The figure is left out: its file is
/// written again as the figure changes. Symbolic icons end in "-symbolic".
std::string trayIconName(const TrayIcon& icon);
/// The icon as an SVG document.
std::string trayIconSvg(const TrayIcon& icon);

/// Colours (sRGB, "#rrggbb").
inline constexpr std::string_view kSymbolicGrey = "#bebebe";  // GTK's symbolic foreground
inline constexpr std::string_view kLowRed = "#f66151";        // bright enough for a dark bar
inline constexpr std::string_view kPlateDark = "#2e3436";
inline constexpr std::string_view kPlateRed = "#c01c28";
inline constexpr std::string_view kPlateInk = "#ffffff";
/// The colour a ColorScheme icon keeps where nobody recolours it (Breeze Light's text).
inline constexpr std::string_view kSchemeText = "#232629";

/// The text the panel sizes the label for, so that it does not jump as the figure changes: the
/// widest text of the figure's form ("8888.88 MB" for an amount, "100.00%" for a percentage,
/// "100%" for the cleaning progress); no text, no guide.
std::string labelGuide(const StatusImage& image);

}  // namespace headroom

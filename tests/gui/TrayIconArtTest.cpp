// The tray's icons and label guide. Icons are checked by rendering them with librsvg (through
// gdk-pixbuf, no display needed) at their own size and reading every pixel: crisp edges,
// no empty margin and the contrast a panel shows them with.

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <optional>
#include <set>
#include <sstream>
#include <string>

#include "ui/gtk/GObjectPtr.h"
#include "ui/gtk/TrayIconArt.h"

namespace headroom {
namespace {

/// An SVG rendered at its own size; null when it cannot be.
GObjectPtr<GdkPixbuf> render(const std::string& svg) {
    const GObjectPtr<GInputStream> in(
        g_memory_input_stream_new_from_data(svg.data(), static_cast<gssize>(svg.size()), nullptr));
    return GObjectPtr<GdkPixbuf>(gdk_pixbuf_new_from_stream(in.get(), nullptr, nullptr));
}

/// Channel `c` (3: alpha) of the pixel from (x, y) to (x + 1, y + 1).
int channel(GdkPixbuf* image, int x, int y, int c) {
    return gdk_pixbuf_get_pixels(
        image)[y * gdk_pixbuf_get_rowstride(image) + x * gdk_pixbuf_get_n_channels(image) + c];
}

/// WCAG 2 relative luminance of an sRGB colour given as 0–255 channels.
double luminance(double r, double g, double b) {
    auto linear = [](double c) {
        c /= 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(r) + 0.7152 * linear(g) + 0.0722 * linear(b);
}

double contrast(double a, double b) {
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

struct Rgb {
    int r, g, b;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

Rgb hex(std::string_view text) {
    const int value = std::stoi(std::string(text.substr(1)), nullptr, 16);
    return Rgb{value >> 16, (value >> 8) & 0xff, value & 0xff};
}

/// The least contrast between the ink of `svg` (every opaque pixel but the plate's) and the
/// pixels around it, with the icon composited over `panel` as the panel draws it.
double leastContrast(const std::string& svg, Rgb panel, std::optional<Rgb> plate = {}) {
    const auto image = render(svg);
    EXPECT_TRUE(image && gdk_pixbuf_get_has_alpha(image.get()));
    const int side = gdk_pixbuf_get_width(image.get());
    auto at = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= side || y >= side) {
            return panel;
        }
        const double a = channel(image.get(), x, y, 3) / 255.0;
        auto mix = [&](int c, int under) {
            return static_cast<int>(
                std::lround(channel(image.get(), x, y, c) * a + under * (1.0 - a)));
        };
        return Rgb{mix(0, panel.r), mix(1, panel.g), mix(2, panel.b)};
    };
    auto isInk = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < side && y < side && channel(image.get(), x, y, 3) == 255 &&
               !(plate && at(x, y) == *plate);
    };
    double least = INFINITY;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            if (!isInk(x, y)) {
                continue;
            }
            const Rgb ink = at(x, y);
            for (const auto& [dx, dy] :
                 {std::pair{1, 0}, std::pair{-1, 0}, std::pair{0, 1}, std::pair{0, -1}}) {
                if (isInk(x + dx, y + dy)) {
                    continue;
                }
                const Rgb around = at(x + dx, y + dy);
                least = std::min(least, contrast(luminance(ink.r, ink.g, ink.b),
                                                 luminance(around.r, around.g, around.b)));
            }
        }
    }
    return least;
}

/// Plasma's recolouring: its theme's text colour in place of the style sheet's.
std::string schemed(std::string svg, std::string_view text) {
    const std::size_t at = svg.find(kSchemeText);
    if (at != std::string::npos) {
        svg.replace(at, kSchemeText.size(), text);
    }
    return svg;
}

TrayIcon icon(int size, IconStyle style, std::string figure, bool bar, int pixels, bool red) {
    return TrayIcon{size, style, std::move(figure), bar, pixels, red};
}

constexpr double kKiB = 0x1p10;
constexpr double kMiB = 0x1p20;
constexpr double kGiB = 0x1p30;

/// Free memory of `free` bytes of `total`, shown as an amount (or a share); bar and text shown.
StatusImage figures(double free, double total = 16 * kGiB, bool share = false) {
    return StatusImage{free, total, share, false, true, true, std::nullopt};
}

TEST(TrayIconArtTest, ShortFigureFitsFourCharacters) {
    StatusImage cleaning = figures(kGiB);
    cleaning.cleanProgress = 42;
    StatusImage noText = figures(kGiB);
    noText.showsText = false;
    const std::pair<StatusImage, const char*> cases[] = {
        {figures(2 * kGiB), "2.0G"},
        {figures(12.4 * kGiB), "12G"},
        {figures(9.96 * kGiB), "10G"},
        {figures(999.6 * kGiB, 2048 * kGiB), "1.0T"},
        {figures(512 * kMiB), "512M"},
        {figures(999.4 * kMiB), "999M"},
        {figures(1023.99 * kMiB), "1.0G"},
        {figures(3.25 * kMiB), "3.3M"},
        {figures(100 * kKiB), "100K"},
        {figures(0.2662 * 8 * kGiB, 8 * kGiB, true), "27%"},
        {figures(8 * kGiB, 8 * kGiB, true), "100%"},
        {figures(0.004 * 8 * kGiB, 8 * kGiB, true), "0%"},
        // Impossible figures stay within the icon's four characters.
        {figures(9 * kGiB, 8 * kGiB, true), "100%"},
        {figures(std::nan("")), "0.0K"},
        {cleaning, "42%"},
        {noText, ""},
        {figures(0, 0), ""}};
    for (const auto& [image, expected] : cases) {
        EXPECT_EQ(shortFigure(image), expected) << expected;
    }
}

TEST(TrayIconArtTest, HostIsToldByTheWatchersProgram) {
    const std::pair<const char*, TrayHost> cases[] = {
        {"/usr/bin/gnome-shell", TrayHost::Label},
        {"/usr/libexec/ayatana-indicator-application/ayatana-indicator-application-service",
         TrayHost::Label},
        {"kded5", TrayHost::ColorScheme},
        {"/usr/bin/plasmashell", TrayHost::ColorScheme},
        {"waybar", TrayHost::IconOnlySmall},
        {"lxqt-panel", TrayHost::IconOnly},
        {"/usr/bin/python3", TrayHost::IconOnly},
        {"", TrayHost::XEmbed}};
    for (const auto& [program, host] : cases) {
        EXPECT_EQ(trayHostForWatcher(program), host) << program;
    }

    // What each host gets: GNOME a 16-pixel symbolic module beside its label; the others the
    // figure drawn in at 22 pixels; nobody an icon without ink.
    const StatusImage half = figures(2 * kGiB, 4 * kGiB);
    StatusImage lowNoBar = half;
    lowNoBar.isLow = true;
    lowNoBar.showsBar = false;
    StatusImage lowNothing = lowNoBar;
    lowNothing.showsText = false;
    const TrayIcon gnome = trayIconFor({TrayHost::Label, half});
    EXPECT_EQ(gnome, icon(16, IconStyle::Symbolic, "", true, 6, false));
    EXPECT_EQ(trayIconName(gnome), "headroom-16-bar6-symbolic");
    EXPECT_EQ(trayIconFor({TrayHost::ColorScheme, half}),
              icon(22, IconStyle::ColorScheme, "2.0G", true, 9, false));
    EXPECT_EQ(trayIconFor({TrayHost::IconOnly, lowNoBar}),
              icon(22, IconStyle::Plate, "2.0G", false, 0, true));
    // waybar draws its tray at 16 pixels: the small font, inside a one-pixel rim.
    EXPECT_EQ(trayIconFor({TrayHost::IconOnlySmall, figures(512 * kMiB, kGiB)}),
              icon(16, IconStyle::Plate, "512M", true, 5, false));
    // Bar icon and text both off, or no figures yet: the module stands in.
    EXPECT_EQ(trayIconFor({TrayHost::Label, lowNothing}),
              icon(16, IconStyle::Symbolic, "", true, 0, true));
    EXPECT_EQ(trayIconFor({TrayHost::XEmbed, StatusImage{0, 0, false, false, false, true, {}}}),
              icon(22, IconStyle::Plate, "", true, 0, false));
}

TEST(TrayIconArtTest, IconsAreCrispAndFillTheirCanvas) {
    const TrayIcon icons[] = {
        icon(16, IconStyle::Symbolic, "", true, 0, false),
        icon(16, IconStyle::Symbolic, "", true, 12, true),
        icon(22, IconStyle::ColorScheme, "", true, 18, false),
        icon(22, IconStyle::ColorScheme, "100%", true, 18, false),
        icon(22, IconStyle::ColorScheme, "2.0G", false, 0, false),
    };
    for (const TrayIcon& each : icons) {
        SCOPED_TRACE(trayIconSvg(each));
        const auto image = render(trayIconSvg(each));
        ASSERT_TRUE(image);
        ASSERT_EQ(gdk_pixbuf_get_width(image.get()), each.size);
        ASSERT_EQ(gdk_pixbuf_get_height(image.get()), each.size);
        int left = each.size, right = -1, top = each.size, bottom = -1;
        for (int y = 0; y < each.size; ++y) {
            for (int x = 0; x < each.size; ++x) {
                const int a = channel(image.get(), x, y, 3);
                ASSERT_TRUE(a == 0 || a == 255) << "a partly covered pixel at " << x << "," << y;
                if (a == 255) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
            }
        }
        // The figure alone is only as wide as its text; everything else spans the canvas.
        // ("2.0G" is 16 pixels wide, centred.)
        EXPECT_EQ(left, each.figure.empty() || each.bar ? 0 : 3);
        EXPECT_EQ(right, each.figure.empty() || each.bar ? each.size - 1 : 18);
        if (each.figure.empty()) {
            EXPECT_EQ(top, 0);
            EXPECT_EQ(bottom, each.size - 1);
        }
    }

    // The bar grows from the left, one pixel per twelfth of the memory at 16 pixels.
    const auto half =
        render(trayIconSvg(trayIconFor({TrayHost::Label, figures(2 * kGiB, 4 * kGiB)})));
    const std::pair<int, int> alphaAt[] = {{2, 255}, {7, 255}, {8, 0}, {14, 0}, {15, 255}};
    for (const auto& [x, alpha] : alphaAt) {
        EXPECT_EQ(channel(half.get(), x, 8, 3), alpha) << x;  // 15: the frame's right side
    }
}

TEST(TrayIconArtTest, IconsStandOutOnEveryPanel) {
    // Panel colours: Breeze Light and Breeze Dark (Plasma 5.27), GNOME 43's top bar, waybar's
    // default bar (rgba(43, 48, 59, 0.5) over sway's black) and a white and a black tray.
    const Rgb breezeLight{0xef, 0xf0, 0xf1};
    const Rgb breezeDark{0x31, 0x36, 0x3b};
    const Rgb gnomeBar{0x23, 0x23, 0x23};
    const Rgb waybar{0x16, 0x18, 0x1e};
    const Rgb white{0xff, 0xff, 0xff};
    const Rgb black{0x00, 0x00, 0x00};
    const TrayIcon scheme = icon(22, IconStyle::ColorScheme, "2.0G", true, 9, false);
    EXPECT_GE(leastContrast(schemed(trayIconSvg(scheme), "#232629"), breezeLight), 4.5);
    EXPECT_GE(leastContrast(schemed(trayIconSvg(scheme), "#fcfcfc"), breezeDark), 4.5);
    for (const bool red : {false, true}) {
        SCOPED_TRACE(red);
        for (const Rgb panel : {breezeLight, breezeDark, waybar, white, black}) {
            for (const int size : {16, 22}) {
                EXPECT_GE(
                    leastContrast(trayIconSvg(icon(size, IconStyle::Plate, "512M", true, 7, red)),
                                  panel, hex(red ? kPlateRed : kPlateDark)),
                    4.5);
            }
        }
        // Plasma's red icon keeps its colour on a plate of its own.
        const std::string redScheme =
            trayIconSvg(icon(22, IconStyle::ColorScheme, "512M", true, 7, true));
        EXPECT_EQ(redScheme.find("ColorScheme-Text"), std::string::npos);
        EXPECT_NE(redScheme.find(kPlateRed), std::string::npos);
    }
    // GNOME paints the symbolic grey in its text colour (white on the top bar); the red
    // variant is not symbolic and stays red.
    const std::string grey = trayIconSvg(icon(16, IconStyle::Symbolic, "", true, 6, false));
    EXPECT_NE(grey.find(kSymbolicGrey), std::string::npos);
    std::string painted = grey;
    painted.replace(painted.find(kSymbolicGrey), kSymbolicGrey.size(), "#ffffff");
    EXPECT_GE(leastContrast(painted, gnomeBar), 4.5);
    const TrayIcon low = icon(16, IconStyle::Symbolic, "", true, 6, true);
    EXPECT_FALSE(trayIconName(low).ends_with("-symbolic"));
    EXPECT_GE(leastContrast(trayIconSvg(low), gnomeBar), 4.5);
}

TEST(TrayIconArtTest, NamesStayFewOverARunOfChangingFigures) {
    // Free memory from none to all of 8 GiB in 29 MiB steps, as an amount and as a
    // percentage, with the bar icon on and off, grey and red: what refreshes ask for.
    for (const TrayHost host : {TrayHost::Label, TrayHost::ColorScheme, TrayHost::IconOnly,
                                TrayHost::IconOnlySmall, TrayHost::XEmbed}) {
        SCOPED_TRACE(static_cast<int>(host));
        std::set<std::string> names;
        std::set<std::string> pictures;
        for (int mib = 0; mib <= 8192; mib += 29) {
            for (const int shown : {0, 1, 2, 3, 4, 5, 6, 7}) {  // share, bar, text
                for (const bool red : {false, true}) {
                    const TrayIcon each =
                        trayIconFor({host,
                                     {mib * kMiB, 8192 * kMiB, (shown & 1) != 0, red,
                                      (shown & 2) != 0, (shown & 4) != 0, std::nullopt}});
                    names.insert(trayIconName(each));
                    pictures.insert(trayIconSvg(each));
                }
            }
        }
        // One name per whole-pixel bar length (or none) and colour: on GNOME the module
        // alone, elsewhere the figures drawn under a name are written to its file in turn.
        const TrayIcon sample = trayIconFor({host, figures(2 * kGiB, 4 * kGiB)});
        EXPECT_LE(names.size(), static_cast<std::size_t>(2 * (barCapacity(sample) + 2)));
        EXPECT_EQ(pictures.size() > names.size(), host != TrayHost::Label);
    }
    EXPECT_EQ(barPixelsOf(std::nanf(""), 12), 0);
    EXPECT_EQ(barPixelsOf(50.0f, 12), 12);
}

TEST(TrayIconArtTest, LabelGuideIsTheWidestTextOfTheFiguresForm) {
    StatusImage cleaning = figures(kGiB);
    cleaning.cleanProgress = 7;
    StatusImage noText = figures(kGiB);
    noText.showsText = false;
    const std::pair<StatusImage, const char*> cases[] = {{figures(2 * kGiB), "8888.88 MB"},
                                                         {figures(512 * kKiB), "8888.88 MB"},
                                                         {figures(kGiB, 8 * kGiB, true), "100.00%"},
                                                         {cleaning, "100%"},
                                                         {noText, ""}};
    for (const auto& [image, guide] : cases) {
        EXPECT_EQ(labelGuide(image), guide) << guide;
    }
}

}  // namespace
}  // namespace headroom

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
#include <vector>

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

TrayIcon icon(int size, IconStyle style, std::string figure, bool bar, int pixels, bool red,
              PanelLook panel = {}) {
    return TrayIcon{size, style, std::move(figure), bar, pixels, red, false, std::move(panel)};
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
         TrayHost::IndicatorService},
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
    const TrayIcon gnome = trayIconFor({TrayHost::Label, half, {}});
    EXPECT_EQ(gnome, icon(16, IconStyle::Symbolic, "", true, 6, false));
    EXPECT_EQ(trayIconName(gnome), "headroom-16-bar6-symbolic");
    // Xfce's indicator plugin draws at 22 pixels: no scaling.
    EXPECT_EQ(trayIconFor({TrayHost::IndicatorService, half, {}}),
              icon(22, IconStyle::Symbolic, "", true, 9, false));
    EXPECT_EQ(trayIconFor({TrayHost::ColorScheme, half, {}}),
              icon(22, IconStyle::Ink, "2.0G", true, 9, false));
    EXPECT_EQ(trayIconFor({TrayHost::IconOnly, lowNoBar, {}}),
              icon(22, IconStyle::Plate, "2.0G", false, 0, true));
    // waybar draws its tray at 16 pixels: the small font, inside a one-pixel rim.
    EXPECT_EQ(trayIconFor({TrayHost::IconOnlySmall, figures(512 * kMiB, kGiB), {}}),
              icon(16, IconStyle::Plate, "512M", true, 5, false));
    // Bar icon and text both off, or no figures yet: the module stands in.
    EXPECT_EQ(trayIconFor({TrayHost::Label, lowNothing, {}}),
              icon(16, IconStyle::Symbolic, "", true, 0, true));
    EXPECT_EQ(trayIconFor({TrayHost::XEmbed, StatusImage{0, 0, false, false, false, true, {}}, {}}),
              icon(22, IconStyle::Plate, "", true, 0, false));
    // A clean shows the module with its progress, never a figure, on every host.
    StatusImage cleaning = half;
    cleaning.cleanProgress = 85;
    for (const TrayHost host : {TrayHost::Label, TrayHost::ColorScheme, TrayHost::IconOnly}) {
        const TrayIcon clean = trayIconFor({host, cleaning, {}});
        EXPECT_TRUE(clean.figure.empty() && clean.bar && clean.cleaning);
        EXPECT_EQ(clean.barPixels, 85 * barCapacity(clean) / 100);
        EXPECT_NE(trayIconName(clean).find("-clean"), std::string::npos);
    }
}

TEST(TrayIconArtTest, PanelColoursAreReadFromKdeFiles) {
    const std::pair<const char*, const char*> cases[] = {
        {"[Colors:Window]\nForegroundNormal=252,252,252\n", "#fcfcfc"},
        {"[General]\nForegroundNormal=1,2,3\n[Colors:Window]\r\nBackgroundNormal=42,46,50\r\n"
         "ForegroundNormal=35,38,41\r\n",
         "#232629"},
        {"[Colors:Window]\nForegroundNormalX=1,2,3\n[Colors:View]\nForegroundNormal=1,2,3\n", ""},
        {"[Colors:Window]\nForegroundNormal=252,252\n", ""},
        {"[Colors:Window]\nForegroundNormal=256,0,0\n", ""},
        {"[Colors:Window]\nForegroundNormal=1,2,3,4\n", ""},
        {"[Colors:Window]\nForegroundNormal=-1,2,3\n", ""},
        {"", ""}};
    for (const auto& [file, colour] : cases) {
        EXPECT_EQ(kdeTextColour(file), colour) << file;
    }
    EXPECT_TRUE(isLightColour("#fcfcfc"));
    EXPECT_FALSE(isLightColour("#232629"));
    EXPECT_FALSE(isLightColour("fcfcfc"));
    // A colour that is no "#rrggbb" is never written into the icon.
    const std::string odd =
        trayIconSvg(icon(22, IconStyle::Ink, "2.0G", true, 9, false, {"\"/><script", true}));
    EXPECT_EQ(odd.find("script"), std::string::npos);
    EXPECT_NE(odd.find(PanelLook().ink), std::string::npos);
}

TEST(TrayIconArtTest, IconsAreCrispAndFillTheirCanvas) {
    // With the figure's least height: 9 pixels on 22, 7 on 16, more where no bar takes room.
    const std::pair<TrayIcon, int> icons[] = {
        {icon(16, IconStyle::Symbolic, "", true, 0, false), 0},
        {icon(16, IconStyle::Symbolic, "", true, 12, true), 0},
        {icon(22, IconStyle::Ink, "", true, 18, false), 0},
        {icon(22, IconStyle::Ink, "100%", true, 18, false), 9},
        {icon(22, IconStyle::Ink, "2.0G", false, 0, false), 14},
        {icon(22, IconStyle::Plate, "512M", true, 3, false), 9},
        {icon(16, IconStyle::Plate, "512M", true, 3, true), 7},
        {icon(16, IconStyle::Plate, "2.0G", false, 0, false), 10},
    };
    for (const auto& [each, figureHeight] : icons) {
        SCOPED_TRACE(trayIconSvg(each));
        const auto image = render(trayIconSvg(each));
        ASSERT_TRUE(image);
        ASSERT_EQ(gdk_pixbuf_get_width(image.get()), each.size);
        ASSERT_EQ(gdk_pixbuf_get_height(image.get()), each.size);
        const int inset = each.style == IconStyle::Plate || each.red ? (each.size > 16 ? 2 : 1) : 0;
        auto isInk = [&](int x, int y) {
            if (channel(image.get(), x, y, 3) != 255) {
                return false;
            }
            for (int c = 0; c < 3 && inset > 0; ++c) {
                if (channel(image.get(), x, y, c) != channel(image.get(), each.size / 2, 0, c)) {
                    return true;
                }
            }
            return inset == 0;
        };
        int left = each.size, right = -1, top = each.size, bottom = -1, frameTop = each.size;
        int figureRows = 0;
        for (int y = 0; y < each.size; ++y) {
            int inkInRow = 0;
            for (int x = 0; x < each.size; ++x) {
                // Only the plate's rounded corners may be partly covered.
                const int a = channel(image.get(), x, y, 3);
                const bool rim = std::min({x, y, each.size - 1 - x, each.size - 1 - y}) < inset;
                ASSERT_TRUE(a == 0 || a == 255 || rim) << "partly covered at " << x << "," << y;
                if (isInk(x, y)) {
                    ++inkInRow;
                    left = std::min(left, x);
                    right = std::max(right, x);
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
            }
            if (inkInRow == each.size - 2 * inset && frameTop == each.size) {
                frameTop = y;  // the bar's frame spans the icon
            }
            figureRows += inkInRow > 0 && y < frameTop ? 1 : 0;
        }
        if (each.figure.empty()) {
            // The module spans the canvas inside the plate's rim.
            EXPECT_EQ(std::vector({left, top, right, bottom}),
                      std::vector({inset, inset, each.size - 1 - inset, each.size - 1 - inset}));
        } else {
            EXPECT_EQ(figureRows, figureHeight);
        }
    }

    // The bar grows from the left, one pixel per twelfth of the memory at 16 pixels.
    const auto half =
        render(trayIconSvg(trayIconFor({TrayHost::Label, figures(2 * kGiB, 4 * kGiB), {}})));
    const std::pair<int, int> alphaAt[] = {{2, 255}, {7, 255}, {8, 0}, {14, 0}, {15, 255}};
    for (const auto& [x, alpha] : alphaAt) {
        EXPECT_EQ(channel(half.get(), x, 8, 3), alpha) << x;  // 15: the frame's right side
    }
}

TEST(TrayIconArtTest, IconsStandOutOnEveryPanel) {
    // Panel colours: Breeze Light (opaque, and translucent over black), Xfce's light panel,
    // white; Breeze Dark (Plasma 5.27), black, waybar's default bar (as sway shows it),
    // tint2's dark one.
    const Rgb light[] = {
        {0xef, 0xf0, 0xf1}, {0xcb, 0xcb, 0xcc}, {0xf6, 0xf5, 0xf4}, {0xff, 0xff, 0xff}};
    const Rgb dark[] = {
        {0x24, 0x27, 0x2a}, {0x00, 0x00, 0x00}, {0x34, 0x37, 0x3c}, {0x22, 0x22, 0x22}};
    const PanelLook breezeLight;
    const PanelLook breezeDark{"#fcfcfc", true};
    EXPECT_GE(
        leastContrast(trayIconSvg(icon(22, IconStyle::Ink, "2.0G", true, 9, false, breezeLight)),
                      light[0]),
        4.5);
    EXPECT_GE(
        leastContrast(trayIconSvg(icon(22, IconStyle::Ink, "2.0G", true, 9, false, breezeDark)),
                      dark[0]),
        4.5);
    for (const bool isDark : {false, true}) {
        for (const Rgb panel : isDark ? std::vector<Rgb>(std::begin(dark), std::end(dark))
                                      : std::vector<Rgb>(std::begin(light), std::end(light))) {
            SCOPED_TRACE(testing::Message() << panel.r << "," << panel.g << "," << panel.b);
            // The plate icon stands out on any panel; the red plate on the panel it is for,
            // and its ink on it, whatever the style.
            for (const int size : {16, 22}) {
                EXPECT_GE(
                    leastContrast(trayIconSvg(icon(size, IconStyle::Plate, "512M", true, 7, false)),
                                  panel, hex(kPlateDark)),
                    4.5);
                const std::string_view red = isDark ? kRedOnDark : kRedOnLight;
                for (const IconStyle style :
                     {IconStyle::Symbolic, IconStyle::Ink, IconStyle::Plate}) {
                    const std::string svg =
                        trayIconSvg(icon(size, style, "512M", true, 7, true, {"#fcfcfc", isDark}));
                    ASSERT_NE(svg.find(red), std::string::npos);
                    const Rgb plate = hex(red);
                    EXPECT_GE(contrast(luminance(plate.r, plate.g, plate.b),
                                       luminance(panel.r, panel.g, panel.b)),
                              4.5);
                    EXPECT_GE(leastContrast(svg, panel, plate), 4.5);
                }
            }
        }
    }
    // GNOME paints the symbolic grey in its text colour (white on the top bar).
    const std::string grey = trayIconSvg(icon(16, IconStyle::Symbolic, "", true, 6, false));
    EXPECT_NE(grey.find(kSymbolicGrey), std::string::npos);
    std::string painted = grey;
    painted.replace(painted.find(kSymbolicGrey), kSymbolicGrey.size(), "#ffffff");
    EXPECT_GE(leastContrast(painted, dark[0]), 4.5);
    EXPECT_FALSE(
        trayIconName(icon(16, IconStyle::Symbolic, "", true, 6, true)).ends_with("-symbolic"));
}

TEST(TrayIconArtTest, NamesStayFewOverARunOfChangingFigures) {
    // Free memory from none to all of 8 GiB in 29 MiB steps, as an amount and as a
    // percentage, with the bar icon on and off, grey and red: what refreshes ask for.
    for (const TrayHost host : {TrayHost::Label, TrayHost::IndicatorService, TrayHost::ColorScheme,
                                TrayHost::IconOnly, TrayHost::IconOnlySmall, TrayHost::XEmbed}) {
        SCOPED_TRACE(static_cast<int>(host));
        std::set<std::string> names;
        std::set<std::string> pictures;
        for (int mib = 0; mib <= 8192; mib += 29) {
            for (const int shown : {0, 1, 2, 3, 4, 5, 6, 7}) {  // share, bar, text
                for (const bool red : {false, true}) {
                    const TrayIcon each =
                        trayIconFor({host,
                                     {mib * kMiB, 8192 * kMiB, (shown & 1) != 0, red,
                                      (shown & 2) != 0, (shown & 4) != 0, std::nullopt},
                                     {}});
                    names.insert(trayIconName(each));
                    pictures.insert(trayIconSvg(each));
                }
            }
        }
        // One name per whole-pixel bar length (or none) and colour: on GNOME the module
        // alone, elsewhere the figures drawn under a name are written to its file in turn.
        const TrayIcon sample = trayIconFor({host, figures(2 * kGiB, 4 * kGiB), {}});
        EXPECT_LE(names.size(), static_cast<std::size_t>(2 * (barCapacity(sample) + 2)));
        EXPECT_EQ(pictures.size() > names.size(),
                  host != TrayHost::Label && host != TrayHost::IndicatorService);
        // A host that prefers symbolic icons looks a red name up as "<shorter form>-symbolic"
        // first: none of those may name another icon.
        for (const std::string& name : names) {
            for (std::size_t dash = name.find('-');
                 dash != std::string::npos && name.find("red") != std::string::npos;
                 dash = name.find('-', dash + 1)) {
                EXPECT_EQ(names.count(name.substr(0, dash) + "-symbolic"), 0u) << name;
            }
        }
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

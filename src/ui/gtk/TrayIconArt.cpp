#include "ui/gtk/TrayIconArt.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <vector>

namespace headroom {

namespace {

/// The bar's full width in points, as the status item computes it (at single precision).
constexpr float kBarPoints = 11.4f;

/// Pixel fonts for the figure ('#' inked): 4 × 7 for 22-pixel icons, 3 × 5 for 16-pixel ones;
/// the dot is one pixel wide.
struct Glyph {
    char c;
    std::array<std::string_view, 7> rows;
};
constexpr std::array<Glyph, 17> kSmallGlyphs{{
    {'0', {"###", "#.#", "#.#", "#.#", "###"}},
    {'1', {".#", "##", ".#", ".#", ".#"}},
    {'2', {"###", "..#", "###", "#..", "###"}},
    {'3', {"###", "..#", ".##", "..#", "###"}},
    {'4', {"#.#", "#.#", "###", "..#", "..#"}},
    {'5', {"###", "#..", "###", "..#", "###"}},
    {'6', {"###", "#..", "###", "#.#", "###"}},
    {'7', {"###", "..#", "..#", ".#.", ".#."}},
    {'8', {"###", "#.#", "###", "#.#", "###"}},
    {'9', {"###", "#.#", "###", "..#", "###"}},
    {'.', {".", ".", ".", ".", "#"}},
    {'%', {"#.#", "..#", ".#.", "#..", "#.#"}},
    {'K', {"#.#", "#.#", "##.", "#.#", "#.#"}},
    {'M', {"#.#", "###", "###", "#.#", "#.#"}},
    {'G', {"###", "#..", "#.#", "#.#", "###"}},
    {'T', {"###", ".#.", ".#.", ".#.", ".#."}},
    {' ', {"", "", "", "", ""}},
}};
constexpr std::array<Glyph, 17> kGlyphs{{
    {'0', {".##.", "#..#", "#..#", "#..#", "#..#", "#..#", ".##."}},
    {'1', {"..#.", ".##.", "..#.", "..#.", "..#.", "..#.", ".###"}},
    {'2', {".##.", "#..#", "...#", "..#.", ".#..", "#...", "####"}},
    {'3', {"###.", "...#", "...#", ".##.", "...#", "...#", "###."}},
    {'4', {"..#.", ".##.", "#.#.", "#.#.", "####", "..#.", "..#."}},
    {'5', {"####", "#...", "###.", "...#", "...#", "#..#", ".##."}},
    {'6', {".##.", "#...", "#...", "###.", "#..#", "#..#", ".##."}},
    {'7', {"####", "...#", "..#.", "..#.", ".#..", ".#..", ".#.."}},
    {'8', {".##.", "#..#", "#..#", ".##.", "#..#", "#..#", ".##."}},
    {'9', {".##.", "#..#", "#..#", ".###", "...#", "...#", ".##."}},
    {'.', {".", ".", ".", ".", ".", ".", "#"}},
    {'%', {"##.#", "##.#", "..#.", "..#.", ".#..", "#.##", "#.##"}},
    {'K', {"#..#", "#.#.", "##..", "##..", "#.#.", "#..#", "#..#"}},
    {'M', {"#..#", "####", "####", "#..#", "#..#", "#..#", "#..#"}},
    {'G', {".##.", "#..#", "#...", "#.##", "#..#", "#..#", ".###"}},
    {'T', {"####", ".#..", ".#..", ".#..", ".#..", ".#..", ".#.."}},
    {' ', {"", "", "", "", "", "", ""}},
}};

using Font = std::array<Glyph, 17>;

const Font& fontFor(int size) {
    return size >= 20 ? kGlyphs : kSmallGlyphs;
}
int glyphHeight(int size) {
    return size >= 20 ? 7 : 5;
}

const Glyph* glyphOf(const Font& font, char c) {
    const auto found =
        std::find_if(font.begin(), font.end(), [c](const Glyph& g) { return g.c == c; });
    return found == font.end() ? nullptr : &*found;
}

/// `gap` pixels between characters, none before the unit when `tightUnit`.
int textWidth(const Font& font, std::string_view text, bool tightUnit) {
    int width = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (const Glyph* glyph = glyphOf(font, text[at])) {
            const bool gap = width > 0 && !(tightUnit && at + 1 == text.size());
            width += static_cast<int>(glyph->rows[0].size()) + (gap ? 1 : 0);
        }
    }
    return width;
}

/// Whole-pixel rectangles, written as one path.
class Pixels {
  public:
    void rect(int x, int y, int width, int height) {
        if (width > 0 && height > 0) {
            // Appended piece by piece: a chain of `+` on short literals sets off GCC 12's
            // false -Wrestrict at -O2.
            for (const auto& [command, value] :
                 {std::pair{'M', x}, std::pair{' ', y}, std::pair{'h', width},
                  std::pair{'v', height}, std::pair{'h', -width}}) {
                path_.push_back(command);
                path_.append(std::to_string(value));
            }
            path_.push_back('z');
        }
    }
    /// A one-pixel frame around the rectangle.
    void frame(int x, int y, int width, int height) {
        rect(x, y, width, 1);
        rect(x, y + height - 1, width, 1);
        rect(x, y + 1, 1, height - 2);
        rect(x + width - 1, y + 1, 1, height - 2);
    }
    void text(const Font& font, int height, int x, int y, std::string_view text, bool tightUnit) {
        for (std::size_t index = 0; index < text.size(); ++index) {
            const Glyph* glyph = glyphOf(font, text[index]);
            if (glyph == nullptr) {
                continue;
            }
            if (tightUnit && index + 1 == text.size()) {
                --x;
            }
            for (int row = 0; row < height; ++row) {
                const std::string_view line = glyph->rows[static_cast<std::size_t>(row)];
                // Runs of ink along the row, one rectangle each.
                for (std::size_t at = 0; at < line.size();) {
                    if (line[at] != '#') {
                        ++at;
                        continue;
                    }
                    std::size_t end = at;
                    while (end < line.size() && line[end] == '#') {
                        ++end;
                    }
                    rect(x + static_cast<int>(at), y + row, static_cast<int>(end - at), 1);
                    at = end;
                }
            }
            x += static_cast<int>(glyph->rows[0].size()) + 1;
        }
    }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

/// The inset of the drawing from the canvas edge: the plate keeps a rim around it.
bool onPlate(const TrayIcon& icon) {
    return icon.style == IconStyle::Plate || (icon.style == IconStyle::ColorScheme && icon.red);
}
int insetOf(const TrayIcon& icon) {
    return onPlate(icon) ? (icon.size >= 20 ? 2 : 1) : 0;
}

/// Frame height of the slim bar under a figure.
int slimFrameHeight(int side) {
    return side >= 20 ? 9 : side >= 18 ? 8 : 6;
}

/// The memory module: contacts above and below a framed bar, `side` pixels square at (x0, y0).
void drawModule(Pixels& ink, int x0, int y0, int side, int barPixels) {
    const int pin = side >= 20 ? 4 : 3;
    const int spacing = side >= 20 ? 6 : 4;
    const int centre = side / 2 - 1;
    for (const int x : {centre - spacing, centre, centre + spacing}) {
        ink.rect(x0 + x, y0, 2, pin);
        ink.rect(x0 + x, y0 + side - pin, 2, pin);
    }
    ink.frame(x0, y0 + pin, side, side - 2 * pin);
    ink.rect(x0 + 2, y0 + pin + 2, barPixels, side - 2 * pin - 4);
}

std::string fixed(double value, int decimals) {
    std::array<char, 32> buffer{};
    auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, decimals);
    return error == std::errc{} ? std::string(buffer.data(), end) : std::string();
}

/// An amount in `unit` (K, M, G, T) in at most four characters.
std::string shortAmount(double value, std::size_t unit) {
    static constexpr std::string_view kUnits = "KMGT";
    // 999.5 and up would print as four digits: say it in the next unit.
    while (value >= 999.5 && unit + 1 < kUnits.size()) {
        value /= 1024.0;
        ++unit;
    }
    if (value >= 999.5) {
        return {};
    }
    // Rounded here, half away from zero: to_chars would round the binary value (3.25 to 3.2).
    const std::string digits =
        value >= 9.95 ? fixed(std::round(value), 0) : fixed(std::round(value * 10.0) / 10.0, 1);
    return digits + kUnits[unit];
}

}  // namespace

TrayHost trayHostForWatcher(std::string_view program) {
    if (program.empty()) {
        return TrayHost::XEmbed;
    }
    const std::size_t slash = program.rfind('/');
    const std::string_view name =
        slash == std::string_view::npos ? program : program.substr(slash + 1);
    if (name == "gnome-shell" || name.starts_with("ayatana-indicator-application") ||
        name.starts_with("indicator-application")) {
        return TrayHost::Label;
    }
    if (name == "kded5" || name == "kded6" || name == "plasmashell") {
        return TrayHost::ColorScheme;
    }
    if (name == "waybar") {
        return TrayHost::IconOnlySmall;
    }
    return TrayHost::IconOnly;
}

int barPixelsOf(float barWidth, int capacity) {
    if (!(barWidth > 0.0f)) {
        return 0;
    }
    const double share = std::min(1.0, static_cast<double>(barWidth) / kBarPoints);
    // The width comes at single precision: a share of exactly a half pixel must not fall
    // below it by the last bit (three quarters of 11.4 points is 8.5499997).
    return static_cast<int>(std::lround(share * capacity + 1e-5));
}

int barCapacity(const TrayIcon& icon) {
    // Two pixels of air on each side inside the frame.
    return icon.size - 2 * insetOf(icon) - 4;
}

TrayIcon trayIconFor(const TrayIconRequest& request) {
    TrayIcon icon;
    // GNOME fits item icons into a 16-pixel box; waybar draws its tray at 16 pixels.
    const TrayHost host = request.host;
    icon.size = host == TrayHost::Label || host == TrayHost::IconOnlySmall ? 16 : 22;
    icon.style = host == TrayHost::Label         ? IconStyle::Symbolic
                 : host == TrayHost::ColorScheme ? IconStyle::ColorScheme
                                                 : IconStyle::Plate;
    icon.red = request.image.isLow;
    if (request.host != TrayHost::Label) {
        icon.figure = shortFigure(request.image);
    }
    // Without a figure the module stands in, so that the item never shows an empty image.
    icon.bar = request.image.showsBar || icon.figure.empty();
    if (request.image.showsBar) {
        icon.barPixels = barPixelsOf(request.image.barWidth(), barCapacity(icon));
    }
    return icon;
}

std::string shortFigure(const StatusImage& image) {
    if (image.cleanProgress) {
        return std::to_string(*image.cleanProgress) + "%";
    }
    if (!image.showsText || !(image.totalBytes > 0.0)) {
        return {};
    }
    const double free = image.freeBytes >= 0.0 ? image.freeBytes : 0.0;  // NaN: 0
    if (image.isPercentage) {
        return fixed(std::round(std::min(100.0, free * 100.0 / image.totalBytes)), 0) + "%";
    }
    // The unit the title shows the amount in: GiB, MiB, or KiB below one MiB.
    const std::size_t unit = free >= 0x1p30 ? 2 : free >= 0x1p20 ? 1 : 0;
    return shortAmount(free / std::ldexp(1.0, 10 * static_cast<int>(unit + 1)), unit);
}

std::string trayIconName(const TrayIcon& icon) {
    static constexpr std::array<std::string_view, 3> kStyles{"", "-scheme", "-plate"};
    std::string name = "headroom-" + std::to_string(icon.size);
    name += kStyles.at(static_cast<std::size_t>(icon.style));
    if (icon.bar) {
        name += "-bar" + std::to_string(icon.barPixels);
    }
    if (icon.red) {
        name += "-red";
    } else if (icon.style == IconStyle::Symbolic) {
        name += "-symbolic";
    }
    return name;
}

std::string trayIconSvg(const TrayIcon& icon) {
    const int inset = insetOf(icon);
    const int side = icon.size - 2 * inset;
    const int bar = std::clamp(icon.barPixels, 0, barCapacity(icon));
    Pixels ink;
    if (icon.figure.empty()) {
        drawModule(ink, inset, inset, side, bar);
    } else {
        const Font& font = fontFor(icon.size);
        const int height = glyphHeight(icon.size);
        // Four wide characters may reach into the plate's rim at 22 pixels, which is wide
        // enough; at 16 the unit closes up to the digits instead, so that no ink touches the
        // panel.
        const bool tight = icon.size < 20 && textWidth(font, icon.figure, false) > side;
        const int x = std::max(0, (icon.size - textWidth(font, icon.figure, tight)) / 2);
        if (icon.bar) {
            const int frame = slimFrameHeight(side);
            ink.text(font, height, x, inset + (side - frame - height) / 2, icon.figure, tight);
            const int top = inset + side - frame;
            ink.frame(inset, top, side, frame);
            ink.rect(inset + 2, top + 2, bar, frame - 4);
        } else {
            ink.text(font, height, x, inset + (side - height) / 2, icon.figure, tight);
        }
    }

    const std::string size = std::to_string(icon.size);
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + size + "\" height=\"" +
                      size + "\" viewBox=\"0 0 " + size + " " + size + "\">";
    if (!icon.figure.empty()) {
        // The figure as text too, for whoever reads the file rather than looks at it.
        svg += "<title>" + icon.figure + "</title>";
    }
    std::string paint;
    switch (icon.style) {
        case IconStyle::Symbolic:
            paint = " fill=\"" + std::string(icon.red ? kLowRed : kSymbolicGrey) + "\"";
            break;
        case IconStyle::ColorScheme:
            if (icon.red) {
                paint = " fill=\"" + std::string(kPlateInk) + "\"";
            } else {
                // Plasma rewrites this style sheet with its theme's colours.
                svg +=
                    "<style id=\"current-color-scheme\" "
                    "type=\"text/css\">.ColorScheme-Text{color:" +
                    std::string(kSchemeText) + ";}</style>";
                paint = " class=\"ColorScheme-Text\" fill=\"currentColor\"";
            }
            break;
        case IconStyle::Plate:
            paint = " fill=\"" + std::string(kPlateInk) + "\"";
            break;
    }
    // A red icon of a recolouring host and every plate icon sit on a plate of their own.
    if (onPlate(icon)) {
        svg += "<rect width=\"" + size + "\" height=\"" + size + "\" rx=\"" +
               std::string(icon.size >= 20 ? "3" : "2") + "\" fill=\"" +
               std::string(icon.red ? kPlateRed : kPlateDark) + "\"/>";
    }
    svg += "<path" + paint + " d=\"" + ink.path() + "\"/></svg>\n";
    return svg;
}

std::string labelGuide(const StatusImage& image) {
    if (image.cleanProgress) {
        return "100%";
    }
    if (!image.showsText) {
        return {};
    }
    return image.isPercentage ? "100.00%" : "8888.88 MB";
}

}  // namespace headroom

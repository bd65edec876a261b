#include "ui/gtk/TrayIconArt.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

namespace headroom {

namespace {

/// The bar's full width in points, as the status item computes it (at single precision).
constexpr float kBarPoints = 11.4f;

/// Pixel fonts for the figure ('#' inked): 4 × 7 for 22-pixel icons, 3 × 5 for 16-pixel ones,
/// drawn taller than designed (see Pixels::text); the dot is one pixel wide.
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
/// Digits 9 pixels tall on a 22-pixel icon and 7 on a 16-pixel one, so that they read at a
/// glance beside a panel's clock; twice the font's own height where no bar takes room.
int figureHeight(const TrayIcon& icon) {
    const int font = icon.size >= 20 ? 7 : 5;
    return icon.bar ? font + 2 : 2 * font;
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
    /// `text` in `font` (of `rows` rows), stretched to `height` pixels: each pixel row takes the
    /// font row its centre falls in, so that the rows doubled are spread over the glyph.
    void text(const Font& font, int rows, int height, int x, int y, std::string_view text,
              bool tightUnit) {
        for (std::size_t index = 0; index < text.size(); ++index) {
            const Glyph* glyph = glyphOf(font, text[index]);
            if (glyph == nullptr) {
                continue;
            }
            if (tightUnit && index + 1 == text.size()) {
                --x;
            }
            for (int row = 0; row < height; ++row) {
                const std::string_view line =
                    glyph->rows[static_cast<std::size_t>((2 * row + 1) * rows / (2 * height))];
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
    return icon.style == IconStyle::Plate || icon.red;
}
int insetOf(const TrayIcon& icon) {
    return onPlate(icon) ? (icon.size >= 20 ? 2 : 1) : 0;
}

/// Frame height of the slim bar under a figure: frame, air, bar, air, frame.
int slimFrameHeight(int side) {
    return side >= 20 ? 7 : side >= 18 ? 6 : 5;
}

/// A bar `width` pixels long; a clean's progress is striped, so that it is not read as memory.
void drawBar(Pixels& ink, int x, int y, int width, int height, bool striped) {
    for (int at = 0; at < width; at += striped ? 2 : width) {
        ink.rect(x + at, y, striped ? 1 : width, height);
    }
}

/// The memory module: contacts above and below a framed bar, `side` pixels square at (x0, y0).
void drawModule(Pixels& ink, int x0, int y0, int side, int barPixels, bool striped) {
    const int pin = side >= 20 ? 4 : 3;
    const int spacing = side >= 20 ? 6 : 4;
    const int centre = side / 2 - 1;
    for (const int x : {centre - spacing, centre, centre + spacing}) {
        ink.rect(x0 + x, y0, 2, pin);
        ink.rect(x0 + x, y0 + side - pin, 2, pin);
    }
    ink.frame(x0, y0 + pin, side, side - 2 * pin);
    drawBar(ink, x0 + 2, y0 + pin + 2, barPixels, side - 2 * pin - 4, striped);
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

/// The channels of "#rrggbb"; nothing for any other text.
std::optional<std::array<int, 3>> channelsOf(std::string_view colour) {
    std::array<int, 3> channels{};
    if (colour.size() != 7 || colour[0] != '#' ||
        colour.find_first_not_of("0123456789abcdefABCDEF", 1) != std::string_view::npos) {
        return std::nullopt;
    }
    for (std::size_t at = 0; at < 3; ++at) {
        std::from_chars(colour.data() + 1 + 2 * at, colour.data() + 3 + 2 * at, channels[at], 16);
    }
    return channels;
}

}  // namespace

std::optional<std::string_view> iniValue(std::string_view file, std::string_view group,
                                         std::string_view key) {
    bool inGroup = false;
    while (!file.empty()) {
        const std::size_t end = std::min(file.find('\n'), file.size());
        std::string_view line = file.substr(0, end);
        file.remove_prefix(std::min(end + 1, file.size()));
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (line.starts_with('[')) {
            inGroup = line.size() == group.size() + 2 && line.substr(1, group.size()) == group &&
                      line.back() == ']';
        } else if (inGroup && line.starts_with(key) && line.substr(key.size()).starts_with('=')) {
            return line.substr(key.size() + 1);
        }
    }
    return std::nullopt;
}

std::string kdeTextColour(std::string_view file) {
    // "r,g,b", each 0 to 255.
    const std::string value(iniValue(file, "Colors:Window", "ForegroundNormal").value_or(""));
    unsigned r = 256, g = 256, b = 256;
    int end = 0;
    std::array<char, 8> colour{};
    if (std::sscanf(value.c_str(), "%3u,%3u,%3u%n", &r, &g, &b, &end) != 3 ||
        static_cast<std::size_t>(end) != value.size() || std::max({r, g, b}) > 255) {
        return {};
    }
    std::snprintf(colour.data(), colour.size(), "#%02x%02x%02x", r, g, b);
    return colour.data();
}

bool isLightColour(std::string_view colour) {
    const auto channels = channelsOf(colour);
    if (!channels) {
        return false;
    }
    // WCAG 2 relative luminance; above 0.18 (mid grey to the eye) reads as light.
    double luminance = 0.0;
    for (const auto& [value, weight] :
         {std::pair{(*channels)[0], 0.2126}, std::pair{(*channels)[1], 0.7152},
          std::pair{(*channels)[2], 0.0722}}) {
        const double c = value / 255.0;
        luminance += weight * (c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
    }
    return luminance > 0.18;
}

TrayHost trayHostForWatcher(std::string_view program) {
    if (program.empty()) {
        return TrayHost::XEmbed;
    }
    const std::size_t slash = program.rfind('/');
    const std::string_view name =
        slash == std::string_view::npos ? program : program.substr(slash + 1);
    if (name == "gnome-shell") {
        return TrayHost::Label;
    }
    if (name.starts_with("ayatana-indicator-application") ||
        name.starts_with("indicator-application")) {
        return TrayHost::IndicatorService;
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
    const bool label = host == TrayHost::Label || host == TrayHost::IndicatorService;
    icon.size = host == TrayHost::Label || host == TrayHost::IconOnlySmall ? 16 : 22;
    icon.style = label                           ? IconStyle::Symbolic
                 : host == TrayHost::ColorScheme ? IconStyle::Ink
                                                 : IconStyle::Plate;
    icon.red = request.image.isLow;
    icon.panel = request.panel;
    icon.cleaning = request.image.cleanProgress.has_value();
    if (icon.cleaning) {
        // The module with the progress as its bar: plainly not a figure of free memory.
        icon.barPixels = static_cast<int>(std::clamp(*request.image.cleanProgress, 0, 100) *
                                          barCapacity(icon) / 100);
        return icon;
    }
    if (!label) {
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

std::string titleFigure(const StatusImage& image) {
    if (!(image.totalBytes > 0.0)) {
        return {};
    }
    const double free = image.freeBytes >= 0.0 ? image.freeBytes : 0.0;  // NaN: 0
    std::array<char, 48> text{};
    if (image.isPercentage) {
        std::snprintf(text.data(), text.size(), "%.2f%%",
                      std::min(100.0, free * 100.0 / image.totalBytes));
    } else {
        const int unit = free >= 0x1p30 ? 3 : free >= 0x1p20 ? 2 : 1;
        std::snprintf(text.data(), text.size(), "%.2f %cB", std::ldexp(free, -10 * unit),
                      "KMG"[unit - 1]);
    }
    return text.data();
}

std::string trayIconName(const TrayIcon& icon) {
    static constexpr std::array<std::string_view, 3> kStyles{"", "-ink", "-plate"};
    // The panel's colours change the picture: a new name makes every panel load it again. Red
    // names share no beginning with the symbolic ones: a host that prefers symbolic icons
    // (Xfce's indicator plugin) tries the name's shorter forms with "-symbolic" first.
    const bool dark = icon.panel.dark && (icon.red || icon.style == IconStyle::Ink);
    std::string name = icon.red ? (dark ? "headroom-red-dark-" : "headroom-red-") : "headroom-";
    name += std::to_string(icon.size);
    name += kStyles.at(static_cast<std::size_t>(icon.style));
    if (icon.bar) {
        name += (icon.cleaning ? "-clean" : "-bar") + std::to_string(icon.barPixels);
    }
    if (!icon.red) {
        name += dark ? "-dark" : icon.style == IconStyle::Symbolic ? "-symbolic" : "";
    }
    return name;
}

std::string trayIconSvg(const TrayIcon& icon) {
    const int inset = insetOf(icon);
    const int side = icon.size - 2 * inset;
    const int bar = std::clamp(icon.barPixels, 0, barCapacity(icon));
    Pixels ink;
    if (icon.figure.empty()) {
        drawModule(ink, inset, inset, side, bar, icon.cleaning);
    } else {
        const Font& font = fontFor(icon.size);
        const int rows = icon.size >= 20 ? 7 : 5;
        const int height = figureHeight(icon);
        // Four wide characters may reach into the plate's rim at 22 pixels, which is wide
        // enough; at 16 the unit closes up to the digits instead, so that no ink touches the
        // panel.
        const bool tight = icon.size < 20 && textWidth(font, icon.figure, false) > side;
        const int x = std::max(0, (icon.size - textWidth(font, icon.figure, tight)) / 2);
        const int frame = icon.bar ? slimFrameHeight(side) : 0;
        ink.text(font, rows, height, x, inset + (side - frame - height) / 2, icon.figure, tight);
        if (icon.bar) {
            const int top = inset + side - frame;
            ink.frame(inset, top, side, frame);
            drawBar(ink, inset + 2, top + 2, bar, frame - 4, false);
        }
    }

    const std::string size = std::to_string(icon.size);
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + size + "\" height=\"" +
                      size + "\" viewBox=\"0 0 " + size + " " + size + "\">";
    if (!icon.figure.empty()) {
        // The figure as text too, for whoever reads the file rather than looks at it.
        svg += "<title>" + icon.figure + "</title>";
    }
    std::string_view paint = icon.style == IconStyle::Symbolic ? kSymbolicGrey : kPlateInk;
    if (icon.red) {
        paint = icon.panel.dark ? "#000000" : kPlateInk;
    } else if (icon.style == IconStyle::Ink) {
        static const PanelLook breeze;
        paint = channelsOf(icon.panel.ink) ? icon.panel.ink : breeze.ink;
    }
    if (onPlate(icon)) {
        const std::string_view plate = !icon.red         ? kPlateDark
                                       : icon.panel.dark ? kRedOnDark
                                                         : kRedOnLight;
        svg += "<rect width=\"" + size + "\" height=\"" + size + "\" rx=\"" +
               std::string(icon.size >= 20 ? "3" : "2") + "\" fill=\"" + std::string(plate) +
               "\"/>";
    }
    svg += "<path fill=\"" + std::string(paint) + "\" d=\"" + ink.path() + "\"/></svg>\n";
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

#include "ui/gtk/StatusIconArt.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace headroom {

namespace {

/// Where the outline and the bar go, in the drawing's own terms: points with the origin at the
/// bottom-left corner of the canvas.
constexpr IconRect kOutlineFromBottom{0.0, 1.0, 17.0, 17.0};
constexpr double kBarX = 2.8;
constexpr double kBarY = 6.8;
constexpr double kBarHeight = 5.4;

IconRect fromBottomLeft(IconRect rect) {
    rect.y = kIconCanvasHeight - rect.y - rect.height;
    return rect;
}

/// A number for an SVG attribute: fixed notation in the C locale (never "2,80"), trailing
/// zeros dropped.
std::string number(double value, int decimals) {
    std::array<char, 64> buffer{};
    auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, decimals);
    if (error != std::errc{}) {
        return "0";
    }
    std::string text(buffer.data(), end);
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0') {
            text.pop_back();
        }
        if (text.back() == '.') {
            text.pop_back();
        }
    }
    return text == "-0" ? "0" : text;
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

/// Parses a number at the start of `text` and moves past it; nothing when there is none.
std::optional<double> takeNumber(std::string_view& text) {
    while (!text.empty() && (isSpace(text.front()) || text.front() == ',')) {
        text.remove_prefix(1);
    }
    double value = 0.0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || !std::isfinite(value)) {
        return std::nullopt;
    }
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return value;
}

/// The value of attribute `name` in a start tag's attribute text.
std::optional<std::string_view> attribute(std::string_view attributes, std::string_view name) {
    for (std::size_t at = attributes.find(name); at != std::string_view::npos;
         at = attributes.find(name, at + 1)) {
        if (at == 0 || !isSpace(attributes[at - 1])) {
            continue;
        }
        std::size_t cursor = at + name.size();
        while (cursor < attributes.size() && isSpace(attributes[cursor])) {
            ++cursor;
        }
        if (cursor >= attributes.size() || attributes[cursor] != '=') {
            continue;
        }
        ++cursor;
        while (cursor < attributes.size() && isSpace(attributes[cursor])) {
            ++cursor;
        }
        if (cursor >= attributes.size() ||
            (attributes[cursor] != '"' && attributes[cursor] != '\'')) {
            return std::nullopt;
        }
        const char quote = attributes[cursor];
        const std::size_t close = attributes.find(quote, cursor + 1);
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        return attributes.substr(cursor + 1, close - cursor - 1);
    }
    return std::nullopt;
}

/// A length attribute in user units: a number, optionally followed by "px".
std::optional<double> length(std::optional<std::string_view> text) {
    if (!text) {
        return std::nullopt;
    }
    auto value = takeNumber(*text);
    if (!value || !(text->empty() || *text == "px")) {
        return std::nullopt;
    }
    return value;
}

/// Skips the prolog (XML declaration, comments, doctype) up to the root element.
std::size_t rootStart(std::string_view document) {
    std::size_t cursor = 0;
    while (true) {
        while (cursor < document.size() && isSpace(document[cursor])) {
            ++cursor;
        }
        const std::string_view rest = document.substr(cursor);
        std::string_view closing;
        if (rest.starts_with("<?")) {
            closing = "?>";
        } else if (rest.starts_with("<!--")) {
            closing = "-->";
        } else if (rest.starts_with("<!")) {
            closing = ">";
        } else {
            return cursor;
        }
        const std::size_t end = document.find(closing, cursor + 2);
        if (end == std::string_view::npos) {
            return std::string_view::npos;
        }
        cursor = end + closing.size();
    }
}

std::string svgOpen(double width, double height, std::string_view viewBox,
                    std::string_view colour) {
    std::string text = R"(<svg xmlns="http://www.w3.org/2000/svg" width=")";
    text += number(width, 3);
    text += R"(" height=")";
    text += number(height, 3);
    text += R"(" viewBox=")";
    text += viewBox;
    text += R"(" color=")";
    text += colour;
    // Shapes without a fill of their own take the colour.
    text += R"(" fill="currentColor">)";
    return text;
}

bool allDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::optional<SvgArtwork> parseSvgArtwork(std::string_view document) {
    const std::size_t start = rootStart(document);
    if (start == std::string_view::npos || !document.substr(start).starts_with("<svg") ||
        start + 4 >= document.size()) {
        return std::nullopt;
    }
    const char after = document[start + 4];
    if (!isSpace(after) && after != '>' && after != '/') {
        return std::nullopt;
    }
    const std::size_t tagEnd = document.find('>', start);
    if (tagEnd == std::string_view::npos) {
        return std::nullopt;
    }
    const bool selfClosing = document[tagEnd - 1] == '/';
    // A leading space lets the attribute search treat the first attribute like the others.
    const std::string attributes =
        " " + std::string(document.substr(start + 4, tagEnd - start - 4 - (selfClosing ? 1 : 0)));

    SvgArtwork artwork;
    if (auto box = attribute(attributes, "viewBox")) {
        std::string_view numbers = *box;
        auto x = takeNumber(numbers);
        auto y = takeNumber(numbers);
        auto w = takeNumber(numbers);
        auto h = takeNumber(numbers);
        if (!x || !y || !w || !h) {
            return std::nullopt;
        }
        artwork.viewX = *x;
        artwork.viewY = *y;
        artwork.viewWidth = *w;
        artwork.viewHeight = *h;
    } else {
        auto w = length(attribute(attributes, "width"));
        auto h = length(attribute(attributes, "height"));
        if (!w || !h) {
            return std::nullopt;
        }
        artwork.viewWidth = *w;
        artwork.viewHeight = *h;
    }
    if (!(artwork.viewWidth > 0.0) || !(artwork.viewHeight > 0.0)) {
        return std::nullopt;
    }
    if (!selfClosing) {
        const std::size_t close = document.rfind("</svg>");
        if (close == std::string_view::npos || close <= tagEnd) {
            return std::nullopt;
        }
        artwork.body = std::string(document.substr(tagEnd + 1, close - tagEnd - 1));
    }
    return artwork;
}

IconRect outlineRect() {
    return fromBottomLeft(kOutlineFromBottom);
}

IconRect barRect(float barWidth) {
    const float width = std::isnan(barWidth) ? 0.0f : std::clamp(barWidth, 0.0f, kBarFullWidth);
    return fromBottomLeft(IconRect{kBarX, kBarY, static_cast<double>(width), kBarHeight});
}

std::string barIconSvg(const SvgArtwork* outline, float barWidth, std::string_view colour) {
    std::string text = svgOpen(kIconCanvasWidth, kIconCanvasHeight, "0 0 22 18", colour);
    if (outline != nullptr) {
        // The artwork's view box mapped onto the outline's rectangle.
        const IconRect place = outlineRect();
        text += "<g transform=\"translate(" + number(place.x, 4) + " " + number(place.y, 4) +
                ") scale(" + number(place.width / outline->viewWidth, 6) + " " +
                number(place.height / outline->viewHeight, 6) + ") translate(" +
                number(-outline->viewX, 4) + " " + number(-outline->viewY, 4) + ")\">";
        text += outline->body;
        text += "</g>";
    }
    const IconRect bar = barRect(barWidth);
    text += R"(<rect x=")" + number(bar.x, 2) + R"(" y=")" + number(bar.y, 2) + R"(" width=")" +
            number(bar.width, 2) + R"(" height=")" + number(bar.height, 2) + R"("/>)";
    text += "</svg>\n";
    return text;
}

std::string artworkSvg(const SvgArtwork& artwork, std::string_view colour) {
    const std::string viewBox = number(artwork.viewX, 4) + " " + number(artwork.viewY, 4) + " " +
                                number(artwork.viewWidth, 4) + " " + number(artwork.viewHeight, 4);
    return svgOpen(artwork.viewWidth, artwork.viewHeight, viewBox, colour) + artwork.body +
           "</svg>\n";
}

std::string blankIconSvg() {
    // As narrow as a panel allows, so that a label-only item keeps little empty space.
    return R"(<svg xmlns="http://www.w3.org/2000/svg" width="1" height="18" viewBox="0 0 1 18"/>)"
           "\n";
}

std::string labelGuide(std::string_view title) {
    if (title.empty()) {
        return {};
    }
    const std::size_t dot = title.find('.');
    const std::string_view whole = title.substr(0, dot);
    if (dot != std::string_view::npos && allDigits(whole)) {
        const std::string_view rest = title.substr(dot + 1);
        // Never narrower than the widest figure of the form, wider when the figure is.
        const std::size_t digits = std::max<std::size_t>(whole.size(), 3);
        if (rest.size() == 3 && allDigits(rest.substr(0, 2)) && rest[2] == '%') {
            return digits == 3 ? "100.00%" : std::string(digits, '8') + ".88%";
        }
        const bool amount = rest.size() == 5 && allDigits(rest.substr(0, 2)) && rest[2] == ' ' &&
                            (rest[3] == 'K' || rest[3] == 'M' || rest[3] == 'G') && rest[4] == 'B';
        if (amount) {
            return std::string(std::max<std::size_t>(whole.size(), 4), '8') + ".88 MB";
        }
    }
    if (title.size() >= 2 && title.back() == '%' && allDigits(title.substr(0, title.size() - 1))) {
        return title.size() <= 4 ? "100%" : std::string(title.size() - 1, '8') + "%";
    }
    return std::string(title);
}

}  // namespace headroom

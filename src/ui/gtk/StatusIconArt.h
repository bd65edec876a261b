#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace headroom {

/// Pure drawing rules of the tray item: the images as SVG documents and the label's guide
/// text. No toolkit here, so that they can be tested on their own.

/// A one-colour artwork file reduced to what composing needs: its view box and the elements
/// inside its root `<svg>`. Artwork draws in `currentColor`, so that the composer picks the
/// colour.
struct SvgArtwork {
    double viewX = 0.0;
    double viewY = 0.0;
    double viewWidth = 0.0;
    double viewHeight = 0.0;
    std::string body;
};

/// Reads an artwork document: the root element's `viewBox` (or, without one, its `width` and
/// `height`) and its content. Nothing when the text is not an `<svg>` document with a
/// positive size.
std::optional<SvgArtwork> parseSvgArtwork(std::string_view document);

/// A rectangle with the origin at the top-left corner, y growing downwards (SVG, cairo).
struct IconRect {
    double x = 0.0;
    double y = 0.0;
    double width = 0.0;
    double height = 0.0;
};

/// The bar icon's canvas, in points.
inline constexpr double kIconCanvasWidth = 22.0;
inline constexpr double kIconCanvasHeight = 18.0;
/// The full width of the bar (all memory in use), at single precision like the width it meets.
inline constexpr float kBarFullWidth = 11.4f;

/// Where the outline artwork goes on the canvas.
IconRect outlineRect();
/// The bar for `barWidth` points, clamped to 0 … kBarFullWidth (NaN counts as 0).
IconRect barRect(float barWidth);

/// Colours of the images: a neutral grey for the normal icon (the panel recolours symbolic
/// icons anyway) and red for the low-memory variant.
inline constexpr std::string_view kIconGrey = "#bebebe";
inline constexpr std::string_view kIconRed = "#e01b24";

/// The bar icon: `outline` (none: the bar alone) with the bar, all in `colour`. The bar's
/// width is written to two decimals, so widths that draw alike give the same text.
std::string barIconSvg(const SvgArtwork* outline, float barWidth, std::string_view colour);
/// A named artwork on its own, at its own size, in `colour`.
std::string artworkSvg(const SvgArtwork& artwork, std::string_view colour);
/// A transparent image, for an item that shows only its label.
std::string blankIconSvg();

/// The text the panel sizes the label for, so that it does not jump as the figure changes: the
/// widest text of the title's form ("8888.88 MB" for an amount, "100.00%" for a percentage,
/// "100%" for the cleaning progress). Other text guides itself; no text, no guide.
std::string labelGuide(std::string_view title);

}  // namespace headroom

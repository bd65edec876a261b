#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace headroom {

/// Text drawn from a point (the lower-left corner of its line), in the system text colour.
struct MenuRowText {
    std::string text;
    double x = 0.0;
    double y = 0.0;
    std::string fontName;
    double pointSize = 0.0;
    friend bool operator==(const MenuRowText&, const MenuRowText&) = default;
};

/// An image stretched to fill a rectangle (its aspect ratio is not kept).
struct MenuRowImage {
    std::string image;  ///< an icon name or an image file
    double x = 0.0;
    double y = 0.0;
    double width = 0.0;
    double height = 0.0;
    friend bool operator==(const MenuRowImage&, const MenuRowImage&) = default;
};

using MenuRowElement = std::variant<MenuRowText, MenuRowImage>;

/// A menu row drawn by hand: an icon at the left and a title to its right, in a fixed font,
/// and nothing else (no background, no highlight: a highlighted row looks the same). Setting
/// the title or the image does not redraw.
///
/// Coordinates are points of the view, from its bottom-left corner (the view is not flipped);
/// a point is one pixel at a scale of 1, font sizes included.
struct CustomMenuItemView {
    static constexpr const char* kTitleFont = "Lucida Grande";
    static constexpr double kTitlePointSize = 13.5;
    static constexpr double kTitleX = 29.0;
    static constexpr double kTitleY = 0.0;
    static constexpr double kIconX = 5.0;
    static constexpr double kIconY = 0.0;
    static constexpr double kIconSide = 16.0;

    std::optional<std::string> title;
    std::optional<std::string> image;

    /// What drawing the view puts down, in order: the title, then the icon; an absent one is
    /// left out.
    std::vector<MenuRowElement> drawRect() const;
};

}  // namespace headroom

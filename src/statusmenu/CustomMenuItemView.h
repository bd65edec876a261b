#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
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
/// and nothing else (no background, no highlight: a highlighted row looks the same).
///
/// Coordinates are points of the view, from its bottom-left corner (the view is not flipped);
/// a point is one pixel at a scale of 1, font sizes included.
class CustomMenuItemView {
  public:
    static constexpr const char* kTitleFont = "Lucida Grande";
    /// The desktop's sans-serif font, for when the title font is not installed.
    static constexpr const char* kFallbackFont = "Sans";
    static constexpr double kTitlePointSize = 13.5;
    static constexpr double kTitleX = 29.0;
    static constexpr double kTitleY = 0.0;
    static constexpr double kIconX = 5.0;
    static constexpr double kIconY = 0.0;
    static constexpr double kIconSide = 16.0;

    const std::optional<std::string>& title() const { return title_; }
    void setTitle(std::optional<std::string> title) { title_ = std::move(title); }
    const std::optional<std::string>& image() const { return image_; }
    void setImage(std::optional<std::string> image) { image_ = std::move(image); }

    /// What drawing the view puts down, in order: the title, then the icon; an absent one is
    /// left out. `fontInstalled` tells whether a font family can be had.
    std::vector<MenuRowElement> drawRect(
        const std::function<bool(const std::string&)>& fontInstalled) const;

    /// The distance from the view's top to the top of an element that stands `y` above the
    /// bottom and is `height` tall, in a view `viewHeight` tall: how a top-down toolkit
    /// places it.
    static double topOffset(double y, double height, double viewHeight) {
        return viewHeight - y - height;
    }

  private:
    std::optional<std::string> title_;
    std::optional<std::string> image_;
};

}  // namespace headroom

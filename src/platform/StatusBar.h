#pragma once

#include <memory>
#include <optional>
#include <string>

#include "statusmenu/Menu.h"

namespace headroom {

/// Colour of the status title: red flags low memory, the dimmed control-text colour otherwise.
enum class TitleColor { Red, DisabledControlText };

/// Attributes of the status title.
struct TitleAttributes {
    TitleColor foregroundColor = TitleColor::DisabledControlText;

    friend bool operator==(const TitleAttributes&, const TitleAttributes&) = default;
};

struct AttributedTitle {
    std::string text;
    TitleAttributes attributes;

    friend bool operator==(const AttributedTitle&, const AttributedTitle&) = default;
};

/// What the status item's image shows: a named image of the bundle, or the memory bar icon
/// (the outline artwork with a bar `barWidth` points wide). Template images are tinted by the
/// panel, so only their shape counts.
struct StatusImage {
    enum class Kind { Named, BarIcon };
    Kind kind = Kind::Named;
    std::string name;       ///< for Kind::Named
    float barWidth = 0.0f;  ///< for Kind::BarIcon, in points of the 22 x 18 canvas
    bool isTemplate = false;

    friend bool operator==(const StatusImage&, const StatusImage&) = default;
};

/// The program's item in the desktop's status area.
class StatusItem {
  public:
    virtual ~StatusItem() = default;
    virtual void setAttributedTitle(const AttributedTitle& title) = 0;
    /// Nothing removes the image.
    virtual void setImage(const std::optional<StatusImage>& image) = 0;
    /// The menu opened by clicking the item; the item keeps it for its whole life.
    virtual void setMenu(std::shared_ptr<Menu> menu) = 0;
};

/// The desktop's status area.
class StatusBar {
  public:
    virtual ~StatusBar() = default;
    /// Length −1 asks for an item as wide as its content.
    static constexpr double variableLength = -1.0;
    virtual std::unique_ptr<StatusItem> statusItemWithLength(double length) = 0;
};

}  // namespace headroom

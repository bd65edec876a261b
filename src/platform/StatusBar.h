#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

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

/// One row of the status menu, as a front end shows it.
struct MenuRow {
    const void* id = nullptr;  ///< the same for as long as the row is in the menu
    std::string title;
    std::string image;  ///< an icon name or an image file shown beside the title; empty: none
    std::int64_t tag = 0;
    bool enabled = true;
    bool separator = false;
    /// Drawn by hand where the menu shows locally (see CustomMenuItemView), `image` its icon.
    bool drawsCustomView = false;

    friend bool operator==(const MenuRow&, const MenuRow&) = default;
};

/// The menu a status item opens: its rows, and word whenever they change.
class StatusItemMenu {
  public:
    virtual ~StatusItemMenu() = default;
    virtual std::vector<MenuRow> rows() const = 0;
    /// Runs the action of row `id`, as choosing it does, if it is still in the menu.
    virtual void chooseRow(const void* id) = 0;
    /// `changed` is called after every change to the rows, their order or their number.
    virtual void setOnChange(std::function<void()> changed) = 0;
};

/// The program's item in the desktop's status area.
class StatusItem {
  public:
    virtual ~StatusItem() = default;
    virtual void setAttributedTitle(const AttributedTitle& title) = 0;
    /// Nothing removes the image.
    virtual void setImage(const std::optional<StatusImage>& image) = 0;
    /// The menu opened by clicking the item; the item keeps it for its whole life.
    virtual void setMenu(std::shared_ptr<StatusItemMenu> menu) = 0;
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

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

/// What the status item's image is drawn from: the figures themselves, never their text.
struct StatusImage {
    double freeBytes = 0.0;
    double totalBytes = 0.0;  ///< 0: no figures yet (the launch's placeholder)
    bool isPercentage = false;
    bool isLow = false;
    bool showsBar = true;              ///< the bar icon is wanted
    bool showsText = true;             ///< the figure is wanted beside (or in) it
    std::optional<int> cleanProgress;  ///< a running clean's whole percent

    /// The bar's length in points of the 11.4-point bar (single precision): the share in use.
    /// Impossible figures (a total of 0, free above the total) give a length within the bar.
    float barWidth() const {
        constexpr float kFull = 11.4f;
        const auto width = static_cast<float>((1.0 - freeBytes / totalBytes) * double{kFull});
        return width >= 0.0f ? (width <= kFull ? width : kFull) : 0.0f;  // NaN: 0
    }

    friend bool operator==(const StatusImage&, const StatusImage&) = default;
};

/// One row of the status menu. `key` names the row for as long as it is in the menu
/// ("clean", "free", "app:<desktop id>", "quit" …), so that a front end can keep its widget.
struct MenuRow {
    std::string key;
    std::string title;
    std::string image;  ///< an icon name or an image file shown beside the title; empty: none
    std::int64_t tag = 0;
    bool enabled = true;
    bool separator = false;
    /// Drawn by hand where the menu shows locally (see CustomMenuItemView), `image` its icon.
    bool drawsCustomView = false;

    friend bool operator==(const MenuRow&, const MenuRow&) = default;
};

/// What happens to the menu, as the item hears it.
enum class MenuEvent {
    AboutToShow,  ///< the menu is about to be shown: its rows are wanted up to date now
    Opened,       ///< it shows, until Closed: its rows are wanted up to date at every change
    Closed,
};

/// Where the item reports what is done with its menu.
struct StatusMenuEvents {
    std::function<void(MenuEvent)> menuEvent;
    /// The row of `key` was chosen.
    std::function<void(const std::string& key)> rowChosen;
};

/// The program's item in the desktop's status area.
class StatusItem {
  public:
    virtual ~StatusItem() = default;
    virtual void setAttributedTitle(const AttributedTitle& title) = 0;
    virtual void setImage(const StatusImage& image) = 0;
    /// The rows of the menu opened by clicking the item, the whole menu each time.
    virtual void setMenu(const std::vector<MenuRow>& rows) = 0;
    /// Where the item reports what is done with its menu; set once, before the first setMenu.
    virtual void setMenuEvents(StatusMenuEvents events) = 0;
};

/// The desktop's status area.
class StatusBar {
  public:
    virtual ~StatusBar() = default;
    /// An item as wide as its content.
    virtual std::unique_ptr<StatusItem> makeStatusItem() = 0;
};

}  // namespace headroom

#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/StatusBar.h"

namespace headroom {

class Menu;

/// One row of a menu. Rows are shared objects: the delegate keeps some of them (the
/// "Significant Usage" header and its separator) while they are out of the menu.
class MenuItem {
  public:
    static std::shared_ptr<MenuItem> separatorItem();
    MenuItem(std::string title, std::function<void()> action);

    const std::string& title() const { return title_; }
    void setTitle(std::string title) { set(title_, std::move(title)); }

    bool isSeparatorItem() const { return separator_; }

    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled) { set(enabled_, enabled); }

    std::int64_t tag() const { return tag_; }
    void setTag(std::int64_t tag) { set(tag_, tag); }

    /// Names of the images shown beside the title in the on and off states (empty: none).
    const std::string& onStateImage() const { return onStateImage_; }
    const std::string& offStateImage() const { return offStateImage_; }
    void setOnStateImage(std::string image) { set(onStateImage_, std::move(image)); }
    void setOffStateImage(std::string image) { set(offStateImage_, std::move(image)); }

    /// Whether the row is drawn by hand (icon and title in a fixed font, see
    /// CustomMenuItemView) where the menu is shown locally; the on-state image is its icon.
    bool drawsCustomView() const { return customView_; }
    void setDrawsCustomView(bool custom) { set(customView_, custom); }

    bool hasAction() const { return static_cast<bool>(action_); }
    /// Runs the row's action, as choosing the row does.
    void activate() const;

  private:
    friend class Menu;
    MenuItem() = default;
    /// Every setter: the new value, and word to the menu that shows the row.
    template <typename T>
    void set(T& field, T value) {
        field = std::move(value);
        changed();
    }
    void changed();

    std::string title_;
    std::function<void()> action_;
    std::string onStateImage_;
    std::string offStateImage_;
    std::int64_t tag_ = 0;
    Menu* menu_ = nullptr;  // the menu that shows the row, told of its changes
    bool enabled_ = true;
    bool separator_ = false;
    bool customView_ = false;
};

/// A menu: an ordered list of rows, addressed by position. It tells whoever shows it of every
/// change, its rows' own included.
class Menu final : public StatusItemMenu {
  public:
    Menu() = default;
    ~Menu() override;
    Menu(const Menu&) = delete;
    Menu& operator=(const Menu&) = delete;

    std::size_t numberOfItems() const { return items_.size(); }
    /// The row at `index`, or null past the end.
    std::shared_ptr<MenuItem> itemAtIndex(std::size_t index) const;
    const std::vector<std::shared_ptr<MenuItem>>& itemArray() const { return items_; }
    bool containsItem(const std::shared_ptr<MenuItem>& item) const;

    void addItem(std::shared_ptr<MenuItem> item);
    /// Inserts at `index`; an index past the end appends.
    void insertItem(std::shared_ptr<MenuItem> item, std::size_t index);
    void removeItem(const std::shared_ptr<MenuItem>& item);
    void removeItemAtIndex(std::size_t index);

    // What a status item shows. A row shows its off-state image, or its on-state one when
    // only that is set (rows are never on); a hand-drawn row's icon is its on-state image.
    std::vector<MenuRow> rows() const override;
    void chooseRow(const void* id) override;
    void setOnChange(std::function<void()> changed) override { changed_ = std::move(changed); }

  private:
    friend class MenuItem;
    void changed() const;
    void erase(std::vector<std::shared_ptr<MenuItem>>::iterator at);

    std::vector<std::shared_ptr<MenuItem>> items_;
    std::function<void()> changed_;
};

}  // namespace headroom

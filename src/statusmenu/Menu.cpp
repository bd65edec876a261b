#include "statusmenu/Menu.h"

#include <algorithm>
#include <utility>

namespace headroom {

std::shared_ptr<MenuItem> MenuItem::separatorItem() {
    auto item = std::shared_ptr<MenuItem>(new MenuItem());
    item->separator_ = true;
    item->enabled_ = false;
    return item;
}

MenuItem::MenuItem(std::string title, std::function<void()> action)
    : title_(std::move(title)), action_(std::move(action)) {}

void MenuItem::changed() {
    if (menu_ != nullptr) {
        menu_->changed();
    }
}

void MenuItem::activate() const {
    if (action_ && enabled_) {
        action_();
    }
}

Menu::~Menu() {
    for (const auto& item : items_) {
        item->menu_ = nullptr;
    }
}

void Menu::changed() const {
    if (changed_) {
        changed_();
    }
}

std::shared_ptr<MenuItem> Menu::itemAtIndex(std::size_t index) const {
    return index < items_.size() ? items_[index] : nullptr;
}

bool Menu::containsItem(const std::shared_ptr<MenuItem>& item) const {
    return std::find(items_.begin(), items_.end(), item) != items_.end();
}

void Menu::addItem(std::shared_ptr<MenuItem> item) {
    insertItem(std::move(item), items_.size());
}

void Menu::insertItem(std::shared_ptr<MenuItem> item, std::size_t index) {
    index = std::min(index, items_.size());
    item->menu_ = this;
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index), std::move(item));
    changed();
}

void Menu::removeItem(const std::shared_ptr<MenuItem>& item) {
    erase(std::find(items_.begin(), items_.end(), item));
}

void Menu::removeItemAtIndex(std::size_t index) {
    erase(items_.begin() + static_cast<std::ptrdiff_t>(std::min(index, items_.size())));
}

void Menu::erase(std::vector<std::shared_ptr<MenuItem>>::iterator at) {
    if (at == items_.end()) {
        return;
    }
    const std::shared_ptr<MenuItem> item = std::move(*at);
    items_.erase(at);
    if (!containsItem(item)) {
        item->menu_ = nullptr;
    }
    changed();
}

std::vector<MenuRow> Menu::rows() const {
    std::vector<MenuRow> rows;
    rows.reserve(items_.size());
    for (const auto& item : items_) {
        const std::string& image = item->customView_ || item->offStateImage_.empty()
                                       ? item->onStateImage_
                                       : item->offStateImage_;
        rows.push_back(MenuRow{item.get(), item->title_, image, item->tag_, item->enabled_,
                               item->separator_, item->customView_});
    }
    return rows;
}

void Menu::chooseRow(const void* id) {
    const auto found = std::find_if(items_.begin(), items_.end(),
                                    [id](const auto& item) { return item.get() == id; });
    if (found != items_.end()) {
        // The row's own copy: its action may change the menu.
        const std::shared_ptr<MenuItem> item = *found;
        item->activate();
    }
}

}  // namespace headroom

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

void MenuItem::setTitle(std::string title) {
    title_ = std::move(title);
    changed();
}

void MenuItem::setEnabled(bool enabled) {
    enabled_ = enabled;
    changed();
}

void MenuItem::setTag(std::int64_t tag) {
    tag_ = tag;
    changed();
}

void MenuItem::setOnStateImage(std::string image) {
    onStateImage_ = std::move(image);
    changed();
}

void MenuItem::setOffStateImage(std::string image) {
    offStateImage_ = std::move(image);
    changed();
}

void MenuItem::setDrawsCustomView(bool custom) {
    customView_ = custom;
    changed();
}

void MenuItem::activate() const {
    if (action_ && enabled_) {
        action_();
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
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index), std::move(item));
    ++structureRevision_;
}

void Menu::removeItem(const std::shared_ptr<MenuItem>& item) {
    auto found = std::find(items_.begin(), items_.end(), item);
    if (found != items_.end()) {
        items_.erase(found);
        ++structureRevision_;
    }
}

void Menu::removeItemAtIndex(std::size_t index) {
    if (index < items_.size()) {
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
        ++structureRevision_;
    }
}

}  // namespace headroom

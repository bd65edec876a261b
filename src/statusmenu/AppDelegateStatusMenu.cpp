// The delegate's status item and the refresh that rewrites the status menu.

#include "app/AppDelegate.h"

#include <algorithm>
#include <cmath>

namespace headroom {

namespace {

/// Bar of the status icon: its full width at single precision, and the outline artwork.
constexpr float kBarFullWidth = 11.4f;
constexpr const char* kIconOutline = "h4_n";

std::string entryOrEmpty(const std::map<std::string, std::string>& details, const char* key) {
    const auto found = details.find(key);
    return found == details.end() ? std::string() : found->second;
}

}  // namespace

AttributedTitle AppDelegate::attTitleFromString(const std::optional<std::string>& text) {
    AttributedTitle title;
    title.text = text.value_or(std::string());
    const double freeMebibytes = freeMemoryInStart_ * 0x1p-20;
    // Equality counts as low: the level is "at or below".
    const bool low = static_cast<double>(memoryLevel) >= freeMebibytes;
    if (low) {
        scheduleAutomaticClean();
    } else {
        memoryWentAboveLevel();
    }
    title.attributes.foregroundColor = low ? TitleColor::Red : TitleColor::DisabledControlText;
    attrsDic_ = title.attributes;
    return title;
}

void AppDelegate::changeStatusItemTitle() {
    if (isCleanRunning_) {
        return;
    }
    const auto free = dicMemoryDetails_.find("Free");
    std::optional<std::string> text;
    if (!isShowText) {
        text = std::string();
    } else if (free != dicMemoryDetails_.end()) {
        text = free->second;
    }
    statusItem_->setAttributedTitle(attTitleFromString(text));
    setStatusItemIcon();
}

void AppDelegate::setStatusItemIcon() {
    if (!isShowIcon) {
        statusItem_->setImage(std::nullopt);
        return;
    }
    auto width = static_cast<float>((1.0 - freeMemoryInStart_ / totalMemory_) *
                                    static_cast<double>(kBarFullWidth));
    // Impossible figures (a total of 0, free above the total) must not draw outside the bar
    // or reach the JSON output as inf or nan.
    width = std::isnan(width) ? 0.0f : std::clamp(width, 0.0f, kBarFullWidth);
    statusItem_->setImage(StatusImage{StatusImage::Kind::BarIcon, kIconOutline, width, true});
}

void AppDelegate::updateMemoryDisplay() {
    getMemoryDetails();
    appMenu_->itemAtIndex(2)->setTitle("  Free: " + entryOrEmpty(dicMemoryDetails_, "Free"));
    changeStatusItemTitle();
    appMenu_->itemAtIndex(3)->setTitle("  Inactive: " +
                                       entryOrEmpty(dicMemoryDetails_, "Inactive"));
    appMenu_->itemAtIndex(4)->setTitle("  Active: " + entryOrEmpty(dicMemoryDetails_, "Active"));
    appMenu_->itemAtIndex(5)->setTitle("  Wired: " + entryOrEmpty(dicMemoryDetails_, "Wired"));
    appMenu_->itemAtIndex(6)->setTitle("  Used: " + entryOrEmpty(dicMemoryDetails_, "Used"));
    addRunningAppsToMenu();
}

std::shared_ptr<MenuItem> AppDelegate::getMenuItemWithTitle(const std::string& title,
                                                            const std::string& icon) {
    auto item = std::make_shared<MenuItem>("  " + title, nullptr);
    item->setOnStateImage(icon);
    item->setOffStateImage(icon);
    item->setEnabled(false);
    item->setTag(kApplicationRowTag);
    return item;
}

}  // namespace headroom

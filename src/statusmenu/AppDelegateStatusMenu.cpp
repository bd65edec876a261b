// The delegate's status item and the refresh that rewrites the status menu.

#include "app/AppDelegate.h"

#include <algorithm>
#include <cmath>

namespace headroom {

namespace {

/// Bar of the status icon: its full width at single precision, and the outline artwork.
constexpr float kBarFullWidth = 11.4f;
constexpr const char* kIconOutline = "h4_n";

}  // namespace

AttributedTitle AppDelegate::attTitleFromString(const std::optional<std::string>& text) {
    AttributedTitle title;
    title.text = text.value_or(std::string());
    title.attributes.foregroundColor =
        isMemoryLow() ? TitleColor::Red : TitleColor::DisabledControlText;
    attrsDic_ = title.attributes;
    return title;
}

void AppDelegate::changeStatusItemTitle() {
    if (isCleanRunning_) {
        return;
    }
    statusItem_->setAttributedTitle(
        attTitleFromString(isShowText ? memoryDetail(&MemoryFigures::free) : std::string()));
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

bool AppDelegate::isMemoryLow() const {
    // Equality counts as low: the level is "at or below". Bytes are compared whatever the
    // percentage mode.
    return static_cast<double>(memoryLevel) >= freeMemoryInStart_ * 0x1p-20;
}

void AppDelegate::updateMemoryDisplay() {
    getMemoryDetails();
    checkAutomaticFreeing();
    appMenu_->itemAtIndex(2)->setTitle("  Free: " + memoryDetail(&MemoryFigures::free));
    changeStatusItemTitle();
    appMenu_->itemAtIndex(3)->setTitle("  Inactive: " + memoryDetail(&MemoryFigures::inactive));
    appMenu_->itemAtIndex(4)->setTitle("  Active: " + memoryDetail(&MemoryFigures::active));
    appMenu_->itemAtIndex(5)->setTitle("  Wired: " + memoryDetail(&MemoryFigures::wired));
    appMenu_->itemAtIndex(6)->setTitle("  Used: " + memoryDetail(&MemoryFigures::used));
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

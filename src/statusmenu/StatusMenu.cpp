#include "statusmenu/StatusMenu.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "monitor/MemoryFormat.h"

namespace headroom {

namespace {

/// Bar of the status icon: its full width at single precision, and the outline artwork.
constexpr float kBarFullWidth = 11.4f;
constexpr const char* kIconOutline = "h4_n";
/// The text the status item carries until the first statistics are read.
constexpr const char* kPlaceholderTitle = "4.00 GB";
/// The image the status item carries until the first bar icon is drawn.
constexpr const char* kPlaceholderImage = "h2_n";
/// The application's own icon (installed in the icon theme as the application id).
constexpr const char* kApplicationIcon = "com.Tidewell.Headroom";

}  // namespace

StatusMenu::StatusMenu(StatusBar& statusBar, const Commands& commands) : statusBar_(statusBar) {
    auto info = [](const char* title) {
        auto item = std::make_shared<MenuItem>(title, nullptr);
        item->setEnabled(false);
        return item;
    };
    // Row 0: the cleaning command, titled at launch.
    appMenu_->addItem(std::make_shared<MenuItem>("Clean Memory", commands.clean));
    appMenu_->addItem(MenuItem::separatorItem());
    // Rows 2 to 7: the breakdown, retitled by the refresh (the total once, at launch).
    for (const char* row :
         {"  Free: -", "  Inactive: -", "  Active: -", "  Wired: -", "  Used: -", "  Total: -"}) {
        appMenu_->addItem(info(row));
    }
    // Rows 8 and 9: present only while some application is listed below them.
    // The header's action (`significantUsagePressed`) does nothing: choosing it only closes the
    // menu, as choosing any enabled row does.
    SignificantItem_ = std::make_shared<MenuItem>("Significant Usage", [] {});
    appMenu_->addItem(significantSaperator_);
    appMenu_->addItem(SignificantItem_);
    // The commands, after the application rows.
    appMenu_->addItem(MenuItem::separatorItem());
    appMenu_->addItem(std::make_shared<MenuItem>("Preferences...", commands.preferences));
    // The welcome row is the one drawn by hand, with the application's icon.
    auto welcome = std::make_shared<MenuItem>("Welcome...", commands.welcome);
    welcome->setOnStateImage(kApplicationIcon);
    welcome->setDrawsCustomView(true);
    appMenu_->addItem(std::move(welcome));
    appMenu_->addItem(std::make_shared<MenuItem>("Rate Headroom...", commands.rate));
    appMenu_->addItem(std::make_shared<MenuItem>("Quit", commands.quit));
}

void StatusMenu::createStatusItem(bool isMemoryLow) {
    statusItem_ = statusBar_.statusItemWithLength(StatusBar::variableLength);
    statusItem_->setImage(StatusImage{StatusImage::Kind::Named, kPlaceholderImage, 0.0f, false});
    setTitle(kPlaceholderTitle, isMemoryLow);
}

void StatusMenu::attachMenu(double totalMemory) {
    statusItem_->setMenu(appMenu_);
    SignificantItem_->setTitle("Significant Usage");
    setRowTitle(7, "  Total: " + formatTotalMemory(totalMemory));
}

void StatusMenu::setTitle(const std::string& text, bool isMemoryLow) {
    statusItem_->setAttributedTitle(AttributedTitle{
        text, TitleAttributes{isMemoryLow ? TitleColor::Red : TitleColor::DisabledControlText}});
}

void StatusMenu::setStatusItemIcon(bool isShowIcon, double freeMemory, double totalMemory) {
    if (!isShowIcon) {
        statusItem_->setImage(std::nullopt);
        return;
    }
    auto width =
        static_cast<float>((1.0 - freeMemory / totalMemory) * static_cast<double>(kBarFullWidth));
    // Impossible figures (a total of 0, free above the total) must not draw outside the bar
    // or reach the JSON output as inf or nan.
    width = std::isnan(width) ? 0.0f : std::clamp(width, 0.0f, kBarFullWidth);
    statusItem_->setImage(StatusImage{StatusImage::Kind::BarIcon, kIconOutline, width, true});
}

void StatusMenu::displayCleaningPercentage(const std::string& text) {
    if (statusItem_) {
        statusItem_->setAttributedTitle(
            AttributedTitle{text, TitleAttributes{TitleColor::DisabledControlText}});
    }
}

void StatusMenu::setRowTitle(std::size_t index, const std::string& title) {
    appMenu_->itemAtIndex(index)->setTitle(title);
}

void StatusMenu::addRunningAppsToMenu(const std::vector<ApplicationRecord>& applications) {
    constexpr std::size_t separatorIndex = 8;
    constexpr std::size_t headerIndex = 9;
    constexpr std::size_t firstRowIndex = 10;

    const std::size_t count = applications.size();
    const bool headerShown = appMenu_->containsItem(SignificantItem_);
    if (count > 0 && !headerShown) {
        appMenu_->insertItem(significantSaperator_, separatorIndex);
        appMenu_->insertItem(SignificantItem_, headerIndex);
    }
    for (std::size_t i = 0; i < count; ++i) {
        auto item = appMenu_->itemAtIndex(firstRowIndex + i);
        // A row of the last list is retitled in place; a new one is made whole, then inserted.
        const bool reused = item && item->tag() == kApplicationRowTag;
        if (!reused) {
            item = std::make_shared<MenuItem>("", nullptr);
            item->setEnabled(false);
            item->setTag(kApplicationRowTag);
        }
        item->setTitle("  " + applications[i].appName);
        item->setOnStateImage(applications[i].appIcon);
        item->setOffStateImage(applications[i].appIcon);
        if (!reused) {
            appMenu_->insertItem(item, firstRowIndex + i);
        }
    }
    for (auto stale = appMenu_->itemAtIndex(firstRowIndex + count);
         stale && stale->tag() == kApplicationRowTag;
         stale = appMenu_->itemAtIndex(firstRowIndex + count)) {
        appMenu_->removeItemAtIndex(firstRowIndex + count);
    }
    if (count == 0 && headerShown) {
        appMenu_->removeItem(significantSaperator_);
        appMenu_->removeItem(SignificantItem_);
    }
}

}  // namespace headroom

#include "statusmenu/StatusMenu.h"

#include <cstdio>
#include <utility>

#include "monitor/MemoryFormat.h"

namespace headroom {

namespace {

/// The text the status item carries until the first statistics are read.
constexpr const char* kPlaceholderTitle = "4.00 GB";
/// The application's own icon (installed in the icon theme as the application id).
constexpr const char* kApplicationIcon = "com.Tidewell.Headroom";

MenuRow separator(std::string key) {
    return MenuRow{std::move(key), "", "", 0, false, true, false};
}
MenuRow command(std::string key, std::string title) {
    return MenuRow{std::move(key), std::move(title), "", 0, true, false, false};
}
MenuRow info(std::string key, std::string title) {
    return MenuRow{std::move(key), std::move(title), "", 0, false, false, false};
}

}  // namespace

std::vector<MenuRow> statusMenuRows(const MenuFigures& figures) {
    auto figure = [&figures](double MemoryFigures::*part) -> std::string {
        if (!figures.refreshed) {
            return "-";
        }
        return figures.details ? formatMemoryAmount(*figures.details.*part, figures.isPercentage,
                                                    figures.totalMemory)
                               : std::string();
    };
    std::vector<MenuRow> rows{
        command("clean", "Extreme Clean"),
        separator("-breakdown"),
        info("free", "  Free: " + figure(&MemoryFigures::free)),
        info("inactive", "  Inactive: " + figure(&MemoryFigures::inactive)),
        info("active", "  Active: " + figure(&MemoryFigures::active)),
        info("wired", "  Wired: " + figure(&MemoryFigures::wired)),
        info("used", "  Used: " + figure(&MemoryFigures::used)),
        info("total", "  Total: " + formatTotalMemory(figures.totalMemory)),
    };
    // Linux's own figures, each only where the kernel gives it.
    auto amount = [&figures](double bytes, double whole) -> std::string {
        return figures.refreshed ? formatMemoryAmount(bytes, figures.isPercentage, whole) : "-";
    };
    const auto* details = figures.details ? &*figures.details : nullptr;
    if (details != nullptr && details->available) {
        rows.push_back(
            info("available", "  Available: " + amount(*details->available, figures.totalMemory)));
    }
    if (figures.pressure) {
        char share[32];
        std::snprintf(share, sizeof share, "%0.2f%%", figures.pressure->some.avg10);
        rows.push_back(info("pressure", std::string("  Pressure: ") + share));
    }
    if (details != nullptr && details->swapTotal.value_or(0.0) > 0.0 && details->swapUsed) {
        // A share of the swap space, in percentages.
        rows.push_back(info("swap", "  Swap: " + amount(*details->swapUsed, *details->swapTotal)));
    }
    if (!figures.applications.empty()) {
        rows.push_back(separator("-applications"));
        // Choosing the header only closes the menu.
        rows.push_back(command("significant", "Significant Usage"));
    }
    for (std::size_t i = 0; i < figures.applications.size(); ++i) {
        const ApplicationRecord& application = figures.applications[i];
        // Keyed by place: a row of the last list is retitled in place.
        rows.push_back(MenuRow{"app:" + std::to_string(i), "  " + application.appName,
                               application.appIcon, StatusMenu::kApplicationRowTag, false, false,
                               false});
    }
    rows.push_back(separator("-commands"));
    rows.push_back(command("prefs", "Preferences..."));
    // The welcome row is the one drawn by hand, with the application's icon.
    rows.push_back(MenuRow{"welcome", "Welcome...", kApplicationIcon, 0, true, false, true});
    rows.push_back(command("rate", "Rate Headroom..."));
    rows.push_back(command("quit", "Quit"));
    return rows;
}

StatusMenu::StatusMenu(StatusBar& statusBar, Commands commands)
    : statusBar_(statusBar), commands_(std::move(commands)) {}

void StatusMenu::createStatusItem(bool isMemoryLow) {
    statusItem_ = statusBar_.makeStatusItem();
    // No figures yet: the bar's frame alone.
    statusItem_->setImage(StatusImage{});
    setTitle(kPlaceholderTitle, isMemoryLow);
}

void StatusMenu::attachMenu(const MenuFigures& figures, std::function<void(MenuEvent)> menuEvent) {
    setRows(figures);
    statusItem_->setMenuEvents(
        {std::move(menuEvent), [this](const std::string& key) { chooseRow(key); }});
}

void StatusMenu::setRows(const MenuFigures& figures) {
    std::vector<MenuRow> rows = statusMenuRows(figures);
    if (rows != rows_) {
        rows_ = std::move(rows);
        statusItem_->setMenu(rows_);
    }
}

void StatusMenu::chooseRow(const std::string& key) {
    const std::pair<const char*, std::function<void()>*> kCommands[] = {
        {"clean", &commands_.clean},
        {"prefs", &commands_.preferences},
        {"welcome", &commands_.welcome},
        {"rate", &commands_.rate},
        {"quit", &commands_.quit}};
    for (const auto& [name, action] : kCommands) {
        if (key == name && *action) {
            (*action)();
        }
    }
}

void StatusMenu::setTitle(const std::string& text, bool isMemoryLow) {
    statusItem_->setAttributedTitle(AttributedTitle{
        text, TitleAttributes{isMemoryLow ? TitleColor::Red : TitleColor::DisabledControlText}});
}

void StatusMenu::setImage(const StatusImage& image) {
    statusItem_->setImage(image);
}

void StatusMenu::displayCleaningPercentage(std::int32_t percent, StatusImage image) {
    if (!statusItem_) {
        return;
    }
    statusItem_->setAttributedTitle(AttributedTitle{std::to_string(percent) + "%", {}});
    image.cleanProgress = percent;
    image.isLow = false;
    statusItem_->setImage(image);
}

}  // namespace headroom

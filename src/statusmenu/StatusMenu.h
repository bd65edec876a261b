#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "monitor/MemoryMonitor.h"
#include "platform/StatusBar.h"

namespace headroom {

/// What the menu's rows are computed from.
struct MenuFigures {
    /// A refresh has run since the launch: until then the breakdown rows read "-".
    bool refreshed = false;
    /// The last good reading; nothing: the breakdown rows read empty.
    std::optional<MemoryFigures> details;
    double totalMemory = 0.0;
    bool isPercentage = false;
    std::span<const ApplicationRecord> applications;
    std::optional<MemoryPressure> pressure = {};
};

/// The status menu, top to bottom: the cleaning command, the breakdown, the applications with
/// a significant share of memory under their header (both only while there is one), and the
/// other commands.
std::vector<MenuRow> statusMenuRows(const MenuFigures& figures);

/// The status item: its title, its image and its menu, whose rows run the commands.
class StatusMenu {
  public:
    /// What the menu's command rows do.
    struct Commands {
        std::function<void()> clean, preferences, welcome, rate, quit;
    };

    StatusMenu(StatusBar& statusBar, Commands commands);

    /// The item, with the placeholder image and title.
    void createStatusItem(bool isMemoryLow);
    /// The menu goes on the item; `menuEvent` hears it open and close from then on.
    void attachMenu(const MenuFigures& figures, std::function<void(MenuEvent)> menuEvent);
    void setRows(const MenuFigures& figures);

    /// The title's text, red when memory is low and grey otherwise.
    void setTitle(const std::string& text, bool isMemoryLow);
    void setImage(const StatusImage& image);
    /// A clean's progress ("42%"), in grey, drawn over `image`'s figures.
    void displayCleaningPercentage(std::int32_t percent, StatusImage image);

    /// Tag carried by application rows and by no other row.
    static constexpr std::int64_t kApplicationRowTag = 100;

  private:
    void chooseRow(const std::string& key);

    StatusBar& statusBar_;
    Commands commands_;
    std::unique_ptr<StatusItem> statusItem_;
    std::vector<MenuRow> rows_;
};

}  // namespace headroom

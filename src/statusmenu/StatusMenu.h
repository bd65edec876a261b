#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "monitor/MemoryMonitor.h"
#include "platform/StatusBar.h"
#include "statusmenu/Menu.h"

namespace headroom {

/// The status item and its menu: the cleaning command, the memory breakdown, the rows of the
/// applications with a significant share of memory, and the other commands.
class StatusMenu {
  public:
    /// What the menu's command rows do.
    struct Commands {
        std::function<void()> clean, preferences, welcome, rate, quit;
    };

    /// Builds the menu; the item itself comes at launch (`createStatusItem`).
    StatusMenu(StatusBar& statusBar, const Commands& commands);

    /// The item, with the placeholder image and title.
    void createStatusItem(bool isMemoryLow);
    /// The menu goes on the item; its header and Total rows are titled, once per launch.
    void attachMenu(double totalMemory);

    /// The title's text, red when memory is low and grey otherwise.
    void setTitle(const std::string& text, bool isMemoryLow);
    /// The bar icon, whose bar grows with the share of memory in use; or no image.
    void setStatusItemIcon(bool isShowIcon, double freeMemory, double totalMemory);
    /// A clean's progress, in grey.
    void displayCleaningPercentage(const std::string& text);

    void setRowTitle(std::size_t index, const std::string& title);
    /// The application rows follow `applications`, retitled in place where a row exists; the
    /// separator and header stand above them while there is any.
    void addRunningAppsToMenu(const std::vector<ApplicationRecord>& applications);

    /// Tag carried by application rows and by no other row.
    static constexpr std::int64_t kApplicationRowTag = 100;

  private:
    StatusBar& statusBar_;
    std::unique_ptr<StatusItem> statusItem_;
    std::shared_ptr<Menu> appMenu_ = std::make_shared<Menu>();
    std::shared_ptr<MenuItem> SignificantItem_;
    std::shared_ptr<MenuItem> significantSaperator_ = MenuItem::separatorItem();
};

}  // namespace headroom

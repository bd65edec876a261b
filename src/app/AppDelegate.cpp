#include "app/AppDelegate.h"

#include <iterator>
#include <utility>

#include "monitor/MemoryFormat.h"
#include "preferences/SettingWindowController.h"

namespace headroom {

AppDelegate::AppDelegate(Platform platform)
    : platform_(std::move(platform)),
      monitor(platform_.hostMemory, platform_.workspace, platform_.log),
      statusMenu(platform_.statusBar,
                 {[this] { cleaner.performCleanOperation(); }, [this] { preferencePressed(); },
                  [this] { welcome.showThanksWindow(); }, [this] { rateAppPressed(); },
                  [this] { quitPressed(); }}),
      cleaner(
          platform_.runLoop, platform_.application, platform_.bundleResources, platform_.hostMemory,
          platform_.processControl, platform_.log, monitor, [this] { updateMemoryDisplay(); },
          [this](const std::string& text) { statusMenu.displayCleaningPercentage(text); }),
      welcome(platform_.thanaksWindows, platform_.preferences, platform_.deployment) {}

AppDelegate::~AppDelegate() = default;

void AppDelegate::applicationDidFinishLaunching() {
    // 3. Cleaning always uses the extreme duration.
    cleaner.isExtremeClean = true;
    statusMenu.setRowTitle(0, "Extreme Clean");

    // 4. A login helper left running from the session start is told to end.
    terminateRunningLoginHelper();

    // 5. Status item with its placeholders. The preferences are not loaded yet, so automatic
    // freeing is off and the placeholder title is red (no figures yet, level 0).
    statusMenu.createStatusItem(isMemoryLow());

    // 6. Preferences, defaults written for missing keys.
    setDefaultValueForPreferences();

    // 7-8. Total memory; the significance test of step 9 divides by it.
    monitor.getTotalMemory();

    // 9. Running applications.
    addRunningAppsToMenu();

    // 10-12. Menu on the status item; header and Total rows, written once per launch.
    statusMenu.attachMenu(monitor.totalMemory());

    // 13. First statistics replace the placeholders; the breakdown rows wait for the first tick.
    monitor.getMemoryDetails();
    cleaner.checkAutomaticFreeing(isMemoryLow(), isAutoFreeMemory);
    changeStatusItemTitle();

    // 14-15. The refresh timer, which fires updateMemoryDisplay.
    cleaner.changeRefreshInterval(refreshInterval);
}

void AppDelegate::terminateRunningLoginHelper() {
    if (platform_.loginItems.loginItemRunning(kHelperBundleIdentifier)) {
        platform_.notificationCenter.postNotification(kTerminateHelperNotification,
                                                      platform_.bundle.bundleIdentifier);
    }
}

void AppDelegate::preferencePressed() {
    // One controller for the whole run, made on the first request.
    if (!settingWindow_) {
        settingWindow_ = std::make_shared<SettingWindowController>(
            *this, platform_.urlOpener, platform_.settingWindows, platform_.bundle,
            platform_.deployment.links);
    }
    // The first use of the window loads it; an interface file that cannot be loaded has
    // already said why in the log.
    Window* window = settingWindow_->window();
    if (window == nullptr) {
        return;
    }
    window->setCollectionBehavior(kWindowCollectionBehaviorCanJoinAllSpaces);
    window->makeKeyAndOrderFront();
    platform_.application.activateIgnoringOtherApps(true);
    settingWindow_->showWindow();
}

void AppDelegate::quitPressed() {
    platform_.application.terminate();
}

void AppDelegate::rateAppPressed() {
    platform_.feedback.showEnjoymentDialog();
}

std::string AppDelegate::memoryDetail(double MemoryFigures::*figure) const {
    // Before the first reading there is no figure to show, not a figure of 0.
    const auto& details = monitor.memoryDetails();
    return details ? formatMemoryAmount(*details.*figure, isPercentage, monitor.totalMemory())
                   : std::string();
}

bool AppDelegate::isMemoryLow() const {
    // Equality counts as low: the level is "at or below".
    return static_cast<double>(memoryLevel) >= monitor.freeMemoryInStart() * 0x1p-20;
}

void AppDelegate::updateMemoryDisplay() {
    monitor.getMemoryDetails();
    cleaner.checkAutomaticFreeing(isMemoryLow(), isAutoFreeMemory);
    static constexpr std::pair<const char*, double MemoryFigures::*> kRows[] = {
        {"  Free: ", &MemoryFigures::free},
        {"  Inactive: ", &MemoryFigures::inactive},
        {"  Active: ", &MemoryFigures::active},
        {"  Wired: ", &MemoryFigures::wired},
        {"  Used: ", &MemoryFigures::used}};
    for (std::size_t row = 0; row < std::size(kRows); ++row) {
        statusMenu.setRowTitle(2 + row, kRows[row].first + memoryDetail(kRows[row].second));
    }
    changeStatusItemTitle();
    addRunningAppsToMenu();
}

void AppDelegate::addRunningAppsToMenu() {
    monitor.setAllRunningApplications(significantThreshold);
    statusMenu.addRunningAppsToMenu(monitor.applicationListArray());
}

void AppDelegate::changeStatusItemTitle() {
    // While a clean runs, its progress owns the title.
    if (cleaner.isCleanRunning()) {
        return;
    }
    statusMenu.setTitle(isShowText ? memoryDetail(&MemoryFigures::free) : std::string(),
                        isMemoryLow());
    setStatusItemIcon();
}

void AppDelegate::setStatusItemIcon() {
    statusMenu.setStatusItemIcon(isShowIcon, monitor.freeMemoryInStart(), monitor.totalMemory());
}

}  // namespace headroom

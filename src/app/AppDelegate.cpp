#include "app/AppDelegate.h"

#include <algorithm>
#include <utility>

#include "monitor/MemoryFormat.h"
#include "preferences/SettingWindowController.h"

namespace headroom {

AppDelegate::AppDelegate(Platform platform)
    : PreferenceModel(platform.preferences),
      platform_(std::move(platform)),
      monitor(platform_.hostMemory, platform_.workspace, platform_.log),
      pressureWarning(platform_.runLoop, platform_.hostMemory, platform_.workspace,
                      platform_.desktopNotifier),
      statusMenu(platform_.statusBar,
                 {[this] { cleaner.performCleanOperation(); }, [this] { preferencePressed(); },
                  [this] { welcome.showThanksWindow(); }, [this] { rateAppPressed(); },
                  [this] { quitPressed(); }}),
      cleaner(platform_.runLoop, platform_.application, platform_.bundleResources,
              platform_.hostMemory, platform_.processControl, platform_.log, monitor,
              {[this] { stopRefreshTimer(); },
               [this](std::int32_t percent) {
                   statusMenu.displayCleaningPercentage(percent, statusImage());
               },
               [this] { startTimerInBackground(); }}),
      welcome(platform_.thanaksWindows, platform_.preferences, platform_.deployment) {}

AppDelegate::~AppDelegate() {
    // The run loop may outlive the delegate.
    stopRefreshTimer();
}

void AppDelegate::applicationDidFinishLaunching() {
    // A login helper left running from the session start is told to end.
    terminateRunningLoginHelper();

    // The item shows placeholders until the first figures. The preferences are not loaded yet,
    // so automatic freeing is off and the placeholder title is red (no figures yet, level 0).
    statusMenu.createStatusItem(isMemoryLow());
    setDefaultValueForPreferences();
    pressureWarning.setLevel(pressureLevel);
    // Allocating while programs wait for memory deepens the stall.
    if (const std::string how =
            platform_.hostMemory.watchPressure([this] { pressureWarning.check(); });
        !how.empty()) {
        platform_.log.log(how);
    }
    cleaner.holdsAutomaticClean = [this] {
        pressureWarning.check();
        return pressureWarning.isUnderPressure();
    };

    // The installed memory, read once; the menu's Total row and every share divide by it.
    monitor.getTotalMemory();
    statusMenu.attachMenu(menuFigures(), [this](MenuEvent event) { menuEvent(event); });

    // The first figures replace the placeholders; the breakdown rows wait for the first tick.
    monitor.getMemoryDetails();
    cleaner.checkAutomaticFreeing(isMemoryLow(), isAutoFreeMemory);
    changeStatusItemTitle();

    changeRefreshInterval(refreshInterval);
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
    platform_.application.activateIgnoringOtherApps();
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
    // With the menu closed only what the item shows is read: the menu's rows wait until it is
    // about to be shown.
    monitor.getMemoryDetails();
    refreshed_ = true;
    pressureWarning.observe(monitor.pressure());
    cleaner.checkAutomaticFreeing(isMemoryLow(), isAutoFreeMemory);
    changeStatusItemTitle();
    if (isMenuOpen_) {
        addRunningAppsToMenu();
    }
}

void AppDelegate::addRunningAppsToMenu() {
    monitor.setAllRunningApplications(significantThreshold);
    statusMenu.setRows(menuFigures());
}

MenuFigures AppDelegate::menuFigures() const {
    return {refreshed_,   monitor.memoryDetails(),        monitor.totalMemory(),
            isPercentage, monitor.applicationListArray(), monitor.pressure()};
}

void AppDelegate::menuEvent(MenuEvent event) {
    if (event == MenuEvent::Closed) {
        isMenuOpen_ = false;
        return;
    }
    if (event == MenuEvent::Opened) {
        if (isMenuOpen_) {
            return;  // brought up to date as it was about to be shown
        }
        isMenuOpen_ = true;
    }
    addRunningAppsToMenu();
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
    statusMenu.setImage(statusImage());
}

StatusImage AppDelegate::statusImage() const {
    return {monitor.freeMemoryInStart(),
            monitor.totalMemory(),
            isPercentage,
            isMemoryLow(),
            isShowIcon,
            isShowText,
            std::nullopt};
}

void AppDelegate::stopRefreshTimer() {
    if (refreshTimer_ && refreshTimer_->isValid()) {
        refreshTimer_->invalidate();
    }
    refreshTimer_.reset();
}

void AppDelegate::makeRefreshTimer() {
    // A single refresh timer at any time: one that is somehow still running is stopped rather
    // than left to fire beside the new one.
    stopRefreshTimer();
    const std::int64_t seconds =
        std::clamp(timerInterval_, kMinimumTimerInterval, kMaximumTimerInterval);
    refreshTimer_ = platform_.runLoop.addRepeatingTimer(Seconds(static_cast<double>(seconds)),
                                                        [this] { updateMemoryDisplay(); });
}

void AppDelegate::changeRefreshInterval(std::int64_t interval) {
    timerInterval_ = interval;
    stopRefreshTimer();
    // During a clean the timer stays stopped; the restart after it takes the new interval.
    if (!cleaner.isCleanRunning()) {
        makeRefreshTimer();
    }
}

void AppDelegate::startTimerInBackground() {
    // A restart that only gets its turn inside the next clean leaves the timer to that clean's
    // own restart.
    if (cleaner.isCleanRunning()) {
        return;
    }
    updateMemoryDisplay();
    makeRefreshTimer();
}

}  // namespace headroom

#include "app/AppDelegate.h"

#include <utility>

#include "app/PreferenceKeys.h"
#include "app/PreferenceLoad.h"
#include "monitor/MemoryFormat.h"
#include "preferences/SettingWindowController.h"

namespace headroom {

namespace {

/// The text the status item carries until the first statistics are read.
constexpr const char* kPlaceholderTitle = "4.00 GB";
/// The application's own icon (installed in the icon theme as the application id).
constexpr const char* kApplicationIcon = "com.Tidewell.Headroom";
/// The image the status item carries until the first bar icon is drawn.
constexpr const char* kPlaceholderImage = "h2_n";

}  // namespace

AppDelegate::AppDelegate(Platform platform) : platform_(std::move(platform)) {
    // The menu and its section rows exist before the launch begins, as if loaded with the
    // application's interface.
    buildMainMenu();
}

AppDelegate::~AppDelegate() {
    // Timers belong to the run loop, which may outlive the delegate: stop the one that would
    // call back into it.
    if (refreshTimer_ && refreshTimer_->isValid()) {
        refreshTimer_->invalidate();
    }
}

void AppDelegate::buildMainMenu() {
    appMenu_ = std::make_shared<Menu>();
    auto info = [](const char* title) {
        auto item = std::make_shared<MenuItem>(title, nullptr);
        item->setEnabled(false);
        return item;
    };
    // Row 0: the cleaning command, titled at launch.
    appMenu_->addItem(
        std::make_shared<MenuItem>("Clean Memory", [this] { performCleanOperation(); }));
    appMenu_->addItem(MenuItem::separatorItem());
    // Rows 2 to 7: the breakdown, retitled by the refresh (the total once, at launch).
    appMenu_->addItem(info("  Free: -"));
    appMenu_->addItem(info("  Inactive: -"));
    appMenu_->addItem(info("  Active: -"));
    appMenu_->addItem(info("  Wired: -"));
    appMenu_->addItem(info("  Used: -"));
    appMenu_->addItem(info("  Total: -"));
    // Rows 8 and 9: present only while some application is listed below them.
    significantSaperator_ = MenuItem::separatorItem();
    SignificantItem_ =
        std::make_shared<MenuItem>("Significant Usage", [this] { significantUsagePressed(); });
    appMenu_->addItem(significantSaperator_);
    appMenu_->addItem(SignificantItem_);
    // The commands, after the application rows.
    appMenu_->addItem(MenuItem::separatorItem());
    appMenu_->addItem(
        std::make_shared<MenuItem>("Preferences...", [this] { preferencePressed(); }));
    // The welcome row is the one drawn by hand, with the application's icon.
    auto welcome = std::make_shared<MenuItem>("Welcome...", [this] { showThanksWindow(); });
    welcome->setOnStateImage(kApplicationIcon);
    welcome->setDrawsCustomView(true);
    appMenu_->addItem(std::move(welcome));
    appMenu_->addItem(std::make_shared<MenuItem>("Rate Headroom...", [this] { rateAppPressed(); }));
    appMenu_->addItem(std::make_shared<MenuItem>("Quit", [this] { quitPressed(); }));
}

void AppDelegate::applicationWillFinishLaunching() {}

void AppDelegate::applicationDidFinishLaunching() {
    // 3. Cleaning always uses the extreme duration.
    isExtremeClean_ = true;
    appMenu_->itemAtIndex(0)->setTitle("Extreme Clean");

    // 4. A login helper left running from the session start is told to end.
    terminateRunningLoginHelper();

    // 5. Status item with its placeholders. The preferences are not loaded yet, so automatic
    // freeing is off and this title cannot start a clean.
    statusItem_ = platform_.statusBar.statusItemWithLength(StatusBar::variableLength);
    statusItem_->setImage(StatusImage{StatusImage::Kind::Named, kPlaceholderImage, 0.0f, false});
    statusItem_->setAttributedTitle(attTitleFromString(std::string(kPlaceholderTitle)));

    // 6. Preferences, defaults written for missing keys.
    setDefaultValueForPreferences();

    // 7. Containers.
    applicationListArray_.clear();
    memoryDetails_.reset();

    // 8. Total memory; the significance test of step 9 divides by it.
    getTotalMemory();

    // 9. Running applications.
    addRunningAppsToMenu();

    // 10. Menu on the status item.
    statusItem_->setMenu(appMenu_);

    // 11-12. Header and Total rows, written once per launch.
    SignificantItem_->setTitle("Significant Usage");
    appMenu_->itemAtIndex(7)->setTitle("  Total: " + formatTotalMemory(totalMemory_));

    // 13. First statistics replace the placeholders.
    getMemoryDetails();
    checkAutomaticFreeing();
    changeStatusItemTitle();
    setStatusItemIcon();

    // 14. The one stored call that every refresh timer fires.
    invocation_ = [this] { updateMemoryDisplay(); };

    // 15. The refresh timer.
    makeRefreshTimer();
}

void AppDelegate::applicationWillTerminate() {
    // Every setting is stored when it changes: nothing to save.
}

void AppDelegate::terminateRunningLoginHelper() {
    if (platform_.loginItems.loginItemRunning(kHelperBundleIdentifier)) {
        platform_.notificationCenter.postNotification(kTerminateHelperNotification,
                                                      platform_.bundle.bundleIdentifier);
    }
}

void AppDelegate::preferencePressed() {
    // One controller for the whole run: made on the first request, woken on every later one.
    if (!settingWindow_) {
        settingWindow_ = std::make_shared<SettingWindowController>(*this, platform_.settingWindows);
    } else {
        settingWindow_->awakeFromNib();
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

void AppDelegate::significantUsagePressed() {}

void AppDelegate::setDefaultValueForPreferences() {
    auto& store = platform_.preferences;
    isRunOnStartUp = loadBoolPreference(store, kIsRunOnStartUp, kDefaultIsRunOnStartUp);
    isPercentage = loadBoolPreference(store, kIsPercentage, kDefaultIsPercentage);
    isShowIcon = loadBoolPreference(store, kIsShowIcon, kDefaultIsShowIcon);
    isShowText = loadBoolPreference(store, kIsShowText, kDefaultIsShowText);
    strTextSize = loadObjectPreference(store, kStrTextSize, kDefaultStrTextSize);
    refreshInterval = loadIntegerPreference(store, kRefreshInterval, kDefaultRefreshInterval);
    isAutoFreeMemory = loadBoolPreference(store, kIsAutoFreeMemory, kDefaultIsAutoFreeMemory);
    // No clamping here: a stored value outside the controls' ranges is taken as it is.
    memoryLevel = low32Bits(loadIntegerPreference(store, kMemoryLevel, kDefaultMemoryLevel));
    significantThreshold = low32Bits(
        loadIntegerPreference(store, kSignificantThreshold, kDefaultSignificantThreshold));
}

}  // namespace headroom

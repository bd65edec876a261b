#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "monitor/ApplicationRecord.h"
#include "monitor/MemoryFigures.h"
#include "platform/Platform.h"
#include "platform/RgbaImage.h"
#include "statusmenu/Menu.h"

namespace headroom {

class SettingWindowController;

/// Owner of all of the program's state and of the launch sequence. Everything runs on the main
/// thread; the platform is reached only through the ports it was given.
class AppDelegate {
  public:
    explicit AppDelegate(Platform platform);
    ~AppDelegate();
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    // Application lifecycle.
    void applicationWillFinishLaunching();
    void applicationDidFinishLaunching();
    void applicationWillTerminate();

    // Menu commands.
    void preferencePressed();
    void quitPressed();
    void rateAppPressed();
    void significantUsagePressed();

    // Welcome window and network probe.
    void showThanksWindow();
    void showwindow();
    /// Whether the deployment's reachability host can be reached now (nothing is sent to it).
    bool isInternetAvail();

    // Preferences.
    void setDefaultValueForPreferences();
    /// A changed setting, as the user makes it: the property takes the value, the store keeps
    /// it under its key, then the refresh the setting needs runs.
    void setIsPercentage(bool value);
    void setIsShowIcon(bool value);
    void setIsShowText(bool value);
    void setStrTextSize(const std::string& value);
    void setIsAutoFreeMemory(bool value);
    void setIsRunOnStartUp(bool value);
    void setRefreshInterval(std::int64_t value);
    void setMemoryLevel(std::int32_t value);
    void setSignificantThreshold(std::int32_t value);

    // Start at login. `url` is the application's own file URL; registration goes by the login
    // helper's identity, and a refusal is logged with its reason.
    void setStartAtLogin(const std::string& url, bool enabled);

    // Memory figures: bytes from the reading until they are shown.
    void getTotalMemory();
    void getMemoryDetails();
    std::string getStringOfMemoryWithFormat(double bytes) const;

    // Running applications.
    float getMemoryUsageForAppID(std::int32_t processIdentifier);
    void setAllRunningApplications();
    void addRunningAppsToMenu();

    // Status item and menu.
    AttributedTitle attTitleFromString(const std::optional<std::string>& text);
    void changeStatusItemTitle();
    void setStatusItemIcon();
    void updateMemoryDisplay();
    std::shared_ptr<MenuItem> getMenuItemWithTitle(const std::string& title,
                                                   const std::string& icon);

    // Refresh timer.
    void changeRefreshInterval();
    void startTimerInBackground();

    // Cleaning.
    void performCleanOperation();
    void displayCleaningPercentage(const std::string& text);

    // Preference properties: plain values, no side effects (see the write-back rule in the
    // preference controls).
    bool isRunOnStartUp = false;
    bool isPercentage = false;
    bool isShowIcon = false;
    bool isShowText = false;
    bool isAutoFreeMemory = false;
    std::string strTextSize;
    std::int32_t memoryLevel = 0;
    std::int32_t significantThreshold = 0;
    std::int64_t refreshInterval = 0;

    // Read access to the delegate's own fields.
    bool isCleanRunning() const { return isCleanRunning_; }
    /// An automatic clean is scheduled and has not started yet.
    bool isCleanPending() const { return isCleanPending_; }
    const std::vector<std::vector<std::uint8_t>>& DataArray() const { return DataArray_; }
    Seconds lastDate() const { return lastDate_; }
    bool isExtremeClean() const { return isExtremeClean_; }
    bool isSignificantItemRemoved() const { return isSignificantItemRemoved_; }
    double totalMemory() const { return totalMemory_; }
    double freeMemoryInStart() const { return freeMemoryInStart_; }
    /// While the memory figures cannot be read: why (empty when the reason is not known). The
    /// figures shown are then those of the last refresh that could read them.
    const std::optional<std::string>& statisticsFailure() const { return statisticsFailure_; }
    const std::vector<ApplicationRecord>& applicationListArray() const {
        return applicationListArray_;
    }
    const std::shared_ptr<Timer>& refreshTimer() const { return refreshTimer_; }
    const TitleAttributes& attrsDic() const { return attrsDic_; }
    const std::shared_ptr<Menu>& appMenu() const { return appMenu_; }
    const std::shared_ptr<MenuItem>& SignificantItem() const { return SignificantItem_; }
    const std::shared_ptr<MenuItem>& significantSaperator() const { return significantSaperator_; }
    const Platform& platform() const { return platform_; }
    /// The preferences window's controller: none until the first `preferencePressed`.
    const std::shared_ptr<SettingWindowController>& settingWindow() const { return settingWindow_; }

    /// Tag carried by application rows and by no other row.
    static constexpr std::int64_t kApplicationRowTag = 100;
    /// Bounds the timer applies to a stored interval, so that a value put in the store from
    /// outside can neither spin the loop nor stop refreshing.
    static constexpr std::int64_t kMinimumTimerInterval = 1;
    static constexpr std::int64_t kMaximumTimerInterval = 3600;
    /// The resource whose TIFF encoding is one block of a clean.
    static constexpr const char* kCleanBlockImage = "hd";
    /// How long the run loop turns between two passes of a clean.
    static constexpr Seconds kCleanPassPause{0.01};
    /// How long after a refresh finds memory low the automatic clean starts (in the default mode,
    /// so it waits while the menu is open).
    static constexpr Seconds kAutomaticCleanDelay{0.9};
    /// How long an automatic clean that left free memory at or below the level holds back the
    /// next one, unless free memory goes above the level first.
    static constexpr Seconds kAutomaticCleanBackOff{600.0};
    /// The process's out-of-memory score adjustment while a clean runs: if the kernel must
    /// kill, it kills the cleaner first (Documentation/filesystems/proc.rst, oom_score_adj).
    static constexpr int kCleanOomScoreAdj = 1000;

  private:
    void terminateRunningLoginHelper();
    void makeRefreshTimer();
    void buildMainMenu();
    /// Free memory at or below `memoryLevel`: the title is red and automatic freeing may start.
    bool isMemoryLow() const;
    /// The refresh's low-memory step: schedules an automatic clean when memory is low.
    void checkAutomaticFreeing();
    /// A figure of the last reading as shown; empty before the first.
    std::string memoryDetail(double MemoryFigures::*figure) const;
    void holdCleaningBlocks(const RgbaImage* image, std::uint64_t blockLength);
    std::optional<int> raiseOomScoreForClean();
    void restoreOomScoreAfterClean(std::optional<int> previous);
    void logOnce(const std::string& line);
    void logResidentSizeProblem(const char* line, const std::string& problem);

    Platform platform_;

    // The fields, in the order the program has always declared them.
    bool isCleanRunning_ = false;
    std::optional<MemoryFigures> memoryDetails_;
    std::shared_ptr<SettingWindowController> settingWindow_;
    std::shared_ptr<Timer> refreshTimer_;
    Seconds lastDate_{0.0};
    std::vector<std::vector<std::uint8_t>> DataArray_;
    std::unique_ptr<StatusItem> statusItem_;
    std::vector<ApplicationRecord> applicationListArray_;
    double totalMemory_ = 0.0;
    double freeMemoryInStart_ = 0.0;
    std::function<void()> invocation_;
    bool isSignificantItemRemoved_ = false;
    TitleAttributes attrsDic_;
    bool isExtremeClean_ = false;
    std::shared_ptr<Menu> appMenu_;
    std::shared_ptr<MenuItem> SignificantItem_;
    std::shared_ptr<MenuItem> significantSaperator_;

    // Added on Linux: one clean and one refresh timer at a time, and a quiet log.
    bool isCleanPending_ = false;
    /// When the last automatic clean ended, while no title since has found memory above the
    /// level.
    std::optional<Seconds> automaticCleanLeftLow_;
    std::set<std::string> loggedOnce_;
    std::optional<std::string> statisticsFailure_;
    std::set<std::string> residentSizeProblems_;      // met in this refresh
    std::set<std::string> lastResidentSizeProblems_;  // met in the one before
    /// Work queued on the run loop holds a weak copy, so it does nothing once the delegate is
    /// gone (the loop may outlive it).
    std::shared_ptr<char> lifetime_ = std::make_shared<char>('\0');
};

}  // namespace headroom

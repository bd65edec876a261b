#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "cleaner/Cleaner.h"
#include "monitor/MemoryMonitor.h"
#include "monitor/PressureWarning.h"
#include "platform/Platform.h"
#include "preferences/PreferenceModel.h"
#include "statusmenu/StatusMenu.h"
#include "welcome/Welcome.h"

namespace headroom {

class SettingWindowController;

/// Owner of the program's subsystems and of the launch sequence: it hands each subsystem the
/// ports it uses and carries out what needs more than one of them (the refresh, a changed
/// setting). Everything runs on the main thread. The preference properties and their setters
/// are its own (PreferenceModel).
class AppDelegate : public PreferenceModel {
    Platform platform_;  // first: the subsystems below are made from it

  public:
    explicit AppDelegate(Platform platform);
    ~AppDelegate() override;
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    /// The launch, in order; nothing is saved at the end, as every setting is stored when it
    /// changes.
    void applicationDidFinishLaunching();

    // Menu commands.
    void preferencePressed();
    void quitPressed();
    void rateAppPressed();

    // Start at login. Registration goes by the login helper's identity (the application's own
    // location is not needed for it), and a refusal is logged with its reason.
    void setStartAtLogin(bool enabled);

    /// One refresh: the figures, the low-memory step (the automatic clean), the status title
    /// and icon; and, while the menu shows, its rows.
    void updateMemoryDisplay();
    /// The menu's rows from the last figures and a new list of the significant applications.
    void addRunningAppsToMenu();
    /// The status title (and icon) from the last figures; nothing while a clean runs.
    void changeStatusItemTitle();

    /// Stops the refresh timer and starts one of `refreshInterval` seconds (within bounds);
    /// during a clean, only remembers the interval for the restart after it.
    void changeRefreshInterval(std::int64_t refreshInterval);

    /// Bounds of the timer's interval, so that a value put in the store from outside can
    /// neither spin the loop nor stop refreshing.
    static constexpr std::int64_t kMinimumTimerInterval = 1;
    static constexpr std::int64_t kMaximumTimerInterval = 3600;

    // The subsystems, named as their folders.
    MemoryMonitor monitor;
    PressureWarning pressureWarning;
    StatusMenu statusMenu;
    Cleaner cleaner;
    Welcome welcome;

  private:
    void settingChanged(Setting setting) override;
    void terminateRunningLoginHelper();
    void menuEvent(MenuEvent event);
    MenuFigures menuFigures() const;
    StatusImage statusImage() const;
    /// After a clean: refreshes at once and starts a new timer.
    void startTimerInBackground();
    void makeRefreshTimer();
    void stopRefreshTimer();
    /// Free memory at or below `memoryLevel` (in bytes, whatever the percentage mode).
    bool isMemoryLow() const;
    /// A figure of the last reading as shown (amount or percentage); empty before the first.
    std::string memoryDetail(double MemoryFigures::*figure) const;
    void setStatusItemIcon();

    std::shared_ptr<SettingWindowController> settingWindow_;
    std::shared_ptr<Timer> refreshTimer_;
    std::int64_t timerInterval_ = 0;
    bool refreshed_ = false;   // a refresh tick has run
    bool isMenuOpen_ = false;  // the rows follow every refresh
};

}  // namespace headroom

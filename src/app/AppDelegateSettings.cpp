// A changed setting, from the preferences window or the terminal view alike, and start at login:
// the login helper is what the desktop starts.

#include "app/AppDelegate.h"

namespace headroom {

void AppDelegate::settingChanged(Setting setting) {
    switch (setting) {
        case Setting::IsPercentage:
            updateMemoryDisplay();
            break;
        case Setting::IsShowIcon:
            setStatusItemIcon();
            break;
        case Setting::IsShowText:
        case Setting::StrTextSize:
            changeStatusItemTitle();
            break;
        case Setting::IsRunOnStartUp:
            setStartAtLogin(isRunOnStartUp);
            break;
        case Setting::RefreshInterval:
            changeRefreshInterval(refreshInterval);
            break;
        case Setting::PressureLevel:
            pressureWarning.setLevel(pressureLevel);
            break;
        default:
            // The levels and the automatic clean are read where they are used, at the next
            // refresh.
            break;
    }
}

void AppDelegate::setStartAtLogin(bool enabled) {
    if (!platform_.loginItems.setLoginItemEnabled(kHelperBundleIdentifier, enabled)) {
        // The preference keeps the user's choice; the refusal must not go unnoticed.
        platform_.log.log(std::string("Could not ") + (enabled ? "turn on" : "turn off") +
                          " start at login: " + platform_.loginItems.lastError());
    }
}

}  // namespace headroom

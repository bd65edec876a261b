// The delegate's start at login: the login helper is what the desktop starts.

#include "app/AppDelegate.h"

namespace headroom {

void AppDelegate::setStartAtLogin(const std::string& /*url*/, bool enabled) {
    // The identity of the helper is what is registered; the application's own URL is not.
    if (!platform_.loginItems.setLoginItemEnabled(kHelperBundleIdentifier, enabled)) {
        // The preference keeps the user's choice; the refusal must not go unnoticed.
        platform_.log.log(std::string("Could not ") + (enabled ? "turn on" : "turn off") +
                          " start at login: " + platform_.loginItems.lastError());
    }
}

}  // namespace headroom

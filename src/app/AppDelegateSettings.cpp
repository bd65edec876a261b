// The delegate's settings: loaded once at launch, and changed by the user, from the preferences
// window or the terminal view alike: the property takes the value, the store keeps it under its
// key, and then the refresh the setting needs runs. And start at login: the login helper is
// what the desktop starts.

#include "app/AppDelegate.h"
#include "app/PreferenceKeys.h"

namespace headroom {

void AppDelegate::setDefaultValueForPreferences() {
    // Key by key, in this order: a key that holds any value is read with its typed read and
    // taken as it is (no clamping to the controls' ranges); a missing key gets the default,
    // which is written into the store too, so that the value held and the value stored agree.
    PreferenceStore& store = platform_.preferences;
    auto loadBool = [&store](std::string_view name, bool fallback) {
        const std::string key(name);
        if (store.valueForKey(key)) {
            return store.boolForKey(key);
        }
        store.setBool(fallback, key);
        return fallback;
    };
    auto loadInteger = [&store](std::string_view name, std::int64_t fallback) {
        const std::string key(name);
        if (store.valueForKey(key)) {
            return store.integerForKey(key);
        }
        store.setInteger(fallback, key);
        return fallback;
    };
    // The two 32-bit properties keep the low 32 bits of a stored integer, as a signed value.
    auto low32Bits = [](std::int64_t value) {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(value & 0xffffffff));
    };
    isRunOnStartUp = loadBool(kIsRunOnStartUp, kDefaultIsRunOnStartUp);
    isPercentage = loadBool(kIsPercentage, kDefaultIsPercentage);
    isShowIcon = loadBool(kIsShowIcon, kDefaultIsShowIcon);
    isShowText = loadBool(kIsShowText, kDefaultIsShowText);
    const std::string textSizeKey(kStrTextSize);
    if (store.valueForKey(textSizeKey)) {
        strTextSize = store.objectForKey(textSizeKey).value_or(std::string());
    } else {
        strTextSize = kDefaultStrTextSize;
        store.setObject(strTextSize, textSizeKey);
    }
    refreshInterval = loadInteger(kRefreshInterval, kDefaultRefreshInterval);
    isAutoFreeMemory = loadBool(kIsAutoFreeMemory, kDefaultIsAutoFreeMemory);
    memoryLevel = low32Bits(loadInteger(kMemoryLevel, kDefaultMemoryLevel));
    significantThreshold =
        low32Bits(loadInteger(kSignificantThreshold, kDefaultSignificantThreshold));
    pressureLevel = low32Bits(loadInteger(kPressureLevel, kDefaultPressureLevel));
}

void AppDelegate::setIsPercentage(bool value) {
    isPercentage = value;
    platform_.preferences.setBool(value, std::string(kIsPercentage));
    updateMemoryDisplay();
}

void AppDelegate::setIsShowIcon(bool value) {
    isShowIcon = value;
    platform_.preferences.setBool(value, std::string(kIsShowIcon));
    setStatusItemIcon();
}

void AppDelegate::setIsShowText(bool value) {
    isShowText = value;
    platform_.preferences.setBool(value, std::string(kIsShowText));
    changeStatusItemTitle();
}

void AppDelegate::setStrTextSize(const std::string& value) {
    strTextSize = value;
    platform_.preferences.setObject(value, std::string(kStrTextSize));
    changeStatusItemTitle();
}

void AppDelegate::setIsAutoFreeMemory(bool value) {
    // The next refresh decides whether memory is low enough for a clean.
    isAutoFreeMemory = value;
    platform_.preferences.setBool(value, std::string(kIsAutoFreeMemory));
}

void AppDelegate::setIsRunOnStartUp(bool value) {
    isRunOnStartUp = value;
    platform_.preferences.setBool(value, std::string(kIsRunOnStartUp));
    setStartAtLogin(value);
}

void AppDelegate::setRefreshInterval(std::int64_t value) {
    refreshInterval = value;
    platform_.preferences.setInteger(value, std::string(kRefreshInterval));
    changeRefreshInterval(value);
}

void AppDelegate::setMemoryLevel(std::int32_t value) {
    memoryLevel = value;
    platform_.preferences.setInteger(value, std::string(kMemoryLevel));
}

void AppDelegate::setSignificantThreshold(std::int32_t value) {
    significantThreshold = value;
    platform_.preferences.setInteger(value, std::string(kSignificantThreshold));
}

void AppDelegate::setPressureLevel(std::int32_t value) {
    pressureLevel = value;
    platform_.preferences.setInteger(value, std::string(kPressureLevel));
}

void AppDelegate::setStartAtLogin(bool enabled) {
    if (!platform_.loginItems.setLoginItemEnabled(kHelperBundleIdentifier, enabled)) {
        // The preference keeps the user's choice; the refusal must not go unnoticed.
        platform_.log.log(std::string("Could not ") + (enabled ? "turn on" : "turn off") +
                          " start at login: " + platform_.loginItems.lastError());
    }
}

}  // namespace headroom

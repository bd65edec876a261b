#include "preferences/PreferenceModel.h"

#include <type_traits>

#include "preferences/PreferenceKeys.h"

namespace headroom {

namespace {

/// The 32-bit properties keep the low 32 bits of a stored integer, as a signed value.
std::int32_t low32Bits(std::int64_t value) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value & 0xffffffff));
}

}  // namespace

void PreferenceModel::setDefaultValueForPreferences() {
    auto loadBool = [this](std::string_view name, bool fallback) {
        const std::string key(name);
        if (store_.valueForKey(key)) {
            return store_.boolForKey(key);
        }
        store_.setBool(fallback, key);
        return fallback;
    };
    auto loadInteger = [this](std::string_view name, std::int64_t fallback) {
        const std::string key(name);
        if (store_.valueForKey(key)) {
            return store_.integerForKey(key);
        }
        store_.setInteger(fallback, key);
        return fallback;
    };
    isRunOnStartUp = loadBool(kIsRunOnStartUp, kDefaultIsRunOnStartUp);
    isPercentage = loadBool(kIsPercentage, kDefaultIsPercentage);
    isShowIcon = loadBool(kIsShowIcon, kDefaultIsShowIcon);
    isShowText = loadBool(kIsShowText, kDefaultIsShowText);
    const std::string textSizeKey(kStrTextSize);
    if (store_.valueForKey(textSizeKey)) {
        strTextSize = store_.objectForKey(textSizeKey).value_or(std::string());
    } else {
        strTextSize = kDefaultStrTextSize;
        store_.setObject(strTextSize, textSizeKey);
    }
    refreshInterval = loadInteger(kRefreshInterval, kDefaultRefreshInterval);
    isAutoFreeMemory = loadBool(kIsAutoFreeMemory, kDefaultIsAutoFreeMemory);
    memoryLevel = low32Bits(loadInteger(kMemoryLevel, kDefaultMemoryLevel));
    significantThreshold =
        low32Bits(loadInteger(kSignificantThreshold, kDefaultSignificantThreshold));
    pressureLevel = low32Bits(loadInteger(kPressureLevel, kDefaultPressureLevel));
}

template <typename T>
void PreferenceModel::change(T& property, T value, std::string_view key, Setting setting) {
    property = value;
    const std::string name(key);
    if constexpr (std::is_same_v<T, bool>) {
        store_.setBool(value, name);
    } else if constexpr (std::is_same_v<T, std::string>) {
        store_.setObject(value, name);
    } else {
        store_.setInteger(value, name);
    }
    settingChanged(setting);
}

// clang-format off
void PreferenceModel::setIsRunOnStartUp(bool v) { change(isRunOnStartUp, v, kIsRunOnStartUp, Setting::IsRunOnStartUp); }
void PreferenceModel::setIsPercentage(bool v) { change(isPercentage, v, kIsPercentage, Setting::IsPercentage); }
void PreferenceModel::setIsShowIcon(bool v) { change(isShowIcon, v, kIsShowIcon, Setting::IsShowIcon); }
void PreferenceModel::setIsShowText(bool v) { change(isShowText, v, kIsShowText, Setting::IsShowText); }
void PreferenceModel::setStrTextSize(const std::string& v) { change(strTextSize, v, kStrTextSize, Setting::StrTextSize); }
void PreferenceModel::setRefreshInterval(std::int64_t v) { change(refreshInterval, v, kRefreshInterval, Setting::RefreshInterval); }
void PreferenceModel::setIsAutoFreeMemory(bool v) { change(isAutoFreeMemory, v, kIsAutoFreeMemory, Setting::IsAutoFreeMemory); }
void PreferenceModel::setMemoryLevel(std::int32_t v) { change(memoryLevel, v, kMemoryLevel, Setting::MemoryLevel); }
void PreferenceModel::setSignificantThreshold(std::int32_t v) { change(significantThreshold, v, kSignificantThreshold, Setting::SignificantThreshold); }
void PreferenceModel::setPressureLevel(std::int32_t v) { change(pressureLevel, v, kPressureLevel, Setting::PressureLevel); }
// clang-format on

}  // namespace headroom

#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/PreferenceStore.h"

namespace headroom {

/// The preferences model: the properties the application runs by (their keys and defaults are
/// in PreferenceKeys.h), loaded once at launch and changed by the user. The properties are
/// plain values with no side effects; each setter sets its property, stores it under its key,
/// then tells `settingChanged`, which runs the refresh the setting needs.
class PreferenceModel {
  public:
    enum class Setting {
        IsRunOnStartUp,
        IsPercentage,
        IsShowIcon,
        IsShowText,
        StrTextSize,
        RefreshInterval,
        IsAutoFreeMemory,
        MemoryLevel,
        SignificantThreshold,
        PressureLevel
    };

    /// `store` must outlive the model.
    explicit PreferenceModel(PreferenceStore& store) : store_(store) {}
    virtual ~PreferenceModel() = default;
    PreferenceModel(const PreferenceModel&) = delete;
    PreferenceModel& operator=(const PreferenceModel&) = delete;

    /// The launch load, key by key in the keys' order: a key that holds any value is read with
    /// its typed read and taken as it is (no clamping to the controls' ranges); a missing key
    /// gets the default, which is written into the store too, so that the value held and the
    /// value stored agree.
    void setDefaultValueForPreferences();

    void setIsRunOnStartUp(bool value);
    void setIsPercentage(bool value);
    void setIsShowIcon(bool value);
    void setIsShowText(bool value);
    void setStrTextSize(const std::string& value);
    void setRefreshInterval(std::int64_t value);
    void setIsAutoFreeMemory(bool value);
    void setMemoryLevel(std::int32_t value);
    void setSignificantThreshold(std::int32_t value);
    void setPressureLevel(std::int32_t value);

    bool isRunOnStartUp = false;
    bool isPercentage = false;
    bool isShowIcon = false;
    bool isShowText = false;
    std::string strTextSize;
    std::int64_t refreshInterval = 0;
    bool isAutoFreeMemory = false;
    std::int32_t memoryLevel = 0;
    std::int32_t significantThreshold = 0;
    /// The share of the last 10 s in which programs waited for memory (per cent) at which
    /// Headroom warns; 0 turns the warning off.
    std::int32_t pressureLevel = 0;

  protected:
    /// After a setter has stored its value: the refresh that the setting needs.
    virtual void settingChanged(Setting setting) = 0;

  private:
    /// Sets the property, stores it under `key` with the write of its type, then tells.
    template <typename T>
    void change(T& property, T value, std::string_view key, Setting setting);

    PreferenceStore& store_;
};

}  // namespace headroom

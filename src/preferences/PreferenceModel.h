#pragma once

#include <cstdint>
#include <string>

namespace headroom {

/// The preferences model: the properties the application runs by (their keys and defaults are
/// in app/PreferenceKeys.h) and the user's way of changing them. The properties are plain
/// values with no side effects; each setter sets its property, stores it under its key, then
/// runs the refresh the setting needs.
class PreferenceModel {
  public:
    virtual ~PreferenceModel() = default;

    virtual void setIsPercentage(bool value) = 0;
    virtual void setIsShowIcon(bool value) = 0;
    virtual void setIsShowText(bool value) = 0;
    virtual void setStrTextSize(const std::string& value) = 0;
    virtual void setIsAutoFreeMemory(bool value) = 0;
    virtual void setIsRunOnStartUp(bool value) = 0;
    virtual void setRefreshInterval(std::int64_t value) = 0;
    virtual void setMemoryLevel(std::int32_t value) = 0;
    virtual void setSignificantThreshold(std::int32_t value) = 0;
    virtual void setPressureLevel(std::int32_t value) = 0;

    bool isRunOnStartUp = false;
    bool isPercentage = false;
    bool isShowIcon = false;
    bool isShowText = false;
    bool isAutoFreeMemory = false;
    std::string strTextSize;
    std::int32_t memoryLevel = 0;
    std::int32_t significantThreshold = 0;
    /// The share of the last 10 s in which programs waited for memory (per cent) at which
    /// Headroom warns; 0 turns the warning off.
    std::int32_t pressureLevel = 0;
    std::int64_t refreshInterval = 0;
};

}  // namespace headroom

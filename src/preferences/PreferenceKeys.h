#pragma once

#include <cstdint>
#include <string_view>

namespace headroom {

// The keys of the user's preference store, in the order the launch loads them.
inline constexpr std::string_view kIsRunOnStartUp = "isRunOnStartUp";
inline constexpr std::string_view kIsPercentage = "isPercentage";
inline constexpr std::string_view kIsShowIcon = "isShowIcon";
inline constexpr std::string_view kIsShowText = "isShowText";
inline constexpr std::string_view kStrTextSize = "strTextSize";
inline constexpr std::string_view kRefreshInterval = "refreshInterval";
inline constexpr std::string_view kIsAutoFreeMemory = "isAutoFreeMemory";
inline constexpr std::string_view kMemoryLevel = "memoryLevel";
inline constexpr std::string_view kSignificantThreshold = "significantThreshold";
inline constexpr std::string_view kPressureLevel = "pressureLevel";

// Defaults, written into the store for every key it does not hold.
inline constexpr bool kDefaultIsRunOnStartUp = false;
inline constexpr bool kDefaultIsPercentage = false;
inline constexpr bool kDefaultIsShowIcon = true;
inline constexpr bool kDefaultIsShowText = true;
inline constexpr std::string_view kDefaultStrTextSize = "Normal";
inline constexpr std::int64_t kDefaultRefreshInterval = 5;
inline constexpr bool kDefaultIsAutoFreeMemory = false;
inline constexpr std::int32_t kDefaultMemoryLevel = 200;
inline constexpr std::int32_t kDefaultSignificantThreshold = 2;
inline constexpr std::int32_t kDefaultPressureLevel = 10;

}  // namespace headroom

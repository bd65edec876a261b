#pragma once

#include <string>

namespace headroom {

/// The one rule by which every memory figure is shown: a percentage of `totalMemory` ("%0.2f%%",
/// kept within 0 to 100 whatever the figures) when `isPercentage`, else an amount scaled by powers
/// of two: gibibytes labelled "GB", mebibytes labelled "MB", anything under one mebibyte in "KB".
/// Not-a-number and infinite amounts (no real reading gives them) show as 0.
std::string formatMemoryAmount(double bytes, bool isPercentage, double totalMemory);

/// The "Total" text: installed memory in gibibytes, "%0.2f GB", whatever the percentage mode.
std::string formatTotalMemory(double totalBytes);

}  // namespace headroom

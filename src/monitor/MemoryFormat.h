#pragma once

#include <string>
#include <string_view>

namespace headroom {

/// Byte count as the decimal text ("%f") that memory figures travel in between the reading and
/// the formatting.
std::string bytesText(double bytes);

/// Parses text written by `bytesText` (or any decimal number) back to bytes; 0 when it holds
/// no number.
double parseBytesText(std::string_view text);

/// The one rule by which every memory figure is shown: a percentage of `totalMemory` ("%0.2f%%",
/// kept within 0 to 100 whatever the figures) when `isPercentage`, else an amount scaled by powers
/// of two: gibibytes labelled "GB", mebibytes labelled "MB", anything under one mebibyte in "KB".
std::string formatMemoryAmount(std::string_view bytes, bool isPercentage, double totalMemory);

/// The "Total" text: installed memory in gibibytes, "%0.2f GB", whatever the percentage mode.
std::string formatTotalMemory(std::string_view totalBytesDigits);

}  // namespace headroom

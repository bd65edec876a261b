#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/HostMemory.h"

namespace headroom {

/// Parses `/proc/pressure/memory` (the kernel's Documentation/accounting/psi.rst): a `some`
/// line and usually a `full` line, each `avg10=<x> avg60=<x> avg300=<x> total=<µs>`. A line with a
/// missing or malformed field, or an average outside 0–100, counts as absent; without a usable
/// `some` line there is nothing. The first line of each kind wins.
std::optional<MemoryPressure> parsePressure(std::string_view text);

/// The two figures of the ZFS ARC's kstat file (`/proc/spl/kstat/zfs/arcstats`: a header line,
/// then lines of `name type data`) that say how much of it the kernel can take back.
struct ArcStats {
    std::optional<std::uint64_t> size;  ///< bytes the ARC holds now
    std::optional<std::uint64_t> cMin;  ///< bytes it will not shrink below

    friend bool operator==(const ArcStats&, const ArcStats&) = default;
};

ArcStats parseArcStats(std::string_view text);

/// The ARC's size above its floor: memory it gives back under pressure, which MemAvailable does
/// not count; 0 when either figure is absent.
std::uint64_t reclaimableArc(const ArcStats& stats);

}  // namespace headroom

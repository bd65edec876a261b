#include "platform/linux/MemInfo.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <system_error>

namespace headroom {

namespace {

// Layout of a line, from the kernel's fs/proc/meminfo.c (show_val_kb): the key, a colon,
// spaces for alignment, the decimal value, then " kB". Documentation/filesystems/proc.rst
// describes each field.

constexpr std::uint64_t kMaxKilobytes = std::numeric_limits<std::uint64_t>::max() / 1024;

std::string_view trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r");
    return first == std::string_view::npos
               ? std::string_view{}
               : s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

/// "<digits> kB" → kB; anything else, or a value whose byte count would not fit in 64 bits,
/// → nothing. (from_chars takes no sign for an unsigned number; the kernel never writes one.)
std::optional<std::uint64_t> parseKilobytes(std::string_view value) {
    value = trim(value);
    std::uint64_t number = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    const std::string_view unit = value.substr(static_cast<std::size_t>(end - value.data()));
    // At least one blank between the number and the unit.
    if (error != std::errc{} || end == value.data() || unit.empty() || trim(unit) != "kB" ||
        trim(unit).size() == unit.size() || number > kMaxKilobytes) {
        return std::nullopt;
    }
    return number;
}

struct Field {
    std::string_view key;
    std::optional<std::uint64_t> MemInfo::*member;
};

constexpr Field kFields[] = {
    {"MemTotal", &MemInfo::memTotal},
    {"MemFree", &MemInfo::memFree},
    {"MemAvailable", &MemInfo::memAvailable},
    {"Active", &MemInfo::active},
    {"Inactive", &MemInfo::inactive},
    {"Unevictable", &MemInfo::unevictable},
    {"SUnreclaim", &MemInfo::sUnreclaim},
    {"KernelStack", &MemInfo::kernelStack},
    {"PageTables", &MemInfo::pageTables},
    {"SecPageTables", &MemInfo::secPageTables},
    {"Percpu", &MemInfo::percpu},
    {"SwapTotal", &MemInfo::swapTotal},
    {"SwapFree", &MemInfo::swapFree},
};
constexpr std::size_t kFieldCount = sizeof(kFields) / sizeof(kFields[0]);

}  // namespace

MemInfo parseMemInfo(std::string_view text) {
    MemInfo info;
    // Keys seen so far (even with an unusable value), so that the first occurrence wins.
    bool seen[kFieldCount] = {};
    for (std::size_t start = 0, newline = 0; newline != std::string_view::npos;
         start = newline + 1) {
        newline = text.find('\n', start);
        const std::string_view line = text.substr(start, newline - start);
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos || colon == 0) {
            continue;  // not "Key: value"
        }
        const std::string_view key = line.substr(0, colon);
        for (std::size_t i = 0; i < kFieldCount; ++i) {
            if (kFields[i].key == key && !seen[i]) {  // first occurrence wins
                seen[i] = true;
                info.*kFields[i].member = parseKilobytes(line.substr(colon + 1));
            }
        }
        // Keys we do not use, and garbage before a colon, match nothing and are skipped.
    }
    return info;
}

std::optional<VmStatistics> vmStatisticsFromMemInfo(const MemInfo& info) {
    if (!info.memFree || !info.active || !info.inactive) {
        return std::nullopt;
    }
    // Each field is at most 2^54 kB (the parser's bound), so its bytes fit; the wired sum of six
    // may not, and stops at the largest count.
    std::uint64_t wired = 0;
    for (const auto* field : {&info.unevictable, &info.sUnreclaim, &info.kernelStack,
                              &info.pageTables, &info.secPageTables, &info.percpu}) {
        wired += field->value_or(0);
    }
    const auto bytes = [](std::optional<std::uint64_t> kB) {
        return kB ? std::optional(*kB * 1024) : std::nullopt;
    };
    const bool swap = info.swapTotal && info.swapFree;
    return VmStatistics{
        *info.memFree * 1024, *info.active * 1024, *info.inactive * 1024,
        std::min(wired, kMaxKilobytes) * 1024, bytes(info.memAvailable),
        swap ? bytes(info.swapTotal) : std::nullopt,
        // SwapFree above SwapTotal cannot be: none is used then.
        swap ? bytes(*info.swapTotal - std::min(*info.swapTotal, *info.swapFree)) : std::nullopt};
}

}  // namespace headroom

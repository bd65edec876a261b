#include "platform/linux/KernelPressure.h"

#include <algorithm>
#include <charconv>
#include <system_error>

namespace headroom {

namespace {

/// Calls `line` with each line of `text`, without its newline.
template <typename Line>
void forEachLine(std::string_view text, Line line) {
    for (std::size_t start = 0, end = 0; end != std::string_view::npos; start = end + 1) {
        end = text.find('\n', start);
        line(text.substr(start, end - start));
    }
}

/// The next blank-separated word of `rest`, taken off its front.
std::string_view nextWord(std::string_view& rest) {
    const auto first = rest.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        rest = {};
        return {};
    }
    rest.remove_prefix(first);
    const auto end = std::min(rest.find_first_of(" \t\r"), rest.size());
    const std::string_view word = rest.substr(0, end);
    rest.remove_prefix(end);
    return word;
}

/// The whole of `text` as a number, or nothing.
template <typename Number>
std::optional<Number> wholeNumber(std::string_view text) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || text.empty() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

/// "avg10=0.12 avg60=0.05 avg300=0.01 total=12345", in the kernel's order; the averages are
/// shares in 0–100. Words a later kernel may append are ignored.
std::optional<StallAverages> parseAverages(std::string_view rest) {
    StallAverages averages;
    constexpr std::string_view kKeys[] = {"avg10=", "avg60=", "avg300="};
    double* const shares[] = {&averages.avg10, &averages.avg60, &averages.avg300};
    for (std::size_t i = 0; i < 3; ++i) {
        const std::string_view word = nextWord(rest);
        const auto share = word.starts_with(kKeys[i])
                               ? wholeNumber<double>(word.substr(kKeys[i].size()))
                               : std::nullopt;
        if (!share || !(*share >= 0.0 && *share <= 100.0)) {  // NaN fails both
            return std::nullopt;
        }
        *shares[i] = *share;
    }
    const std::string_view word = nextWord(rest);
    const auto total =
        word.starts_with("total=") ? wholeNumber<std::uint64_t>(word.substr(6)) : std::nullopt;
    if (!total) {
        return std::nullopt;
    }
    averages.total = *total;
    return averages;
}

}  // namespace

std::optional<MemoryPressure> parsePressure(std::string_view text) {
    std::optional<std::optional<StallAverages>> some;
    std::optional<std::optional<StallAverages>> full;
    forEachLine(text, [&](std::string_view rest) {
        const std::string_view kind = nextWord(rest);
        auto& line = kind == "some" ? some : full;
        if ((kind == "some" || kind == "full") && !line) {
            line = parseAverages(rest);
        }
    });
    if (!some || !*some) {
        return std::nullopt;
    }
    return MemoryPressure{**some, full ? *full : std::nullopt};
}

ArcStats parseArcStats(std::string_view text) {
    ArcStats stats;
    forEachLine(text, [&](std::string_view rest) {
        const std::string_view name = nextWord(rest);
        auto* const field = name == "size" ? &stats.size : name == "c_min" ? &stats.cMin : nullptr;
        nextWord(rest);  // the kstat type: 4, a 64-bit unsigned number
        const std::string_view data = nextWord(rest);
        if (field != nullptr && !*field && nextWord(rest).empty()) {
            *field = wholeNumber<std::uint64_t>(data);
        }
    });
    return stats;
}

std::uint64_t reclaimableArc(const ArcStats& stats) {
    return stats.size && stats.cMin && *stats.size > *stats.cMin ? *stats.size - *stats.cMin : 0;
}

}  // namespace headroom

// /proc/meminfo text (a --procfs tree is anyone's file) through the parser and the mapping to
// bytes; the same text through the pressure and ARC parsers, which read files of the same tree.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "platform/linux/KernelPressure.h"
#include "platform/linux/MemInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const headroom::MemInfo info = headroom::parseMemInfo(text);

    // The last line may lack its newline: adding one changes nothing.
    HEADROOM_FUZZ_CHECK(headroom::parseMemInfo(std::string(text) + "\n") == info);

    const auto statistics = headroom::vmStatisticsFromMemInfo(info);
    HEADROOM_FUZZ_CHECK(statistics.has_value() == (info.memFree && info.active && info.inactive));
    if (statistics) {
        HEADROOM_FUZZ_CHECK(statistics->free == *info.memFree * 1024);
        HEADROOM_FUZZ_CHECK(statistics->wired % 1024 == 0);
    }
    if (const auto pressure = headroom::parsePressure(text)) {
        HEADROOM_FUZZ_CHECK(pressure->some.avg10 >= 0.0 && pressure->some.avg10 <= 100.0);
    }
    const auto arc = headroom::parseArcStats(text);
    HEADROOM_FUZZ_CHECK(headroom::reclaimableArc(arc) <= arc.size.value_or(0));
    return 0;
}

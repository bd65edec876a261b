// /proc/meminfo text (a --procfs tree is anyone's file) through the parser and the page mapping.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "platform/linux/MemInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const headroom::MemInfo info = headroom::parseMemInfo(text);

    // The last line may lack its newline: adding one changes nothing.
    HEADROOM_FUZZ_CHECK(headroom::parseMemInfo(std::string(text) + "\n") == info);

    HEADROOM_FUZZ_CHECK(!headroom::vmStatisticsFromMemInfo(info, 0));
    for (const std::uint64_t pageSize : {1U, 1024U, 4096U, 16384U, 65536U}) {
        const auto statistics = headroom::vmStatisticsFromMemInfo(info, pageSize);
        HEADROOM_FUZZ_CHECK(statistics.has_value() ==
                            (info.memFree && info.active && info.inactive));
        if (statistics && pageSize == 1024U) {
            HEADROOM_FUZZ_CHECK(statistics->freeCount == *info.memFree);
            HEADROOM_FUZZ_CHECK(statistics->speculativeCount == 0);
        }
    }
    return 0;
}

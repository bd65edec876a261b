// Memory figures as text: parsed back to bytes and formatted, as amounts and as percentages.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzCheck.h"
#include "monitor/MemoryFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const double bytes = headroom::parseBytesText(text);
    HEADROOM_FUZZ_CHECK(std::isfinite(bytes));
    // A whole number of bytes survives its trip through text.
    if (bytes == std::trunc(bytes)) {
        HEADROOM_FUZZ_CHECK(headroom::parseBytesText(headroom::bytesText(bytes)) == bytes);
    }
    for (const double total : {8589934592.0, 1.0, 0.0}) {
        (void)headroom::formatMemoryAmount(text, true, total);
    }
    (void)headroom::formatMemoryAmount(text, false, 0.0);
    (void)headroom::formatTotalMemory(text);
    return 0;
}

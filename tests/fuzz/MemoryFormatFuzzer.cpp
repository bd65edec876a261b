// Memory figures of any value, formatted as amounts and as percentages: always two decimals and
// a unit, never "nan" or "inf".

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "FuzzCheck.h"
#include "monitor/MemoryFormat.h"

namespace {

bool wellFormed(const std::string& text) {
    const auto point = text.find('.');
    return point != std::string::npos && point + 3 <= text.size() &&
           text.find_first_of("ni") == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    double figures[2] = {0.0, 0.0};
    std::memcpy(figures, data, size < sizeof figures ? size : sizeof figures);
    const double bytes = figures[0];
    for (const double total : {8589934592.0, 1.0, 0.0, figures[1]}) {
        HEADROOM_FUZZ_CHECK(wellFormed(headroom::formatMemoryAmount(bytes, true, total)));
        HEADROOM_FUZZ_CHECK(wellFormed(headroom::formatMemoryAmount(bytes, false, total)));
    }
    (void)headroom::formatTotalMemory(bytes);
    return 0;
}

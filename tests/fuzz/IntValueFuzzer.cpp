// Text typed into the preferences window's number fields: the integer reading and the bounds.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzCheck.h"
#include "preferences/PreferenceRules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::int32_t value = headroom::intValue(text);
    const std::int32_t level = headroom::boundMemoryLevel(value);
    HEADROOM_FUZZ_CHECK(level >= headroom::kMinimumMemoryLevel &&
                        level <= headroom::kMaximumMemoryLevel);
    const std::int32_t threshold = headroom::boundSignificantThreshold(value);
    HEADROOM_FUZZ_CHECK(threshold >= headroom::kMinimumSignificantThreshold &&
                        threshold <= headroom::kMaximumSignificantThreshold);
    // A value already within bounds is kept.
    if (value >= headroom::kMinimumMemoryLevel && value <= headroom::kMaximumMemoryLevel) {
        HEADROOM_FUZZ_CHECK(level == value);
    }
    return 0;
}

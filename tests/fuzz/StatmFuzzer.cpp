// /proc/<pid>/statm text through the resident-size reading.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/linux/ProcWorkspace.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    (void)headroom::parseStatmResidentPages(text);
    return 0;
}

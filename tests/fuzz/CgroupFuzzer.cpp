// /proc/<pid>/cgroup text, and the unit names and paths inside it, through the unit parsers.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzCheck.h"
#include "platform/linux/CgroupUnit.h"

namespace {

void checkUnit(const std::optional<headroom::AppUnit>& unit) {
    if (!unit) {
        return;
    }
    // Known ids: every other candidate, so both the search and its fallback run.
    std::size_t calls = 0;
    const auto id = unit->applicationId([&calls](std::string_view) { return ++calls % 2 == 0; });
    if (id && !unit->requiresKnownId) {
        HEADROOM_FUZZ_CHECK(!unit->candidates.empty());
    }
    (void)unit->applicationId([](std::string_view) { return false; });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    checkUnit(headroom::appUnitOfCgroupFile(text));
    checkUnit(headroom::appUnitOfCgroupPath(text));
    checkUnit(headroom::parseAppUnitName(text));
    // Unescaping only ever shortens: "\xNN" (four bytes) becomes one.
    HEADROOM_FUZZ_CHECK(headroom::unescapeUnitName(text).size() <= text.size());
    return 0;
}

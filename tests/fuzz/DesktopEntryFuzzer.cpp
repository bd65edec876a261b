// Desktop entry text (any installed application's file) through the parser and every accessor,
// for locales with and without country and modifier variants.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzCheck.h"
#include "platform/linux/DesktopEntry.h"

namespace {

void readEntry(const headroom::DesktopEntry& entry) {
    for (const std::string_view key : {"Name", "Comment", "Icon", "Exec", "Type"}) {
        const auto plain = entry.string(key);
        const auto localized = entry.localeString(key);
        HEADROOM_FUZZ_CHECK(!plain || entry.has(key));
        // The unlocalized value is the last resort of the localized one.
        HEADROOM_FUZZ_CHECK(!plain || localized);
    }
    (void)entry.boolean("NoDisplay");
    (void)entry.boolean("Hidden", true);
    (void)entry.stringList("Categories");
    (void)entry.localeStringList("Keywords");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    static const headroom::DesktopLocale locales[] = {
        headroom::DesktopLocale::fromName("sr_RS@latin"),
        headroom::DesktopLocale::fromName("pt_BR.UTF-8"),
        headroom::DesktopLocale::fromName("C"),
    };
    for (const auto& locale : locales) {
        if (const auto entry = headroom::parseDesktopEntry(text, locale)) {
            readEntry(*entry);
        }
    }
    // The same bytes as a locale name (from the environment) and as a key's locale.
    const auto locale = headroom::DesktopLocale::fromName(text);
    (void)locale.match(text);
    (void)locales[0].match(text);
    (void)headroom::splitDesktopList(text);
    HEADROOM_FUZZ_CHECK(headroom::unescapeDesktopString(text).size() <= text.size());
    return 0;
}

// A response body and a form error from the list service, through the welcome window's rules.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "welcome/WelcomeRules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (headroom::asksForEmailConfirmation(text)) {
        HEADROOM_FUZZ_CHECK(text.find(headroom::kConfirmationPhrase) != std::string_view::npos);
    }
    const auto cut = headroom::formErrorInformativeText(std::string(text));
    if (cut) {
        // The cut keeps the start of the error, never more.
        HEADROOM_FUZZ_CHECK(text.starts_with(*cut));
    }
    HEADROOM_FUZZ_CHECK(!headroom::formErrorInformativeText(std::nullopt));
    return 0;
}

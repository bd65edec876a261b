#include "welcome/WelcomeRules.h"

#include <cstddef>

namespace headroom {

bool asksForEmailConfirmation(std::string_view body) {
    return body.find(kTestPageMarker) == std::string_view::npos &&
           body.find(kConfirmationPhrase) != std::string_view::npos;
}

std::optional<std::string> formErrorInformativeText(const std::optional<std::string>& error) {
    if (!error || error->empty()) {
        return std::nullopt;
    }
    const std::string& text = *error;
    if (text.find(kAlreadySubscribedPhrase) == std::string::npos) {
        return text;
    }
    const std::size_t link = text.find(kLinkStart);
    if (link == std::string::npos || link == 0) {
        return text;
    }
    // One character goes, not one byte: a multi-byte character before the link is dropped
    // whole (back over its continuation bytes, 10xxxxxx), so that the text stays valid UTF-8.
    std::size_t cut = link - 1;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0U) == 0x80U) {
        --cut;
    }
    return text.substr(0, cut);
}

}  // namespace headroom

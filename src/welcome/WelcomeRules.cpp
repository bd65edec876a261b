#include "welcome/WelcomeRules.h"

#include <cstddef>
#include <cstdint>

namespace headroom {

namespace {

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0U) == 0x80U;
}

char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool isValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        std::size_t length = 0;
        std::uint32_t value = 0;
        std::uint32_t minimum = 0;
        if (lead < 0x80U) {
            ++i;
            continue;
        } else if ((lead & 0xE0U) == 0xC0U) {
            length = 2;
            value = lead & 0x1FU;
            minimum = 0x80U;
        } else if ((lead & 0xF0U) == 0xE0U) {
            length = 3;
            value = lead & 0x0FU;
            minimum = 0x800U;
        } else if ((lead & 0xF8U) == 0xF0U) {
            length = 4;
            value = lead & 0x07U;
            minimum = 0x10000U;
        } else {
            return false;
        }
        if (bytes.size() - i < length) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if (!isContinuation(next)) {
                return false;
            }
            value = (value << 6U) | (next & 0x3FU);
        }
        if (value < minimum || value > 0x10FFFFU || (value >= 0xD800U && value <= 0xDFFFU)) {
            return false;
        }
        i += length;
    }
    return true;
}

bool asksForEmailConfirmation(std::string_view body) {
    return isValidUtf8(body) && body.find(kTestPageMarker) == std::string_view::npos &&
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
    // whole, so that the text stays valid UTF-8.
    std::size_t cut = link - 1;
    while (cut > 0 && isContinuation(static_cast<unsigned char>(text[cut]))) {
        --cut;
    }
    return text.substr(0, cut);
}

bool isBrowserURL(std::string_view url) {
    const std::size_t colon = url.find(':');
    if (colon == std::string_view::npos) {
        return false;
    }
    std::string scheme;
    for (const char c : url.substr(0, colon)) {
        scheme += asciiLower(c);
    }
    // A host must follow: "http:" alone, or "http:///path", names no web page.
    const std::string_view rest = url.substr(colon + 1);
    const bool hasHost = rest.size() > 2 && rest.substr(0, 2) == "//" && rest[2] != '/';
    return (scheme == "http" || scheme == "https") && hasHost;
}

}  // namespace headroom

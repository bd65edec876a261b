#pragma once

#include <string>

namespace headroom {

/// Letter case by the Unicode character tables, which the standard library does not carry.
class TextCase {
  public:
    virtual ~TextCase() = default;
    /// `text` (UTF-8) with every letter in capitals; text that is not valid UTF-8 comes back
    /// as it is.
    virtual std::string uppercaseString(const std::string& text) const = 0;
};

}  // namespace headroom

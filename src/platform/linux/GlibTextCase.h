#pragma once

#include <string>

#include "platform/TextCase.h"

namespace headroom {

/// Letter case by GLib's Unicode tables (g_utf8_strup), whatever the locale.
class GlibTextCase final : public TextCase {
  public:
    std::string uppercaseString(const std::string& text) const override;
};

}  // namespace headroom

#pragma once

#include <string>

namespace headroom {

/// One running application with a significant share of memory, as listed in the menu.
struct ApplicationRecord {
    std::string appName;    ///< localized name
    std::string appIcon;    ///< icon name, the generic application icon when it has none
    float appUsage = 0.0f;  ///< resident memory in per cent of installed memory

    friend bool operator==(const ApplicationRecord&, const ApplicationRecord&) = default;
};

}  // namespace headroom

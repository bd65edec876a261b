#pragma once

#include <string_view>

namespace headroom {

/// The system log: one diagnostic line per call.
class SystemLog {
  public:
    virtual ~SystemLog() = default;
    virtual void log(std::string_view line) = 0;
};

}  // namespace headroom

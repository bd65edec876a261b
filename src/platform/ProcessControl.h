#pragma once

#include <optional>
#include <string>

namespace headroom {

/// Settings of the program's own process that the operating system lets it change.
class ProcessControl {
  public:
    virtual ~ProcessControl() = default;

    /// The process's out-of-memory score adjustment, from −1000 (never chosen) to 1000 (chosen
    /// first); nothing when it cannot be read.
    virtual std::optional<int> oomScoreAdj() = 0;

    /// Sets the adjustment; false when the system refused.
    virtual bool setOomScoreAdj(int value) = 0;

    /// Why the last call failed; empty when it did not.
    virtual std::string lastError() const = 0;
};

}  // namespace headroom

#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace headroom {

/// Result of measuring an application's resident memory.
struct ResidentSizeReading {
    enum class Status { Ok, Unreadable, Short };
    /// Ok while any of its processes can be measured.
    Status status = Status::Unreadable;
    /// Its processes that could be measured, together.
    std::uint64_t residentBytes = 0;
    /// When not Ok: what went wrong with its first process, naming the file where there is one
    /// ("cannot open /proc/4242/statm: No such file or directory"); may be empty.
    std::string problem;
    /// Its other processes that could not be measured: how, and what went wrong.
    std::vector<std::pair<Status, std::string>> unmeasured;
};

/// A desktop application the user launched and can switch to.
struct RunningApplication {
    std::string localizedName;
    std::string iconName;  ///< empty when the application reports no icon
    ResidentSizeReading residentSize;
};

/// The running applications of the user's session.
class Workspace {
  public:
    virtual ~Workspace() = default;
    /// The applications, each measured, in the order in which they started.
    virtual std::vector<RunningApplication> runningApplications() = 0;
};

}  // namespace headroom

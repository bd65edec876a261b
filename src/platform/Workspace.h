#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace headroom {

/// Result of measuring an application's resident memory.
struct ResidentSizeReading {
    enum class Status { Ok, Unreadable, Short };
    /// That of its first process: when that one cannot be measured, neither can the application.
    Status status = Status::Unreadable;
    /// All its processes together; one gone since the listing adds nothing.
    std::uint64_t residentBytes = 0;
    /// When not Ok: what went wrong, naming the file where there is one ("cannot open
    /// /proc/4242/statm: No such file or directory"); may be empty.
    std::string problem;
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

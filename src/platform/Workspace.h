#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace headroom {

/// How a running application takes part in the desktop.
enum class ActivationPolicy {
    Regular,     ///< a desktop application the user launched and can switch to
    Accessory,   ///< a helper with no place of its own in the desktop
    Prohibited,  ///< a background process
};

struct RunningApplication {
    std::string bundleIdentifier;  ///< empty when the application has none
    std::int32_t processIdentifier = -1;
    ActivationPolicy activationPolicy = ActivationPolicy::Prohibited;
    std::string localizedName;
    std::string iconName;  ///< empty when the application reports no icon
    /// Every process that makes up the application; the first is `processIdentifier`.
    std::vector<std::int32_t> processIdentifiers;
};

/// Result of asking for a process's resident size.
struct ResidentSizeReading {
    enum class Status { Ok, Unreadable, Short };
    Status status = Status::Unreadable;
    std::uint64_t residentBytes = 0;
    /// When not Ok: what went wrong, naming the file where there is one ("cannot open
    /// /proc/4242/statm: No such file or directory"); may be empty.
    std::string problem;
};

/// The running applications of the user's session.
class Workspace {
  public:
    virtual ~Workspace() = default;
    virtual std::vector<RunningApplication> runningApplications() = 0;
    /// Resident memory of one process.
    virtual ResidentSizeReading residentSize(std::int32_t processIdentifier) = 0;
};

}  // namespace headroom

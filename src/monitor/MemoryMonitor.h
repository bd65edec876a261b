#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/HostMemory.h"
#include "platform/SystemLog.h"
#include "platform/Workspace.h"

namespace headroom {

/// The breakdown shown in the menu, in bytes.
struct MemoryFigures {
    double wired = 0.0;
    double active = 0.0;
    double inactive = 0.0;
    double free = 0.0;
    /// Total less free, so that free and used always add up to the installed memory; 0 when
    /// free exceeds the total (an impossible reading).
    double used = 0.0;
    /// What programs could still be given without swapping; nothing where it is not known.
    std::optional<double> available = {};
    /// Swap space and its part in use; nothing where the kernel does not say.
    std::optional<double> swapTotal = {};
    std::optional<double> swapUsed = {};
};

/// One running application with a significant share of memory, as listed in the menu.
struct ApplicationRecord {
    std::string appName;    ///< localized name
    std::string appIcon;    ///< icon name, the generic application icon when it has none
    float appUsage = 0.0f;  ///< resident memory in per cent of installed memory
};

/// The machine's memory figures, in bytes, and the running applications that hold a
/// significant share of it.
class MemoryMonitor {
  public:
    MemoryMonitor(HostMemory& hostMemory, Workspace& workspace, SystemLog& log);

    /// Reads the installed memory; once, at launch.
    void getTotalMemory();
    /// Reads the breakdown. A failed read is logged (once while the same thing fails) and
    /// keeps the figures of the last good one.
    void getMemoryDetails();
    /// Lists the regular applications holding at least `significantThreshold` per cent of
    /// installed memory, largest first.
    void setAllRunningApplications(std::int32_t significantThreshold);

    double totalMemory() const { return totalMemory_; }
    /// Free memory of the last good reading; 0 before the first.
    double freeMemoryInStart() const { return freeMemoryInStart_; }
    /// The breakdown of the last good reading; nothing before the first.
    const std::optional<MemoryFigures>& memoryDetails() const { return memoryDetails_; }
    /// Memory pressure of the last reading; nothing where the kernel does not report it.
    const std::optional<MemoryPressure>& pressure() const { return pressure_; }
    /// While the figures cannot be read: why (empty when the reason is not known).
    const std::optional<std::string>& statisticsFailure() const { return statisticsFailure_; }
    const std::vector<ApplicationRecord>& applicationListArray() const {
        return applicationListArray_;
    }

  private:
    /// An application's resident memory in mebibytes; -1 when it cannot be measured ("Error",
    /// "Error 2" in the log).
    float getMemoryUsageForAppID(const ResidentSizeReading& reading);
    void logResidentSizeProblem(const char* line, const std::string& problem);

    HostMemory& hostMemory_;
    Workspace& workspace_;
    SystemLog& log_;
    double totalMemory_ = 0.0;
    double freeMemoryInStart_ = 0.0;
    std::optional<MemoryFigures> memoryDetails_;
    std::optional<MemoryPressure> pressure_;
    std::optional<std::string> statisticsFailure_;
    std::vector<ApplicationRecord> applicationListArray_;
    std::set<std::string> residentSizeProblems_;      // met in this refresh
    std::set<std::string> lastResidentSizeProblems_;  // met in the one before
};

}  // namespace headroom

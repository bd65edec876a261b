
#include <algorithm>
#include <utility>

#include "monitor/MemoryMonitor.h"

namespace headroom {

namespace {

/// Icon of the freedesktop icon naming specification for an application that names none.
constexpr const char* kGenericApplicationIcon = "application-x-executable";

}  // namespace

MemoryMonitor::MemoryMonitor(HostMemory& hostMemory, Workspace& workspace, SystemLog& log)
    : hostMemory_(hostMemory), workspace_(workspace), log_(log) {}

void MemoryMonitor::getTotalMemory() {
    totalMemory_ = static_cast<double>(hostMemory_.physicalMemory());
}

void MemoryMonitor::getMemoryDetails() {
    pressure_ = hostMemory_.pressure();
    std::string reason;
    const auto statistics = hostMemory_.statistics(reason);
    if (!statistics) {
        // Logged once while the same thing fails, not on every refresh.
        if (statisticsFailure_ != reason) {
            log_.log(reason.empty() ? "Failed to fetch vm statistics"
                                    : "Failed to fetch vm statistics: " + reason);
        }
        statisticsFailure_ = reason;
        // Nothing was read: the figures of the last good refresh stand rather than zeros,
        // which would show a machine with no free memory.
        return;
    }
    statisticsFailure_.reset();
    const auto free = static_cast<double>(statistics->free);
    // Free above the installed memory is impossible, but a substitute meminfo can say so; used
    // memory is then none, never a negative amount.
    const auto bytes = [](std::optional<std::uint64_t> count) {
        return count ? std::optional(static_cast<double>(*count)) : std::nullopt;
    };
    memoryDetails_ = MemoryFigures{static_cast<double>(statistics->wired),
                                   static_cast<double>(statistics->active),
                                   static_cast<double>(statistics->inactive),
                                   free,
                                   std::max(0.0, totalMemory_ - free),
                                   bytes(statistics->available),
                                   bytes(statistics->swapTotal),
                                   bytes(statistics->swapUsed)};
    freeMemoryInStart_ = free;
}

float MemoryMonitor::getMemoryUsageForAppID(const ResidentSizeReading& reading) {
    // Processes left out of an application that is still measured are said in the log too.
    for (const auto& [status, problem] : reading.unmeasured) {
        logResidentSizeProblem(status == ResidentSizeReading::Status::Short ? "Error 2" : "Error",
                               problem);
    }
    switch (reading.status) {
        case ResidentSizeReading::Status::Unreadable:
            logResidentSizeProblem("Error", reading.problem);
            return -1.0f;
        case ResidentSizeReading::Status::Short:
            logResidentSizeProblem("Error 2", reading.problem);
            return -1.0f;
        case ResidentSizeReading::Status::Ok:
            break;
    }
    return static_cast<float>(reading.residentBytes) * 0x1p-20f;
}

void MemoryMonitor::logResidentSizeProblem(const char* line, const std::string& problem) {
    // A process that cannot be measured stays so from one refresh to the next: say it once,
    // and again only if it comes back after a refresh without it.
    const std::string text = problem.empty() ? std::string(line) : line + (": " + problem);
    if (residentSizeProblems_.insert(text).second && !lastResidentSizeProblems_.contains(text)) {
        log_.log(text);
    }
}

void MemoryMonitor::setAllRunningApplications(std::int32_t significantThreshold) {
    lastResidentSizeProblems_ = std::exchange(residentSizeProblems_, {});
    applicationListArray_.clear();
    for (const auto& application : workspace_.runningApplications()) {
        const float usage = getMemoryUsageForAppID(application.residentSize);
        const auto share =
            static_cast<float>(static_cast<double>(usage * 100.0f) / (totalMemory_ * 0x1p-20));
        if (static_cast<float>(significantThreshold) > share) {
            continue;
        }
        applicationListArray_.push_back(ApplicationRecord{
            application.localizedName,
            application.iconName.empty() ? kGenericApplicationIcon : application.iconName, share});
    }
    std::stable_sort(applicationListArray_.begin(), applicationListArray_.end(),
                     [](const ApplicationRecord& a, const ApplicationRecord& b) {
                         return a.appUsage > b.appUsage;
                     });
}

}  // namespace headroom

#include "monitor/PressureWarning.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "monitor/MemoryFormat.h"

namespace headroom {

PressureWarning::PressureWarning(RunLoop& runLoop, HostMemory& hostMemory, Workspace& workspace,
                                 DesktopNotifier& notifier)
    : runLoop_(runLoop), hostMemory_(hostMemory), workspace_(workspace), notifier_(notifier) {}

void PressureWarning::setLevel(double percent) {
    level_ = std::max(percent, 0.0);
    check();
}

void PressureWarning::check() {
    observe(level_ > 0.0 ? hostMemory_.pressure() : std::nullopt);
}

void PressureWarning::observe(const std::optional<MemoryPressure>& pressure) {
    const Seconds now = runLoop_.now();
    // A kernel that stops reporting (or a warning turned off) counts as calm.
    const double share = level_ > 0.0 && pressure ? pressure->some.avg10 : 0.0;
    if (level_ > 0.0 && share >= level_) {
        calmSince_.reset();
        highSince_ = highSince_.value_or(now);
        if (now - *highSince_ >= kSustained && (!shownAt_ || now - *shownAt_ >= kSustained)) {
            notify(share);
        }
        wakeAt(shownAt_ ? *shownAt_ + kSustained : *highSince_ + kSustained);
        return;
    }
    highSince_.reset();
    if (share >= level_ / 2) {
        calmSince_.reset();
    } else {
        calmSince_ = calmSince_.value_or(now);
    }
    if (shownAt_ && (level_ <= 0.0 || (calmSince_ && now - *calmSince_ >= kCalm))) {
        notifier_.withdraw();
        shownAt_.reset();
    } else if (shownAt_) {
        wakeAt(calmSince_ ? *calmSince_ + kCalm : now + kSustained);
    }
}

void PressureWarning::notify(double someAvg10) {
    // The application holding the most memory is the one a user can close to end the stall.
    const RunningApplication* largest = nullptr;
    const auto applications = workspace_.runningApplications();
    for (const auto& application : applications) {
        if (application.residentSize.status == ResidentSizeReading::Status::Ok &&
            (largest == nullptr ||
             application.residentSize.residentBytes > largest->residentSize.residentBytes)) {
            largest = &application;
        }
    }
    char waited[96];
    std::snprintf(waited, sizeof waited, "They waited %.1f s of the last 10 s.",
                  someAvg10 * kSustained.count() / 100.0);
    std::string body = waited;
    if (largest != nullptr) {
        body += " " + largest->localizedName + " holds the most memory (" +
                formatMemoryAmount(static_cast<double>(largest->residentSize.residentBytes), false,
                                   0.0) +
                ").";
    }
    notifier_.show("Programs are waiting for memory", body);
    shownAt_ = runLoop_.now();
}

void PressureWarning::wakeAt(Seconds moment) {
    // One reading of its own pending at a time, the earliest needed.
    if (wakeDue_ && *wakeDue_ <= moment) {
        return;
    }
    wakeDue_ = moment;
    runLoop_.performAfterDelay(moment - runLoop_.now(),
                               [this, moment, alive = std::weak_ptr(lifetime_)] {
                                   if (!alive.expired() && wakeDue_ == moment) {
                                       wakeDue_.reset();
                                       check();
                                   }
                               });
}

}  // namespace headroom

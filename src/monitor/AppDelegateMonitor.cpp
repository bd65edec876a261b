// The delegate's memory figures and running-application list.

#include <algorithm>
#include <utility>

#include "app/AppDelegate.h"
#include "monitor/MemoryFigures.h"
#include "monitor/MemoryFormat.h"

namespace headroom {

namespace {

/// Icon of the freedesktop icon naming specification for an application that names none.
constexpr const char* kGenericApplicationIcon = "application-x-executable";

}  // namespace

void AppDelegate::getTotalMemory() {
    totalMemory_ = static_cast<double>(platform_.hostMemory.physicalMemory());
}

void AppDelegate::getMemoryDetails() {
    std::string reason;
    const auto statistics = platform_.hostMemory.statistics(reason);
    if (!statistics) {
        // Logged once while the same thing fails, not on every refresh.
        if (statisticsFailure_ != reason) {
            platform_.log.log(reason.empty() ? "Failed to fetch vm statistics"
                                             : "Failed to fetch vm statistics: " + reason);
        }
        statisticsFailure_ = reason;
        // Nothing was read: the figures of the last good refresh stand rather than zeros,
        // which would show a machine with no free memory.
        return;
    }
    statisticsFailure_.reset();
    memoryDetails_ = computeMemoryFigures(*statistics, totalMemory_);
    freeMemoryInStart_ = memoryDetails_->free;
}

std::string AppDelegate::getStringOfMemoryWithFormat(double bytes) const {
    return formatMemoryAmount(bytes, isPercentage, totalMemory_);
}

std::string AppDelegate::memoryDetail(double MemoryFigures::*figure) const {
    // Before the first reading there is no figure to show, not a figure of 0.
    return memoryDetails_ ? getStringOfMemoryWithFormat(*memoryDetails_.*figure) : std::string();
}

float AppDelegate::getMemoryUsageForAppID(std::int32_t processIdentifier) {
    const ResidentSizeReading reading = platform_.workspace.residentSize(processIdentifier);
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

void AppDelegate::logResidentSizeProblem(const char* line, const std::string& problem) {
    // A process that cannot be measured stays so from one refresh to the next: say it once,
    // and again only if it comes back after a refresh without it.
    const std::string text = problem.empty() ? std::string(line) : line + (": " + problem);
    if (residentSizeProblems_.insert(text).second && !lastResidentSizeProblems_.contains(text)) {
        platform_.log.log(text);
    }
}

void AppDelegate::setAllRunningApplications() {
    lastResidentSizeProblems_ = std::exchange(residentSizeProblems_, {});
    applicationListArray_.clear();
    for (const auto& application : platform_.workspace.runningApplications()) {
        if (application.activationPolicy != ActivationPolicy::Regular) {
            continue;
        }
        if (application.processIdentifier < 0) {
            continue;
        }
        float usage = getMemoryUsageForAppID(application.processIdentifier);
        // An application made of several processes is measured whole; a later process that
        // has gone since the listing simply adds nothing.
        if (usage >= 0.0f) {
            for (const std::int32_t pid : application.processIdentifiers) {
                if (pid == application.processIdentifier || pid < 0) {
                    continue;
                }
                const ResidentSizeReading reading = platform_.workspace.residentSize(pid);
                if (reading.status == ResidentSizeReading::Status::Ok) {
                    usage += static_cast<float>(reading.residentBytes) * 0x1p-20f;
                }
            }
        }
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

void AppDelegate::addRunningAppsToMenu() {
    setAllRunningApplications();
    constexpr std::size_t separatorIndex = 8;
    constexpr std::size_t headerIndex = 9;
    constexpr std::size_t firstRowIndex = 10;

    const std::size_t count = applicationListArray_.size();
    if (count > 0 && isSignificantItemRemoved_) {
        isSignificantItemRemoved_ = false;
        appMenu_->insertItem(significantSaperator_, separatorIndex);
        appMenu_->insertItem(SignificantItem_, headerIndex);
    }
    for (std::size_t i = 0; i < count; ++i) {
        const ApplicationRecord& record = applicationListArray_[i];
        const auto item = appMenu_->itemAtIndex(firstRowIndex + i);
        if (item && item->tag() == kApplicationRowTag) {
            item->setTitle("  " + record.appName);
            item->setOnStateImage(record.appIcon);
            item->setOffStateImage(record.appIcon);
        } else {
            appMenu_->insertItem(getMenuItemWithTitle(record.appName, record.appIcon),
                                 firstRowIndex + i);
        }
    }
    for (auto stale = appMenu_->itemAtIndex(firstRowIndex + count);
         stale && stale->tag() == kApplicationRowTag;
         stale = appMenu_->itemAtIndex(firstRowIndex + count)) {
        appMenu_->removeItemAtIndex(firstRowIndex + count);
    }
    if (count == 0 && !isSignificantItemRemoved_ && appMenu_->containsItem(significantSaperator_)) {
        isSignificantItemRemoved_ = true;
        appMenu_->removeItem(significantSaperator_);
        appMenu_->removeItem(SignificantItem_);
    }
}

}  // namespace headroom

#include "FakeWorkspace.h"

#include <utility>

namespace headroom::test {

std::vector<RunningApplication> FakeWorkspace::runningApplications() {
    note("workspace.runningApplications");
    ++listingCount_;
    return applications_;
}

ResidentSizeReading FakeWorkspace::residentSize(std::int32_t processIdentifier) {
    note("workspace.residentSize");
    residentQueries_.push_back(processIdentifier);
    const auto found = readings_.find(processIdentifier);
    if (found == readings_.end()) {
        return ResidentSizeReading{ResidentSizeReading::Status::Unreadable, 0, {}};
    }
    return found->second;
}

RunningApplication& FakeWorkspace::addApplication(RunningApplication application) {
    applications_.push_back(std::move(application));
    return applications_.back();
}

RunningApplication& FakeWorkspace::addRegular(const std::string& name, std::int32_t pid,
                                              std::uint64_t residentBytes,
                                              const std::string& iconName) {
    RunningApplication application;
    application.bundleIdentifier = "org.example." + name;
    application.processIdentifier = pid;
    application.activationPolicy = ActivationPolicy::Regular;
    application.localizedName = name;
    application.iconName = iconName;
    application.processIdentifiers = {pid};
    setResident(pid, residentBytes);
    return addApplication(std::move(application));
}

void FakeWorkspace::setResident(std::int32_t pid, std::uint64_t bytes) {
    readings_[pid] = ResidentSizeReading{ResidentSizeReading::Status::Ok, bytes, {}};
}

void FakeWorkspace::setUnreadable(std::int32_t pid) {
    readings_[pid] = ResidentSizeReading{ResidentSizeReading::Status::Unreadable, 0, {}};
}

void FakeWorkspace::setShortReading(std::int32_t pid) {
    readings_[pid] = ResidentSizeReading{ResidentSizeReading::Status::Short, 0, {}};
}

}  // namespace headroom::test

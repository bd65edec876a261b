#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "CallJournal.h"
#include "platform/Workspace.h"

namespace headroom::test {

/// A session whose running applications, each with its measured memory, the test sets.
class FakeWorkspace final : public Workspace, public Journaled {
  public:
    // The port.
    std::vector<RunningApplication> runningApplications() override {
        note("workspace.runningApplications");
        ++listingCount_;
        return applications_;
    }

    void clearApplications() { applications_.clear(); }
    /// Adds an application whose processes hold `residentBytes`, and returns it for changes.
    RunningApplication& addRegular(const std::string& name, std::uint64_t residentBytes,
                                   const std::string& iconName = "app-icon") {
        applications_.push_back(
            {name, iconName, {ResidentSizeReading::Status::Ok, residentBytes, {}, {}}});
        return applications_.back();
    }
    const std::vector<RunningApplication>& applications() const { return applications_; }
    std::size_t listingCount() const { return listingCount_; }

  private:
    std::vector<RunningApplication> applications_;
    std::size_t listingCount_ = 0;
};

}  // namespace headroom::test

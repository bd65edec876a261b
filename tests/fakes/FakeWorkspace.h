#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "CallJournal.h"
#include "platform/Workspace.h"

namespace headroom::test {

/// A session whose running applications and per-process resident sizes the test sets. A
/// process with no reading set cannot be read.
class FakeWorkspace final : public Workspace, public Journaled {
  public:
    // The port.
    std::vector<RunningApplication> runningApplications() override;
    ResidentSizeReading residentSize(std::int32_t processIdentifier) override;

    void setApplications(std::vector<RunningApplication> applications) {
        applications_ = std::move(applications);
    }
    void clearApplications() { applications_.clear(); }
    /// Adds an application as listed, and returns it for further changes.
    RunningApplication& addApplication(RunningApplication application);
    /// Adds a regular desktop application of one process holding `residentBytes`.
    RunningApplication& addRegular(const std::string& name, std::int32_t pid,
                                   std::uint64_t residentBytes,
                                   const std::string& iconName = "app-icon");
    const std::vector<RunningApplication>& applications() const { return applications_; }

    void setResident(std::int32_t pid, std::uint64_t bytes);
    void setUnreadable(std::int32_t pid);
    /// The process answers with less information than a reading needs.
    void setShortReading(std::int32_t pid);

    /// Process identifiers asked about, in order.
    const std::vector<std::int32_t>& residentQueries() const { return residentQueries_; }
    std::size_t listingCount() const { return listingCount_; }
    void clearResidentQueries() { residentQueries_.clear(); }

  private:
    std::vector<RunningApplication> applications_;
    std::map<std::int32_t, ResidentSizeReading> readings_;
    std::vector<std::int32_t> residentQueries_;
    std::size_t listingCount_ = 0;
};

}  // namespace headroom::test

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Workspace.h"

namespace headroom {

/// Resident pages, the second field of /proc/<pid>/statm (see proc(5)); nothing when the text
/// does not hold at least two numbers.
std::optional<std::uint64_t> parseStatmResidentPages(std::string_view text);

/// The user's running applications and their memory, from a procfs tree.
class ProcWorkspace : public Workspace {
  public:
    explicit ProcWorkspace(std::string procfsRoot);

    /// Desktop applications are recognised from their systemd units and desktop entries; that
    /// listing is not part of this build yet, so none is reported.
    std::vector<RunningApplication> runningApplications() override;

    /// Resident size from <root>/<pid>/statm: Unreadable when the file cannot be read (the
    /// process has gone or is not ours to read), Short when it does not hold the field.
    ResidentSizeReading residentSize(std::int32_t processIdentifier) override;

  private:
    std::string root_;
    std::uint64_t pageSize_;
};

}  // namespace headroom

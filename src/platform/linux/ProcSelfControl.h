#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/ProcessControl.h"

namespace headroom {

/// The process's own settings through the real /proc (never a `--procfs` substitute: they are
/// this process's). The OOM score adjustment is `/proc/self/oom_score_adj`, a decimal from
/// −1000 to 1000 (Documentation/filesystems/proc.rst, section 3.1). Raising it needs no
/// privilege; it may be lowered again no further than the last value a process with
/// CAP_SYS_RESOURCE set, which is what putting back the value read before allows.
class ProcSelfControl final : public ProcessControl {
  public:
    std::optional<int> oomScoreAdj() override;
    bool setOomScoreAdj(int value) override;
    std::string lastError() const override { return error_; }

  private:
    std::string error_;
};

/// The score adjustment in the text the kernel writes ("%d\n"); nothing for any other text or
/// a value outside −1000 to 1000.
std::optional<int> parseOomScoreAdj(std::string_view text);

}  // namespace headroom

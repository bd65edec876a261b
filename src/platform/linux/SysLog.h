#pragma once

#include <string>
#include <string_view>

#include "platform/SystemLog.h"

namespace headroom {

/// The system log: syslog(3) with the ident "headroom", the process id, facility LOG_USER and
/// priority LOG_NOTICE, which systemd's journal collects. The line is always passed as an
/// argument of a constant format, never as the format itself.
///
/// Lines name files and applications from outside: `shown` makes each safe to show (on a
/// terminal, and in the journal) before it is sent. With `echoToStderr` (terminal mode) each
/// line is also written to standard error as `headroom: <line>\n`, in one write.
class SysLog final : public SystemLog {
  public:
    using TextFilter = std::string (*)(std::string_view);
    explicit SysLog(TextFilter shown, bool echoToStderr = false);
    /// closelog(3).
    ~SysLog() override;

    SysLog(const SysLog&) = delete;
    SysLog& operator=(const SysLog&) = delete;

    void log(std::string_view line) override;

  private:
    TextFilter shown_;
    bool echoToStderr_;
};

}  // namespace headroom

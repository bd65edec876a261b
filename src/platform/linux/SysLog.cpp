#include "platform/linux/SysLog.h"

#include <syslog.h>

#include <climits>
#include <cstdio>
#include <string>

namespace headroom {

namespace {

// openlog keeps the pointer: it must stay valid for the whole run.
constexpr const char* kIdent = "headroom";

}  // namespace

SysLog::SysLog(TextFilter shown, bool echoToStderr) : shown_(shown), echoToStderr_(echoToStderr) {
    ::openlog(kIdent, LOG_PID, LOG_USER);
}

SysLog::~SysLog() {
    ::closelog();
}

void SysLog::log(std::string_view raw) {
    const std::string escaped = shown_(raw);
    const std::string_view line = escaped;
    // "%.*s": the line is data, never a format, and need not end in a NUL.
    const int length =
        line.size() > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(line.size());
    ::syslog(LOG_NOTICE, "%.*s", length, line.data());

    if (echoToStderr_) {
        // Standard error is unbuffered: the whole line goes out in one write.
        const std::string text = std::string(kIdent) + ": " + escaped + "\n";
        std::fwrite(text.data(), 1, text.size(), stderr);
    }
}

}  // namespace headroom

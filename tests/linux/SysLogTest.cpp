// SysLog: the line reaches syslog unformatted, and stderr in terminal mode.

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/linux/SysLog.h"
#include "ui/terminal/TerminalText.h"

namespace headroom {
namespace {

TEST(SysLog, TerminalModeAloneEchoesEachLineToStderrAsItIs) {
    for (const bool echo : {true, false}) {
        testing::internal::CaptureStderr();
        {
            SysLog log(escapeControlCharacters, echo);
            log.log("Failed to fetch vm statistics");
            log.log("100% sure: %s %n %d");  // a format would crash or print garbage here
            log.log(std::string_view("cut here|not this", 8));
        }
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  echo ? "headroom: Failed to fetch vm statistics\n"
                         "headroom: 100% sure: %s %n %d\n"
                         "headroom: cut here\n"
                       : "");
    }
}

/// In a child with its own mount namespace and a private /dev, listen where syslog(3) writes
/// (/dev/log) and check the datagram SysLog sends. Needs CAP_SYS_ADMIN; the machine's own
/// /dev/log is never touched.
TEST(SysLog, SyslogReceivesTheLineVerbatimAtNoticeFromHeadroom) {
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The child answers on the pipe: what arrived (status 0), or why not.
        std::string answer = "cannot make a private /dev";
        int status = 77;
        const int listener = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{AF_UNIX, "/dev/log"};
        if (::unshare(CLONE_NEWNS) == 0 &&
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
            ::mount("headroom-test", "/dev", "tmpfs", 0, "mode=0755") == 0) {
            status = 1;
            answer = std::string("cannot listen on /dev/log: ") + std::strerror(errno);
            if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
                answer = "nothing arrived on /dev/log";
                SysLog(escapeControlCharacters).log("low memory: 100% %s %n");
                char datagram[2048];
                const ssize_t size = ::recv(listener, datagram, sizeof datagram, MSG_DONTWAIT);
                if (size > 0) {
                    answer.assign(datagram, static_cast<std::size_t>(size));
                    status = 0;
                }
            }
        }
        (void)!::write(pipeFds[1], answer.data(), answer.size());
        ::_exit(status);
    }
    ::close(pipeFds[1]);
    std::string received;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) {
        received.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipeFds[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) {
        GTEST_SKIP() << received;
    }
    ASSERT_EQ(WEXITSTATUS(status), 0) << received;
    // <13> = LOG_USER (8) | LOG_NOTICE (5); then the time stamp, then "headroom[pid]: line".
    EXPECT_EQ(received.rfind("<13>", 0), 0u) << received;
    const std::string tail = "headroom[" + std::to_string(child) + "]: low memory: 100% %s %n";
    ASSERT_GE(received.size(), tail.size()) << received;
    EXPECT_EQ(received.substr(received.size() - tail.size()), tail) << received;
}

}  // namespace
}  // namespace headroom

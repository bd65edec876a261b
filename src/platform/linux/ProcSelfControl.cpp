#include "platform/linux/ProcSelfControl.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <utility>

namespace headroom {

namespace {

constexpr int kLowest = -1000;
constexpr int kHighest = 1000;

std::string describe(const std::string& what, const std::string& path, int error) {
    return what + " " + path + ": " + std::strerror(error);
}

}  // namespace

ProcSelfControl::ProcSelfControl(std::string path) : path_(std::move(path)) {}

std::optional<int> ProcSelfControl::oomScoreAdj() {
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error_ = describe("cannot open", path_, errno);
        return std::nullopt;
    }
    char text[32];
    ssize_t count;
    do {
        count = ::read(fd, text, sizeof text);
    } while (count < 0 && errno == EINTR);
    const int readError = errno;
    ::close(fd);
    if (count < 0) {
        error_ = describe("cannot read", path_, readError);
        return std::nullopt;
    }
    const char* end = text + count;
    const char* first = text;
    while (first != end && *first == ' ') {
        ++first;
    }
    int value = 0;
    const auto [rest, status] = std::from_chars(first, end, value);
    if (status != std::errc() || (rest != end && *rest != '\n') || value < kLowest ||
        value > kHighest) {
        error_ = path_ + " does not hold a score adjustment from -1000 to 1000";
        return std::nullopt;
    }
    error_.clear();
    return value;
}

bool ProcSelfControl::setOomScoreAdj(int value) {
    const int fd = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        error_ = describe("cannot open", path_, errno);
        return false;
    }
    const std::string text = std::to_string(value) + "\n";
    ssize_t count;
    do {
        count = ::write(fd, text.data(), text.size());
    } while (count < 0 && errno == EINTR);
    const int writeError = errno;
    ::close(fd);
    if (count < 0) {
        error_ = describe("cannot write " + std::to_string(value) + " to", path_, writeError);
        return false;
    }
    if (static_cast<std::size_t>(count) != text.size()) {
        error_ = "short write to " + path_;
        return false;
    }
    error_.clear();
    return true;
}

}  // namespace headroom

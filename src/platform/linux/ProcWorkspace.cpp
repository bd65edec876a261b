#include "platform/linux/ProcWorkspace.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <charconv>
#include <utility>

namespace headroom {

std::optional<std::uint64_t> parseStatmResidentPages(std::string_view text) {
    // "size resident shared text lib data dt", in pages.
    std::uint64_t fields[2] = {0, 0};
    const char* cursor = text.data();
    const char* end = text.data() + text.size();
    for (std::uint64_t& field : fields) {
        while (cursor < end && *cursor == ' ') {
            ++cursor;
        }
        auto [next, error] = std::from_chars(cursor, end, field);
        if (error != std::errc{} || next == cursor) {
            return std::nullopt;
        }
        cursor = next;
        if (cursor < end && *cursor != ' ' && *cursor != '\n') {
            return std::nullopt;
        }
    }
    return fields[1];
}

ProcWorkspace::ProcWorkspace(std::string procfsRoot)
    : root_(std::move(procfsRoot)),
      pageSize_(static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE))) {}

std::vector<RunningApplication> ProcWorkspace::runningApplications() {
    return {};
}

ResidentSizeReading ProcWorkspace::residentSize(std::int32_t processIdentifier) {
    ResidentSizeReading reading;
    const std::string path = root_ + "/" + std::to_string(processIdentifier) + "/statm";
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return reading;
    }
    std::array<char, 256> buffer{};
    const ssize_t count = ::read(fd, buffer.data(), buffer.size());
    ::close(fd);
    if (count < 0) {
        return reading;
    }
    const auto pages =
        parseStatmResidentPages(std::string_view(buffer.data(), static_cast<std::size_t>(count)));
    if (!pages) {
        reading.status = ResidentSizeReading::Status::Short;
        return reading;
    }
    reading.status = ResidentSizeReading::Status::Ok;
    reading.residentBytes = *pages * pageSize_;
    return reading;
}

}  // namespace headroom

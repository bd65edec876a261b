#include "platform/linux/ProcessFacts.h"

#include <charconv>

namespace headroom {

std::optional<std::uint64_t> parseStatStartTime(std::string_view text) {
    const auto close = text.rfind(')');
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    // After ")" come field 3 (state) onwards; the start time is the 20th of them.
    constexpr int kFieldsToSkip = 22 - 3;
    std::string_view rest = text.substr(close + 1);
    for (int field = 0; field < kFieldsToSkip; ++field) {
        while (!rest.empty() && rest.front() == ' ') {
            rest.remove_prefix(1);
        }
        const auto space = rest.find(' ');
        if (rest.empty() || space == std::string_view::npos) {
            return std::nullopt;
        }
        rest = rest.substr(space);
    }
    while (!rest.empty() && rest.front() == ' ') {
        rest.remove_prefix(1);
    }
    std::uint64_t start = 0;
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), start);
    if (error != std::errc{} || end == rest.data() ||
        (end != rest.data() + rest.size() && *end != ' ' && *end != '\n')) {
        return std::nullopt;
    }
    return start;
}

std::optional<std::string> parseLaunchedDesktopFile(std::string_view environment,
                                                    std::int32_t pid) {
    constexpr std::string_view kFile = "GIO_LAUNCHED_DESKTOP_FILE=";
    constexpr std::string_view kPid = "GIO_LAUNCHED_DESKTOP_FILE_PID=";
    std::optional<std::string_view> file;
    std::optional<std::string_view> launchedPid;
    while (!environment.empty()) {
        const auto nul = environment.find('\0');
        const std::string_view variable = environment.substr(0, nul);
        environment =
            nul == std::string_view::npos ? std::string_view{} : environment.substr(nul + 1);
        if (!file && variable.starts_with(kFile)) {
            file = variable.substr(kFile.size());
        } else if (!launchedPid && variable.starts_with(kPid)) {
            launchedPid = variable.substr(kPid.size());
        }
    }
    if (!file || file->empty() || !launchedPid) {
        return std::nullopt;
    }
    std::int32_t value = 0;
    const auto [end, error] =
        std::from_chars(launchedPid->data(), launchedPid->data() + launchedPid->size(), value);
    if (error != std::errc{} || end != launchedPid->data() + launchedPid->size() || value != pid) {
        return std::nullopt;
    }
    return std::string(*file);
}

}  // namespace headroom

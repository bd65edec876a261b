#include "platform/linux/ProcSelfControl.h"

#include <glib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace headroom {

namespace {

constexpr const char* kPath = "/proc/self/oom_score_adj";

}  // namespace

std::optional<int> parseOomScoreAdj(std::string_view text) {
    if (text.ends_with('\n')) {
        text.remove_suffix(1);
    }
    const std::string digits(text);
    gint64 value = 0;
    if (g_ascii_string_to_signed(digits.c_str(), 10, -1000, 1000, &value, nullptr) == FALSE) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

std::optional<int> ProcSelfControl::oomScoreAdj() {
    g_autofree gchar* text = nullptr;
    gsize length = 0;
    g_autoptr(GError) error = nullptr;
    if (g_file_get_contents(kPath, &text, &length, &error) == FALSE) {
        error_ = error->message;
        return std::nullopt;
    }
    const auto value = parseOomScoreAdj(std::string_view(text, length));
    error_ =
        value ? "" : std::string(kPath) + " does not hold a score adjustment from -1000 to 1000";
    return value;
}

bool ProcSelfControl::setOomScoreAdj(int value) {
    std::FILE* file = std::fopen(kPath, "we");
    if (file == nullptr) {
        error_ = std::string("cannot open ") + kPath + ": " + std::strerror(errno);
        return false;
    }
    const bool written = std::fprintf(file, "%d\n", value) > 0;
    // The kernel takes or refuses the value as the buffer is written out, at the latest here.
    if (std::fclose(file) != 0 || !written) {
        error_ =
            "cannot write " + std::to_string(value) + " to " + kPath + ": " + std::strerror(errno);
        return false;
    }
    error_.clear();
    return true;
}

}  // namespace headroom

#include "platform/linux/ProcSelfControl.h"

#include <glib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

namespace headroom {

ProcSelfControl::ProcSelfControl(std::string path) : path_(std::move(path)) {}

std::optional<int> ProcSelfControl::oomScoreAdj() {
    g_autofree gchar* text = nullptr;
    GError* error = nullptr;
    if (g_file_get_contents(path_.c_str(), &text, nullptr, &error) == FALSE) {
        error_ = error->message;
        g_error_free(error);
        return std::nullopt;
    }
    // The kernel writes the value as "%d\n".
    gint64 value = 0;
    if (g_ascii_string_to_signed(g_strchomp(text), 10, -1000, 1000, &value, nullptr) == FALSE) {
        error_ = path_ + " does not hold a score adjustment from -1000 to 1000";
        return std::nullopt;
    }
    error_.clear();
    return static_cast<int>(value);
}

bool ProcSelfControl::setOomScoreAdj(int value) {
    std::FILE* file = std::fopen(path_.c_str(), "we");
    if (file == nullptr) {
        error_ = "cannot open " + path_ + ": " + std::strerror(errno);
        return false;
    }
    const bool written = std::fprintf(file, "%d\n", value) > 0;
    // The kernel takes or refuses the value as the buffer is written out, at the latest here.
    if (std::fclose(file) != 0 || !written) {
        error_ =
            "cannot write " + std::to_string(value) + " to " + path_ + ": " + std::strerror(errno);
        return false;
    }
    error_.clear();
    return true;
}

}  // namespace headroom

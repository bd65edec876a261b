#include "platform/linux/ExecutableFolder.h"

#include <glib.h>

namespace headroom {

std::string executableFolder() {
    gchar* executable = g_file_read_link("/proc/self/exe", nullptr);
    if (executable == nullptr) {
        return {};
    }
    gchar* folder = g_path_get_dirname(executable);
    std::string result = folder;
    g_free(folder);
    g_free(executable);
    return result;
}

}  // namespace headroom

#include "platform/linux/ExecutableFolder.h"

#include <glib.h>

namespace headroom {

std::string executableFolder() {
    g_autofree gchar* executable = g_file_read_link("/proc/self/exe", nullptr);
    g_autofree gchar* folder = executable != nullptr ? g_path_get_dirname(executable) : nullptr;
    return folder != nullptr ? folder : "";
}

}  // namespace headroom

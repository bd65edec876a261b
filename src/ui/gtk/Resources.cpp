#include "ui/gtk/Resources.h"

#include <glib.h>

#include "platform/SystemLog.h"

namespace headroom {

std::string resourcesDirectory() {
    gchar* executable = g_file_read_link("/proc/self/exe", nullptr);
    if (executable != nullptr) {
        gchar* folder = g_path_get_dirname(executable);
        gchar* beside = g_build_filename(folder, "resources", nullptr);
        const bool found = g_file_test(beside, G_FILE_TEST_IS_DIR) != FALSE;
        std::string path = found ? beside : "";
        g_free(beside);
        g_free(folder);
        g_free(executable);
        if (found) {
            return path;
        }
    }
    return HEADROOM_RESOURCES_DIR;
}

std::optional<std::string> readResource(const std::string& directory, const std::string& fileName,
                                        SystemLog& log) {
    const std::string path = directory + "/" + fileName;
    gchar* contents = nullptr;
    gsize length = 0;
    GError* error = nullptr;
    if (!g_file_get_contents(path.c_str(), &contents, &length, &error)) {
        log.log("Cannot read the resource " + path + " (" +
                (error != nullptr ? error->message : "unknown error") + "); going on without it");
        g_clear_error(&error);
        return std::nullopt;
    }
    std::string text(contents, length);
    g_free(contents);
    return text;
}

}  // namespace headroom

#include "ui/gtk/Resources.h"

#include <gtk/gtk.h>

#include "platform/SystemLog.h"
#include "platform/linux/ExecutableFolder.h"

namespace headroom {

namespace {

/// `folder/relative` when that is a folder; empty otherwise.
std::string existingFolder(const gchar* folder, const gchar* relative) {
    g_autofree gchar* candidate = g_build_filename(folder, relative, nullptr);
    return g_file_test(candidate, G_FILE_TEST_IS_DIR) != FALSE ? candidate : "";
}

}  // namespace

std::string resourcesDirectory() {
    const std::string folder = executableFolder();
    if (!folder.empty()) {
        // A build tree keeps them beside the binary; an installed program under the prefix's
        // data folder, which is found relative to the binary so that any prefix works.
        std::string path = existingFolder(folder.c_str(), "resources");
        if (path.empty()) {
            path = existingFolder(folder.c_str(), HEADROOM_INSTALLED_RESOURCES_DIR);
        }
        if (!path.empty()) {
            return path;
        }
    }
    return HEADROOM_RESOURCES_DIR;
}

void useApplicationIcon(const std::string& directory, const char* name) {
    // An installed program finds its icon in the hicolor theme. A build tree's resources
    // folder holds the file: images find it by name there too, and windows get it at 128
    // pixels (GTK offers the window manager no size of an icon outside a theme's folders).
    g_autofree gchar* file = g_strconcat(directory.c_str(), "/", name, ".svg", nullptr);
    if (g_file_test(file, G_FILE_TEST_IS_REGULAR) == FALSE) {
        gtk_window_set_default_icon_name(name);
        return;
    }
    gtk_icon_theme_append_search_path(gtk_icon_theme_get_default(), directory.c_str());
    gtk_window_set_default_icon_from_file(file, nullptr);
}

std::optional<std::string> readResource(const std::string& directory, const std::string& fileName,
                                        SystemLog& log) {
    const std::string path = directory + "/" + fileName;
    g_autofree gchar* contents = nullptr;
    gsize length = 0;
    GError* error = nullptr;
    if (!g_file_get_contents(path.c_str(), &contents, &length, &error)) {
        log.log("Cannot read the resource " + path + " (" +
                (error != nullptr ? error->message : "unknown error") + "); going on without it");
        g_clear_error(&error);
        return std::nullopt;
    }
    return std::string(contents, length);
}

}  // namespace headroom

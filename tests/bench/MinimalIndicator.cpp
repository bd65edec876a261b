// The floor to compare the tray with: the smallest GTK 3 status-notifier item with a label,
// made the way the tray makes its own (libayatana-appindicator, GDK's OpenGL off), with a
// 12-row menu and nothing else. Every SECONDS (default 5) its label shows MemAvailable from
// /proc/meminfo, read as a simple indicator reads it. Runs until SIGTERM or SIGINT.
//
//     headroom_minimal_indicator [SECONDS]

#include <glib-unix.h>
#include <gtk/gtk.h>
#include <libayatana-appindicator/app-indicator.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int kRows = 12;

gboolean showAvailable(gpointer indicator) {
    gchar* text = nullptr;
    if (g_file_get_contents("/proc/meminfo", &text, nullptr, nullptr)) {
        const char* line = std::strstr(text, "MemAvailable:");
        const double kib = line != nullptr ? std::strtod(line + 13, nullptr) : 0.0;
        char label[32];
        std::snprintf(label, sizeof label, "%.2f GB", kib / 1048576.0);
        app_indicator_set_label(static_cast<AppIndicator*>(indicator), label, "8888.88 MB");
    }
    g_free(text);
    return G_SOURCE_CONTINUE;
}

gboolean quit(gpointer /*data*/) {
    gtk_main_quit();
    return G_SOURCE_REMOVE;
}

}  // namespace

int main(int argc, char** argv) {
    const long seconds = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 5;
    if (seconds < 1) {
        return 2;
    }
    g_setenv("GDK_GL", "disable", TRUE);
    if (gtk_init_check(nullptr, nullptr) == FALSE) {
        return 1;
    }
    GtkWidget* menu = gtk_menu_new();
    for (int row = 0; row < kRows; ++row) {
        const std::string label = "Row " + std::to_string(row + 1);
        GtkWidget* item = gtk_menu_item_new_with_label(label.c_str());
        gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
    }
    gtk_widget_show_all(menu);
    AppIndicator* indicator = app_indicator_new("com.example.MinimalIndicator", "image-missing",
                                                APP_INDICATOR_CATEGORY_SYSTEM_SERVICES);
    app_indicator_set_status(indicator, APP_INDICATOR_STATUS_ACTIVE);
    app_indicator_set_label(indicator, "2.00 GB", "8888.88 MB");
    app_indicator_set_menu(indicator, GTK_MENU(menu));
    showAvailable(indicator);
    g_timeout_add(static_cast<guint>(seconds) * 1000u, &showAvailable, indicator);
    g_unix_signal_add(SIGTERM, &quit, nullptr);
    g_unix_signal_add(SIGINT, &quit, nullptr);
    gtk_main();
    g_object_unref(indicator);
    return 0;
}

// The floor to compare the tray with: the smallest GTK 3 status-notifier item with a label,
// made the way the tray makes its own (libayatana-appindicator, GDK's OpenGL off), with a
// 12-row menu and nothing else. Runs until SIGTERM or SIGINT.
//
//     headroom_minimal_indicator

#include <glib-unix.h>
#include <gtk/gtk.h>
#include <libayatana-appindicator/app-indicator.h>

#include <csignal>
#include <string>

namespace {

constexpr int kRows = 12;

gboolean quit(gpointer /*data*/) {
    gtk_main_quit();
    return G_SOURCE_REMOVE;
}

}  // namespace

int main() {
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
    g_unix_signal_add(SIGTERM, &quit, nullptr);
    g_unix_signal_add(SIGINT, &quit, nullptr);
    gtk_main();
    g_object_unref(indicator);
    return 0;
}

#include "ui/gtk/DialogAlerts.h"

#include <gtk/gtk.h>

#include <functional>
#include <string>

namespace headroom {

namespace {

/// The window the user is working in, for the alert to stand over.
GtkWindow* activeWindow() {
    GList* windows = gtk_window_list_toplevels();
    GtkWindow* active = nullptr;
    for (GList* item = windows; item != nullptr && active == nullptr; item = item->next) {
        auto* window = GTK_WINDOW(item->data);
        if (gtk_window_is_active(window) != FALSE && gtk_widget_get_visible(GTK_WIDGET(window))) {
            active = window;
        }
    }
    g_list_free(windows);
    return active;
}

using Dismissed = std::function<void()>;

}  // namespace

void DialogAlerts::runModal(const std::string& messageText, const std::string& informativeText,
                            Dismissed dismissed) {
    GtkWidget* dialog = gtk_message_dialog_new(activeWindow(), GTK_DIALOG_MODAL, GTK_MESSAGE_INFO,
                                               GTK_BUTTONS_OK, "%s", messageText.c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), messageText.c_str());
    if (!informativeText.empty()) {
        gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(dialog), "%s",
                                                 informativeText.c_str());
    }
    // The dialog holds the callback until it goes; answering it ends it.
    g_signal_connect_data(
        dialog, "response",
        reinterpret_cast<GCallback>(+[](GtkWidget* answered, gint, gpointer data) {
            const Dismissed then = *static_cast<Dismissed*>(data);
            gtk_widget_destroy(answered);
            if (then) {
                then();
            }
        }),
        new Dismissed(std::move(dismissed)),
        [](gpointer data, GClosure*) { delete static_cast<Dismissed*>(data); }, GConnectFlags{});
    gtk_widget_show(dialog);
}

}  // namespace headroom

#include "ui/gtk/GtkThanaksWindow.h"

#include <utility>

#include "ui/gtk/SignalConnect.h"

namespace headroom {

namespace {

GtkWidget* widget(GtkBuilder* builder, const char* id) {
    return GTK_WIDGET(gtk_builder_get_object(builder, id));
}

void packInto(GtkWidget* slot, GtkWebView& view) {
    gtk_box_pack_start(GTK_BOX(slot), GTK_WIDGET(view.engineView()), TRUE, TRUE, 0);
}

using Dismissed = std::function<void()>;

/// Counts the alerts up over `window` (on the window itself, as they may outlive the object
/// that made them); its content takes input only while there are none.
void alertsUp(GtkWindow* window, int change) {
    const int up = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(window), "alerts-up")) + change;
    g_object_set_data(G_OBJECT(window), "alerts-up", GINT_TO_POINTER(up));
    gtk_widget_set_sensitive(gtk_bin_get_child(GTK_BIN(window)), up == 0 ? TRUE : FALSE);
}

}  // namespace

std::unique_ptr<GtkThanaksWindow> GtkThanaksWindow::load(const std::string& uiFile,
                                                         ThanaksWindowDelegate& owner,
                                                         SystemLog& log) {
    GtkBuilder* builder = gtk_builder_new();
    GError* error = nullptr;
    std::unique_ptr<GtkThanaksWindow> window;
    if (gtk_builder_add_from_file(builder, uiFile.c_str(), &error) == 0) {
        log.log("Cannot load the welcome window from " + uiFile + " (" + error->message +
                "); it is not shown");
        g_error_free(error);
    } else {
        // Every widget is looked for first, so that a file that lacks some is said in one line.
        const std::pair<const char*, GType> expected[] = {
            {"ThanaksWindow", GTK_TYPE_WINDOW},     {"appName", GTK_TYPE_LABEL},
            {"AppView", GTK_TYPE_WIDGET},           {"indicatoraminate", GTK_TYPE_SPINNER},
            {"doNotShow", GTK_TYPE_CHECK_BUTTON},   {"MultipleAppViewSlot", GTK_TYPE_BOX},
            {"SubscribeWebviewSlot", GTK_TYPE_BOX},
        };
        std::string missing;
        for (const auto& [id, type] : expected) {
            GObject* object = gtk_builder_get_object(builder, id);
            if (object == nullptr || !g_type_is_a(G_OBJECT_TYPE(object), type)) {
                missing += std::string(missing.empty() ? "" : ", ") + id;
            }
        }
        if (missing.empty()) {
            window.reset(new GtkThanaksWindow(builder, owner, log));
        } else {
            log.log("The welcome window's file " + uiFile + " lacks " + missing +
                    "; the window is not shown");
        }
    }
    g_object_unref(builder);
    return window;
}

GtkThanaksWindow::GtkThanaksWindow(GtkBuilder* builder, ThanaksWindowDelegate& owner,
                                   SystemLog& log)
    : window_(GTK_WINDOW(widget(builder, "ThanaksWindow"))),
      name_(GTK_LABEL(widget(builder, "appName"))),
      spinner_(GTK_SPINNER(widget(builder, "indicatoraminate"))),
      promo_(owner, log),
      subscribe_(owner, log),
      target_(owner, log, false) {
    packInto(widget(builder, "MultipleAppViewSlot"), promo_);
    packInto(widget(builder, "SubscribeWebviewSlot"), subscribe_);
    GtkCssProvider* panel = gtk_css_provider_new();
    gtk_css_provider_load_from_data(
        panel, "* { background-color: white; border: 1.3px solid grey; }", -1, nullptr);
    gtk_style_context_add_provider(gtk_widget_get_style_context(widget(builder, "AppView")),
                                   GTK_STYLE_PROVIDER(panel),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(panel);
    connectSignal(
        widget(builder, "doNotShow"), "toggled",
        +[](GtkToggleButton* box, gpointer data) {
            static_cast<ThanaksWindowDelegate*>(data)->doNotShowWindow(
                gtk_toggle_button_get_active(box) != FALSE);
        },
        &owner);
    // Closing only hides: the controller keeps the window until it goes.
    connectSignal(window_.get(), "delete-event", &gtk_widget_hide_on_delete, nullptr);
}

std::optional<ResourcePage> GtkThanaksWindow::readPage(const std::string& path, SystemLog& log) {
    gchar* contents = nullptr;
    gsize length = 0;
    GError* error = nullptr;
    gchar* uri = nullptr;
    std::optional<ResourcePage> found;
    if (g_file_get_contents(path.c_str(), &contents, &length, &error) == FALSE ||
        (uri = g_filename_to_uri(path.c_str(), nullptr, &error)) == nullptr) {
        log.log("Cannot read the page " + path + " (" + error->message + "); going on without it");
    } else if (g_utf8_validate(contents, static_cast<gssize>(length), nullptr) == FALSE) {
        log.log("The page " + path + " is not UTF-8 text; going on without it");
    } else {
        found = ResourcePage{uri, std::string(contents, length)};
    }
    g_clear_error(&error);
    g_free(uri);
    g_free(contents);
    return found;
}

void GtkThanaksWindow::setAppName(const std::string& text) {
    g_autofree gchar* capitals = g_utf8_strup(text.c_str(), -1);
    gtk_label_set_text(name_, capitals);
}

void GtkThanaksWindow::runModal(const std::string& messageText, const std::string& informativeText,
                                Dismissed dismissed) {
    // Modal by hand: the window's content takes no input while an alert is up, but its close
    // button still works (GTK's own modality swallows it), and the alerts go with the window.
    GtkWidget* dialog =
        gtk_message_dialog_new(gtkWindow(), GTK_DIALOG_DESTROY_WITH_PARENT, GTK_MESSAGE_INFO,
                               GTK_BUTTONS_OK, "%s", messageText.c_str());
    alertsUp(gtkWindow(), 1);
    // The window outlives its alerts (they go with it at the latest).
    connectSignal(
        dialog, "destroy",
        +[](GtkWidget*, gpointer window) { alertsUp(static_cast<GtkWindow*>(window), -1); },
        gtkWindow());
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

void GtkThanaksWindow::setCollectionBehavior(unsigned behavior) {
    if ((behavior & kWindowCollectionBehaviorCanJoinAllSpaces) != 0) {
        gtk_window_stick(gtkWindow());
    } else {
        gtk_window_unstick(gtkWindow());
    }
}

}  // namespace headroom

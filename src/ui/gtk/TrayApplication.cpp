#include "ui/gtk/TrayApplication.h"

#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <unistd.h>

#include <utility>

namespace headroom {

bool TrayApplication::openDisplay(const std::string& applicationId) {
    // GDK names windows after the prgname (WM_CLASS's instance, the Wayland app_id) and the
    // program class (WM_CLASS's class, which GTK's start sets to the prgname with a capital
    // first letter: set again below).
    g_set_prgname(applicationId.c_str());
    // Opening an X11 display, GDK probes OpenGL to choose its visuals, which maps the GL driver
    // (with Mesa, its LLVM back end) into the process for good: about 50 MiB resident for an
    // icon and a menu that never draw with GL. A GDK_GL the user set is honoured; ours is taken
    // out again at once, so that programs started from here do not inherit it.
    const bool ours = g_getenv("GDK_GL") == nullptr;
    if (ours) {
        g_setenv("GDK_GL", "disable", TRUE);
    }
    const gboolean opened = gtk_init_check(nullptr, nullptr);
    if (ours) {
        g_unsetenv("GDK_GL");
    }
    if (opened == FALSE) {
        return false;
    }
    gdk_set_program_class(applicationId.c_str());
    return true;
}

TrayApplication::TrayApplication(const std::string& applicationId)
    : application_(gtk_application_new(applicationId.c_str(), G_APPLICATION_DEFAULT_FLAGS)) {}

TrayApplication::~TrayApplication() {
    g_object_unref(application_);
}

bool TrayApplication::isAlreadyRunning(std::string& problem) {
    g_autoptr(GError) error = nullptr;
    if (g_application_register(G_APPLICATION(application_), nullptr, &error) == FALSE) {
        problem = error->message;
        return false;
    }
    if (g_application_get_is_remote(G_APPLICATION(application_)) == FALSE) {
        return false;
    }
    // Hand this launch over as GApplication does (the running process is activated, and
    // its tray is already there); it also ends this process's registration, without which
    // GIO warns at exit that the application "did not unregister from D-Bus".
    g_application_run(G_APPLICATION(application_), 0, nullptr);
    return true;
}

void TrayApplication::whenDisplayLost(std::function<void(const std::string&)> lost) {
    GdkDisplay* display = gdk_display_get_default();
    if (!GDK_IS_X11_DISPLAY(display)) {
        return;
    }
    displayLost_ = std::move(lost);
    // Xlib calls the I/O error handler, then the display's exit handler when that returns: GDK's
    // handler never returns, so it is replaced by one that does, and the exit handler is ours.
    XSetIOErrorHandler(+[](Display*) { return 0; });
    XSetIOErrorExitHandler(
        gdk_x11_display_get_xdisplay(display),
        +[](Display* x, void* lostDisplay) {
            (*static_cast<std::function<void(const std::string&)>*>(lostDisplay))(DisplayString(x));
            ::_exit(1);
        },
        &displayLost_);
}

int TrayApplication::run(std::function<void()> launch) {
    auto onActivate = +[](GApplication*, gpointer data) {
        // A second launch activates this process again; the tray is already there.
        if (auto once = std::exchange(*static_cast<std::function<void()>*>(data), nullptr)) {
            once();
        }
    };
    const gulong activation =
        g_signal_connect(application_, "activate", G_CALLBACK(onActivate), &launch);
    // Nothing but the tray item: no window keeps the application alive, so hold it.
    g_application_hold(G_APPLICATION(application_));
    const int status = g_application_run(G_APPLICATION(application_), 0, nullptr);
    g_application_release(G_APPLICATION(application_));
    g_signal_handler_disconnect(application_, activation);
    return status;
}

void TrayApplication::terminate() {
    if (std::exchange(terminating_, true)) {
        return;
    }
    g_idle_add(
        +[](gpointer data) {
            auto* application = G_APPLICATION(data);
            if (GDBusConnection* bus = g_application_get_dbus_connection(application)) {
                g_dbus_connection_flush_sync(bus, nullptr, nullptr);
            }
            g_application_quit(application);
            g_object_unref(application);
            return gboolean{G_SOURCE_REMOVE};
        },
        g_object_ref(application_));
}

void TrayApplication::activateIgnoringOtherApps() {
    for (GList* window = gtk_application_get_windows(application_); window != nullptr;
         window = window->next) {
        gtk_window_present(GTK_WINDOW(window->data));
    }
}

}  // namespace headroom

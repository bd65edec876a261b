#include "ui/gtk/TrayApplication.h"

#include <gio/gio.h>
#include <glib-unix.h>
#include <gtk/gtk.h>

#include <glibmm/main.h>
#include <gtkmm/application.h>
#include <gtkmm/main.h>
#include <gtkmm/window.h>

#include <csignal>
#include <vector>

namespace headroom {

struct TrayApplication::State {
    Glib::RefPtr<Gtk::Application> application;
    std::vector<guint> signalWatches;
    bool terminating = false;
};

namespace {

gboolean onSignal(gpointer self) {
    static_cast<TrayApplication*>(self)->terminate();
    return G_SOURCE_CONTINUE;
}

}  // namespace

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
    // gtkmm's wrappers, which Gtk::Application would otherwise set up only when created.
    Gtk::Main::init_gtkmm_internals();
    return true;
}

TrayApplication::TrayApplication(const std::string& applicationId)
    : state_(std::make_unique<State>()) {
    state_->application = Gtk::Application::create(applicationId);
}

TrayApplication::~TrayApplication() {
    for (const guint watch : state_->signalWatches) {
        g_source_remove(watch);
    }
}

bool TrayApplication::isAlreadyRunning(std::string& problem) {
    try {
        state_->application->register_application();
    } catch (const Glib::Error& error) {
        problem = error.what();
        return false;
    }
    if (!state_->application->is_remote()) {
        return false;
    }
    // Hand this launch over as GApplication does (the running process is activated, and
    // its tray is already there); it also ends this process's registration, without which
    // GIO warns at exit that the application "did not unregister from D-Bus".
    state_->application->run(0, nullptr);
    return true;
}

int TrayApplication::run(const std::function<void()>& launch) {
    bool launched = false;
    // A second launch activates this process again; the tray is already there.
    auto activation = state_->application->signal_activate().connect([&launched, &launch] {
        if (!launched) {
            launched = true;
            launch();
        }
    });
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        state_->signalWatches.push_back(g_unix_signal_add(signal, onSignal, this));
    }
    // Nothing but the tray item: no window keeps the application alive, so hold it.
    state_->application->hold();
    const int status = state_->application->run();
    state_->application->release();
    activation.disconnect();
    return status;
}

void TrayApplication::terminate() {
    if (state_->terminating) {
        return;
    }
    state_->terminating = true;
    Glib::signal_idle().connect_once([this] {
        if (const auto bus = state_->application->get_dbus_connection()) {
            g_dbus_connection_flush_sync(bus->gobj(), nullptr, nullptr);
        }
        state_->application->quit();
    });
}

bool TrayApplication::isTerminating() const {
    return state_->terminating;
}

void TrayApplication::activateIgnoringOtherApps(bool /*flag*/) {
    for (Gtk::Window* window : state_->application->get_windows()) {
        window->present();
    }
}

}  // namespace headroom

// headroom-welcome: the welcome window in a program of its own. Headroom starts it for each
// show (after ending the one shown before) so that the web engine never loads into the tray,
// and it ends when its window closes, or on SIGTERM, SIGINT or SIGHUP.
//
//     headroom-welcome [--config FILE] --promo URL --page PAGE
//
// --config names the preference file that the "do not show" check box writes (the tray's);
// without it the default one is used. --help prints the usage.

#include <glib-unix.h>
#include <glib.h>
#include <gtk/gtk.h>
#include <gtkmm/main.h>
#include <gtkmm/window.h>

#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/BuildInfo.h"
#include "platform/Application.h"
#include "platform/linux/GioUrlOpener.h"
#include "platform/linux/GlibTextCase.h"
#include "platform/linux/KeyFilePreferenceStore.h"
#include "platform/linux/SysLog.h"
#include "ui/gtk/DialogAlerts.h"
#include "ui/gtk/GtkThanaksWindow.h"
#include "ui/gtk/GtkThanaksWindowFactory.h"
#include "ui/gtk/Resources.h"
#include "ui/gtk/SoupURLConnection.h"
#include "welcome/ThanaksWindowController.h"

namespace {

using namespace headroom;

constexpr int kBadInput = 2;

struct Arguments {
    std::string config;
    std::string promo;
    std::string page;
};

constexpr const char* kUsage =
    "Usage: headroom-welcome [--config FILE] --promo URL --page PAGE\n"
    "Shows Headroom's welcome window until it is closed. Headroom starts it from its menu.\n";

std::optional<Arguments> parse(const std::vector<std::string>& args, std::string& error) {
    Arguments parsed;
    bool promo = false;
    bool page = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        if (name != "--config" && name != "--promo" && name != "--page") {
            error = "unknown argument " + name;
            return std::nullopt;
        }
        if (i + 1 == args.size()) {
            error = name + " needs a value";
            return std::nullopt;
        }
        const std::string& value = args[++i];
        if (name == "--config") {
            parsed.config = value;
        } else if (name == "--promo") {
            parsed.promo = value;
            promo = true;
        } else {
            parsed.page = value;
            page = true;
        }
    }
    if (!promo || !page) {
        error = "--promo and --page are needed";
        return std::nullopt;
    }
    return parsed;
}

/// This program as the desktop sees it: its windows, and a loop to end.
class WelcomeApplication final : public Application {
  public:
    explicit WelcomeApplication(GMainLoop* loop) : loop_(loop) {}
    void terminate() override {
        terminating_ = true;
        g_main_loop_quit(loop_);
    }
    bool isTerminating() const override { return terminating_; }
    void activateIgnoringOtherApps(bool /*flag*/) override {
        for (Gtk::Window* window : Gtk::Window::list_toplevels()) {
            if (window->get_visible()) {
                window->present();
            }
        }
    }

  private:
    GMainLoop* loop_;
    bool terminating_ = false;
};

gboolean onSignal(gpointer loop) {
    g_main_loop_quit(static_cast<GMainLoop*>(loop));
    return G_SOURCE_CONTINUE;
}

}  // namespace

int main(int argc, char** argv) {
    // The application's identity on the desktop (WM_CLASS, and the desktop entry it matches).
    g_set_prgname(build::kApplicationId);
    if (argc == 2 && std::string(argv[1]) == "--help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    std::string error;
    const auto arguments = parse(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!arguments) {
        std::fprintf(stderr, "headroom-welcome: %s\n", error.c_str());
        return kBadInput;
    }
    // GDK's OpenGL stays on here (unlike in the tray): the web engine draws with it.
    if (gtk_init_check(nullptr, nullptr) == FALSE) {
        std::fputs("headroom-welcome: cannot open the display\n", stderr);
        return 1;
    }
    Gtk::Main::init_gtkmm_internals();
    // WM_CLASS's class too (GTK's start makes it the prgname with a capital first letter).
    gdk_set_program_class(build::kApplicationId);

    SysLog log;
    KeyFilePreferenceStore preferences(
        arguments->config.empty() ? KeyFilePreferenceStore::defaultPath() : arguments->config, log);
    std::string message;
    preferences.load(message);  // a file it cannot use holds its own writes back, and says so

    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    std::vector<guint> signalWatches;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        signalWatches.push_back(g_unix_signal_add(signal, &onSignal, loop));
    }
    int status = 0;
    {
        GtkThanaksWindowFactory windows(resourcesDirectory(), log);
        SoupURLConnectionFactory connections;
        DialogAlerts alerts;
        GioUrlOpener browser(log);
        WelcomeApplication application(loop);
        GlibTextCase textCase;
        auto controller = showThanaksWindow(
            ThanaksWindowPorts{windows, connections, alerts, browser, preferences, log, textCase},
            ThanaksWindowContent{build::kName, arguments->promo, arguments->page}, application);
        if (auto* window = dynamic_cast<GtkThanaksWindow*>(controller->window())) {
            // Closing the window hides it; that ends this program.
            window->gtkWindow().signal_hide().connect([loop] { g_main_loop_quit(loop); });
            g_main_loop_run(loop);
        } else {
            status = 1;  // the log says why
        }
    }
    for (const guint watch : signalWatches) {
        g_source_remove(watch);
    }
    g_main_loop_unref(loop);
    return status;
}

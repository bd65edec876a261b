// headroom-welcome: the welcome window in a program of its own. Headroom starts it for each
// show (after ending the one shown before) so that the web engine never loads into the tray,
// and it ends when its window closes, or on SIGTERM, SIGINT or SIGHUP.
//
//     headroom-welcome --promo URL --page PAGE
//
// It writes no file: the "do not show" check box's choice is handed back on the standard
// output, one line ("Show=n" or "Show=y") per change, and Headroom stores it. --help prints the
// usage.

#include <glib-unix.h>
#include <gtk/gtk.h>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>
#include <utility>

#include "BuildInfo.h"
#include "platform/linux/GioUrlOpener.h"
#include "platform/linux/SysLog.h"
#include "ui/gtk/GtkThanaksWindow.h"
#include "ui/gtk/Resources.h"
#include "ui/gtk/SoupURLConnection.h"
#include "ui/terminal/TerminalText.h"
#include "welcome/ThanaksWindowController.h"

namespace {

using namespace headroom;

constexpr int kBadInput = 2;

/// The option's value, taken over from GLib; empty when it was not given.
std::string take(gchar* value) {
    std::string text = value != nullptr ? value : "";
    g_free(value);
    return text;
}

/// Ends the main loop, if it still runs (the window hides again as it goes).
gboolean quit(gpointer /*unused*/) {
    if (gtk_main_level() > 0) {
        gtk_main_quit();
    }
    return G_SOURCE_CONTINUE;
}

}  // namespace

int main(int argc, char** argv) {
    gchar* options[2] = {};
    const GOptionEntry entries[] = {
        {"promo", 0, 0, G_OPTION_ARG_STRING, &options[0], "The promotional page", "URL"},
        {"page", 0, 0, G_OPTION_ARG_FILENAME, &options[1],
         "The subscription form: a resource file name or an absolute path", "PAGE"},
        {}};
    GOptionContext* context = g_option_context_new("");
    g_option_context_set_summary(
        context,
        "Shows Headroom's welcome window until it is closed. Headroom starts it from "
        "its menu.");
    g_option_context_add_main_entries(context, entries, nullptr);
    GError* error = nullptr;
    const bool parsed = g_option_context_parse(context, &argc, &argv, &error) != FALSE;
    g_option_context_free(context);
    const std::string promo = take(options[0]);
    const std::string page = take(options[1]);
    if (!parsed || argc > 1 || promo.empty() || page.empty()) {
        std::fprintf(stderr, "headroom-welcome: %s\n",
                     !parsed    ? error->message
                     : argc > 1 ? (std::string("unknown argument ") + argv[1]).c_str()
                                : "--promo and --page are needed");
        g_clear_error(&error);
        return kBadInput;
    }
    // The application's identity on the desktop (WM_CLASS, and the desktop entry it matches);
    // after the options, whose usage names this program.
    g_set_prgname(build::kApplicationId);
    // GDK's OpenGL stays on here (unlike in the tray): the web engine draws with it.
    if (gtk_init_check(nullptr, nullptr) == FALSE) {
        std::fputs("headroom-welcome: cannot open the display\n", stderr);
        return 1;
    }
    // WM_CLASS's class too (GTK's start makes it the prgname with a capital first letter).
    gdk_set_program_class(build::kApplicationId);

    SysLog log(escapeControlCharacters);
    // Headroom may have gone: a choice it cannot read any more is not worth dying for.
    std::signal(SIGPIPE, SIG_IGN);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        g_unix_signal_add(signal, &quit, nullptr);
    }
    const std::string resources = resourcesDirectory();
    useApplicationIcon(resources, build::kApplicationId);
    SoupURLConnectionFactory connections;
    GioUrlOpener browser(log);
    ThanaksWindowController controller(
        ThanaksWindowPorts{connections, browser, std::cout, log},
        ThanaksWindowContent{
            build::kName, promo,
            GtkThanaksWindow::readPage(
                g_path_is_absolute(page.c_str()) != FALSE ? page : resources + "/" + page, log)});
    auto window = GtkThanaksWindow::load(
        resources + "/" + ThanaksWindowController::kNibName + ".ui", controller, log);
    if (window == nullptr) {
        return 1;  // the log says why
    }
    GtkWindow* shown = window->gtkWindow();
    controller.windowDidLoad(std::move(window));
    controller.showWindow();
    // Closing the window hides it; that ends this program.
    g_signal_connect(shown, "hide", G_CALLBACK(quit), nullptr);
    gtk_main();
    return 0;
}

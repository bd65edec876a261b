#pragma once

// Real input for the window tests: a window manager on the test's display (openbox) and the
// X server's own input events through XTest (xdotool), so that a window gets presses,
// releases, focus changes and key repeats exactly as a user's hands make them.

#include <gdk/gdk.h>
#include <glib.h>
#include <gtk/gtk.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <string>
#include <vector>

namespace headroom::test {

/// Runs `argv` to its end while this process's main loop turns (the windows it drives live
/// here); its exit status, or -1 when it could not start.
inline int runTurningLoop(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    GPid pid = 0;
    if (!g_spawn_async(nullptr, args.data(), nullptr,
                       static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD),
                       nullptr, nullptr, &pid, nullptr)) {
        return -1;
    }
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (!g_main_context_iteration(nullptr, FALSE)) {
            g_usleep(1000);
        }
    }
    g_spawn_close_pid(pid);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

/// Turns the main loop for `seconds`.
inline void turnFor(double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        if (!g_main_context_iteration(nullptr, FALSE)) {
            g_usleep(1000);
        }
    }
}

/// xdotool with `args`; whether it succeeded.
inline bool xdotool(std::vector<std::string> args) {
    args.insert(args.begin(), "xdotool");
    return runTurningLoop(args) == 0;
}

/// Moves the pointer to the middle of `widget` and clicks the first button there.
inline bool clickOn(GtkWidget* widget) {
    GtkWidget* top = gtk_widget_get_toplevel(widget);
    int x = 0;
    int y = 0;
    if (!GTK_IS_WINDOW(top) ||
        !gtk_widget_translate_coordinates(widget, top, gtk_widget_get_allocated_width(widget) / 2,
                                          gtk_widget_get_allocated_height(widget) / 2, &x, &y)) {
        return false;
    }
    int left = 0;
    int upper = 0;
    gdk_window_get_origin(gtk_widget_get_window(top), &left, &upper);
    return xdotool(
        {"mousemove", std::to_string(left + x), std::to_string(upper + y), "click", "1"});
}

/// Moves the pointer to the middle of `widget`.
inline bool pointAt(GtkWidget* widget) {
    int left = 0;
    int upper = 0;
    gdk_window_get_origin(gtk_widget_get_window(widget), &left, &upper);
    GtkAllocation area{};
    gtk_widget_get_allocation(widget, &area);
    return xdotool({"mousemove", std::to_string(left + area.x + area.width / 2),
                    std::to_string(upper + area.y + area.height / 2)});
}

/// Types `text` into whatever has the keyboard focus.
inline bool typeText(const std::string& text) {
    return xdotool({"type", "--delay", "30", text});
}

/// Presses a key combination ("ctrl+a", "Tab", "BackSpace") where the keyboard focus is.
inline bool pressKeys(const std::string& keys) {
    return xdotool({"key", keys});
}

/// Whether a window manager runs on the default display: it names its check window on the
/// root window (freedesktop Extended Window Manager Hints, _NET_SUPPORTING_WM_CHECK).
inline bool windowManagerRuns() {
    GdkAtom type = GDK_NONE;
    gint format = 0;
    gint length = 0;
    guchar* data = nullptr;
    const bool found = gdk_property_get(gdk_get_default_root_window(),
                                        gdk_atom_intern_static_string("_NET_SUPPORTING_WM_CHECK"),
                                        GDK_NONE, 0, 1, FALSE, &type, &format, &length, &data) &&
                       length > 0;
    g_free(data);
    return found;
}

/// openbox on the test's display for as long as this object lives, unless a window manager
/// already runs there (then that one serves).
class WindowManager {
  public:
    WindowManager() {
        if (windowManagerRuns()) {
            ready_ = true;
            return;
        }
        gchar* argv[] = {const_cast<gchar*>("openbox"), const_cast<gchar*>("--sm-disable"),
                         nullptr};
        if (!g_spawn_async(
                nullptr, argv, nullptr,
                static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD |
                                         G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL),
                nullptr, nullptr, &pid_, nullptr)) {
            pid_ = 0;
            return;
        }
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < end && !ready_) {
            turnFor(0.02);
            ready_ = windowManagerRuns();
        }
    }
    ~WindowManager() {
        if (pid_ != 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
            g_spawn_close_pid(pid_);
        }
    }
    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;

    bool ready() const { return ready_; }

  private:
    GPid pid_ = 0;
    bool ready_ = false;
};

}  // namespace headroom::test

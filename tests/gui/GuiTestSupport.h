#pragma once

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <gtkmm/main.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/SystemLog.h"
#include "platform/linux/GlibRunLoop.h"
#include "ui/gtk/TrayApplication.h"

namespace headroom::test {

/// The whole content of a file; empty when it cannot be read.
inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

/// GTK on the display of the environment (Xvfb under ctest), opened once as the program does.
/// Some tests reach the windows through gtkmm's wrappers, which the program itself does not
/// link: they are set up here.
inline bool gtkAvailable() {
    static const bool available = [] {
        const bool opened = TrayApplication::openDisplay("com.Tidewell.Headroom");
        if (opened) {
            Gtk::Main::init_gtkmm_internals();
        }
        return opened;
    }();
    return available;
}

/// Base of the tests that need a display: skipped, saying why, when there is none.
class DisplayTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!gtkAvailable()) {
            GTEST_SKIP() << "no display: run under xvfb-run (see README)";
        }
    }
};

/// Turns the real loop a few times, enough for work queued on the main queue to run.
inline void turnLoop(GlibRunLoop& loop) {
    loop.runUntil(loop.now() + Seconds(0.02));
}

class LinesLog final : public SystemLog {
  public:
    void log(std::string_view line) override { lines.emplace_back(line); }
    std::vector<std::string> lines;
};

/// The children of a container (a menu's rows), in order.
inline std::vector<GtkWidget*> childrenOf(GtkWidget* container) {
    std::vector<GtkWidget*> children;
    GList* list = gtk_container_get_children(GTK_CONTAINER(container));
    for (GList* at = list; at != nullptr; at = at->next) {
        children.push_back(GTK_WIDGET(at->data));
    }
    g_list_free(list);
    return children;
}

/// The text of the first label inside `widget`, or "" when it holds none.
inline std::string labelIn(GtkWidget* widget) {
    if (GTK_IS_LABEL(widget)) {
        return gtk_label_get_text(GTK_LABEL(widget));
    }
    if (GTK_IS_CONTAINER(widget)) {
        for (GtkWidget* child : childrenOf(widget)) {
            if (std::string text = labelIn(child); !text.empty()) {
                return text;
            }
        }
    }
    return {};
}

/// The message dialogs on screen, as the user sees them.
inline std::vector<GtkWidget*> visibleMessageDialogs() {
    std::vector<GtkWidget*> open;
    GList* windows = gtk_window_list_toplevels();
    for (GList* item = windows; item != nullptr; item = item->next) {
        if (GTK_IS_MESSAGE_DIALOG(item->data) && gtk_widget_get_visible(GTK_WIDGET(item->data))) {
            open.push_back(GTK_WIDGET(item->data));
        }
    }
    g_list_free(windows);
    return open;
}

}  // namespace headroom::test

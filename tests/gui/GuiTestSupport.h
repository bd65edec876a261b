#pragma once

#include <gtest/gtest.h>
#include <gtkmm/label.h>
#include <gtkmm/menu.h>

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
inline bool gtkAvailable() {
    static const bool available = TrayApplication::openDisplay("com.Tidewell.Headroom");
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

inline std::vector<Gtk::Widget*> rowsOf(Gtk::Menu& menu) {
    return menu.get_children();
}

/// The text of the first label inside `widget`, or "" when it holds none.
inline std::string labelIn(Gtk::Widget* widget) {
    if (auto* label = dynamic_cast<Gtk::Label*>(widget)) {
        return label->get_text();
    }
    if (auto* container = dynamic_cast<Gtk::Container*>(widget)) {
        for (Gtk::Widget* child : container->get_children()) {
            if (std::string text = labelIn(child); !text.empty()) {
                return text;
            }
        }
    }
    return {};
}

}  // namespace headroom::test

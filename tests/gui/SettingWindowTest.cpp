// The preferences window on real GTK (under Xvfb, with openbox managing it), driven as a user
// would: its tabs and their frame sizes, a check box, the numeric fields under the X server's
// own mouse and keyboard events, closing and reopening. The delegate runs on the real adapters
// (key-file store, GLib loop, the terminal's status item to read the title). Each tab is
// photographed into the build folder (screenshots/) for a person to look at.

#include <gdk/gdk.h>
#include <gdkmm/pixbuf.h>
#include <gtk/gtk.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/clipboard.h>
#include <gtkmm/entry.h>
#include <gtkmm/radiotoolbutton.h>
#include <gtkmm/window.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "FakePlatform.h"
#include "GuiTestSupport.h"
#include "RealInput.h"
#include "app/AppDelegate.h"
#include "platform/linux/GioUrlOpener.h"
#include "platform/linux/KeyFilePreferenceStore.h"
#include "platform/linux/PixbufBundleResources.h"
#include "platform/linux/ProcHostMemory.h"
#include "platform/linux/ProcSelfControl.h"
#include "platform/linux/ProcWorkspace.h"
#include "platform/linux/SessionBusNotificationCenter.h"
#include "platform/linux/XdgAutostartLoginItems.h"
#include "preferences/SettingWindowController.h"
#include "ui/gtk/GtkSettingWindowFactory.h"
#include "ui/terminal/TerminalStatusBar.h"

namespace headroom {
namespace {

using test::readFile;

namespace fs = std::filesystem;

/// The widget of `root`'s tree that the interface file named `id`.
Gtk::Widget* findById(Gtk::Widget* root, const std::string& id) {
    const gchar* name = gtk_buildable_get_name(GTK_BUILDABLE(root->gobj()));
    if (name != nullptr && id == name) {
        return root;
    }
    if (auto* container = dynamic_cast<Gtk::Container*>(root)) {
        for (Gtk::Widget* child : container->get_children()) {
            if (Gtk::Widget* found = findById(child, id)) {
                return found;
            }
        }
    }
    return nullptr;
}

class SettingWindowGui : public test::DisplayTest {
  protected:
    void SetUp() override {
        DisplayTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        windowManager = std::make_unique<test::WindowManager>();
        ASSERT_TRUE(windowManager->ready()) << "openbox does not run (tools/install-deps)";
        gchar* made = g_dir_make_tmp("headroom-prefs-gui-XXXXXX", nullptr);
        ASSERT_NE(made, nullptr);
        home = made;
        g_free(made);
        store = std::make_unique<KeyFilePreferenceStore>((home / "preferences.ini").string(), log);
        std::string message;
        store->load(message);
        factory = std::make_unique<GtkSettingWindowFactory>(HEADROOM_RESOURCES_DIR, log);
        loginItems = std::make_unique<XdgAutostartLoginItems>(
            "/nonexistent/headroom-login-helper", AutostartFolders{home.string(), {{}}});
        delegate = std::make_unique<AppDelegate>(
            Platform{loop, *store, hostMemory, log, workspace, notices, statusBar, feedback,
                     application, bundleResources, processControl, *loginItems, *factory, urlOpener,
                     reachability, welcomeWindows,
                     BundleInfo{"com.Tidewell.Headroom", "Headroom", "0.1.0", "7",
                                "Copyright © 2026 Tidewell. All rights reserved.", home.string()},
                     DeploymentSettings{}});
        delegate->applicationDidFinishLaunching();
    }
    void TearDown() override {
        delegate.reset();
        if (!home.empty()) {
            fs::remove_all(home);
        }
    }

    /// Opens the preferences and waits until the window is on the screen.
    Gtk::Window& open() {
        delegate->preferencePressed();
        Gtk::Window* found = nullptr;
        for (Gtk::Window* window : Gtk::Window::list_toplevels()) {
            if (window->get_title() == "Headroom Preferences") {
                found = window;
            }
        }
        EXPECT_NE(found, nullptr) << "no preferences window";
        settle(*found);
        return *found;
    }

    /// Turns the loop until the window is mapped and its size has settled (the same over a
    /// tenth of a second), for at most five seconds.
    void settle(Gtk::Window& window) {
        int same = 0;
        for (int i = 0; i < 250 && same < 5; ++i) {
            test::turnLoop(loop);
            const bool unchanged =
                window.get_width() == lastWidth_ && window.get_height() == lastHeight_;
            same = window.get_mapped() && unchanged ? same + 1 : 0;
            lastWidth_ = window.get_width();
            lastHeight_ = window.get_height();
        }
    }

    template <typename T>
    T& widget(Gtk::Window& window, const std::string& id) {
        auto* found = dynamic_cast<T*>(findById(&window, id));
        if (found == nullptr) {
            throw std::runtime_error("no widget " + id);
        }
        return *found;
    }

    static void screenshot(Gtk::Window& window, const std::string& name) {
        fs::create_directories(HEADROOM_SCREENSHOT_DIR);
        window.queue_draw();
        const auto pixbuf =
            Gdk::Pixbuf::create(window.get_window(), 0, 0, window.get_width(), window.get_height());
        ASSERT_TRUE(pixbuf) << "cannot read the window's pixels";
        pixbuf->save(std::string(HEADROOM_SCREENSHOT_DIR) + "/" + name + ".png", "png");
    }

    int topEdge(Gtk::Window& window) {
        int x = 0;
        int y = 0;
        window.get_position(x, y);
        return y;
    }

    /// The size of the window's frame, the window manager's decorations included.
    static std::pair<int, int> frameSize(Gtk::Window& window) {
        Gdk::Rectangle frame;
        window.get_window()->get_frame_extents(frame);
        return {frame.get_width(), frame.get_height()};
    }

    /// Turns the loop until the window's frame is `width` × `height`, for at most five seconds.
    bool settleFrameAt(Gtk::Window& window, int width, int height) {
        for (int i = 0; i < 250; ++i) {
            test::turnLoop(loop);
            if (window.get_mapped() && frameSize(window) == std::pair{width, height}) {
                return true;
            }
        }
        const auto [w, h] = frameSize(window);
        ADD_FAILURE() << "the frame stays " << w << " x " << h << ", not " << width << " x "
                      << height;
        return false;
    }

    /// The top edge of the window's frame on the screen.
    static int frameTop(Gtk::Window& window) {
        Gdk::Rectangle frame;
        window.get_window()->get_frame_extents(frame);
        return frame.get_y();
    }

    std::unique_ptr<test::WindowManager> windowManager;
    fs::path home;
    test::LinesLog log;
    GlibRunLoop loop;
    std::unique_ptr<KeyFilePreferenceStore> store;
    ProcHostMemory hostMemory{HEADROOM_PROCFS_DIR};
    ProcWorkspace workspace{HEADROOM_PROCFS_DIR};
    SessionBusNotificationCenter notices{log};
    TerminalStatusBar statusBar;
    test::FakeFeedback feedback;
    TrayApplication application{"com.Tidewell.HeadroomPreferencesTest"};
    PixbufBundleResources bundleResources{HEADROOM_RESOURCES_DIR};
    ProcSelfControl processControl;
    std::unique_ptr<XdgAutostartLoginItems> loginItems;
    std::unique_ptr<GtkSettingWindowFactory> factory;
    GioUrlOpener urlOpener{log};
    // The welcome window's port, which nothing here calls.
    test::FakeReachability reachability;
    test::FakeWelcomeWindows welcomeWindows;
    std::unique_ptr<AppDelegate> delegate;

  private:
    int lastWidth_ = -1;
    int lastHeight_ = -1;
};

TEST_F(SettingWindowGui, EachTabsFrameHasItsSizeAndKeepsTheTopEdge) {
    Gtk::Window& window = open();
    EXPECT_TRUE(window.get_visible());
    settleFrameAt(window, 390, 315);
    EXPECT_EQ(widget<Gtk::Label>(window, "txtVersionString").get_text(), "Version 0.1.0 (7)");
    screenshot(window, "preferences-general");
    const int top = frameTop(window);

    ASSERT_TRUE(test::clickOn(widget<Gtk::Widget>(window, "Advanced")));
    settleFrameAt(window, 390, 370);
    EXPECT_EQ(frameTop(window), top);
    EXPECT_TRUE(widget<Gtk::Widget>(window, "advancedView").get_visible());
    EXPECT_FALSE(widget<Gtk::Widget>(window, "generalView").get_visible());
    screenshot(window, "preferences-advanced");

    ASSERT_TRUE(test::clickOn(widget<Gtk::Widget>(window, "AboutUs")));
    settleFrameAt(window, 440, 290);
    EXPECT_EQ(frameTop(window), top);
    screenshot(window, "preferences-about");
}

TEST_F(SettingWindowGui, ACheckBoxWritesItsKeyAndRedrawsTheTitle) {
    Gtk::Window& window = open();
    ASSERT_NE(statusBar.item(), nullptr);
    ASSERT_FALSE(statusBar.item()->title().text.empty());

    widget<Gtk::CheckButton>(window, "btnShowText").clicked();

    EXPECT_EQ(statusBar.item()->title().text, "");
    EXPECT_NE(readFile(home / "preferences.ini").find("isShowText=false"), std::string::npos);
}

TEST_F(SettingWindowGui, NumberFieldsTakeClicksTypingOverASelectionTabAndPaste) {
    Gtk::Window& window = open();
    ASSERT_TRUE(test::clickOn(widget<Gtk::Widget>(window, "Advanced")));
    settleFrameAt(window, 390, 370);
    auto& level = widget<Gtk::Entry>(window, "txtMemoryLevel");
    auto& threshold = widget<Gtk::Entry>(window, "txtSignificantLevel");
    Gtk::Clipboard::get()->set_text("300");

    struct Step {
        const char* what;
        Gtk::Entry& clicked;  ///< the field the pointer clicks first
        std::vector<std::string> keys;
        std::string typed;
        Gtk::Entry& field;  ///< the field that ends up edited
        const char* key;
        int value;
    };
    const Step steps[] = {
        {"select all, type 5", level, {"ctrl+a"}, "5", level, "memoryLevel", 5},
        {"select all, type 500", level, {"ctrl+a"}, "500", level, "memoryLevel", 500},
        {"Tab in (it selects), type 12abc", threshold, {"Tab"}, "12abc", level, "memoryLevel", 12},
        {"select all, erase", level, {"ctrl+a", "BackSpace"}, "", level, "memoryLevel", 1},
        {"select all, paste 300", level, {"ctrl+a", "ctrl+v"}, "", level, "memoryLevel", 300},
        {"select all, type 7", threshold, {"ctrl+a"}, "7", threshold, "significantThreshold", 7},
        {"select all, erase",
         threshold,
         {"ctrl+a", "BackSpace"},
         "",
         threshold,
         "significantThreshold",
         0},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        ASSERT_TRUE(test::clickOn(step.clicked));
        test::turnFor(0.05);
        // The release of a click that the field took leaves the focus in the field.
        EXPECT_EQ(window.get_focus(), &step.clicked);
        for (const std::string& keys : step.keys) {
            ASSERT_TRUE(test::pressKeys(keys));
        }
        if (!step.typed.empty()) {
            ASSERT_TRUE(test::typeText(step.typed));
        }
        test::turnFor(0.1);
        EXPECT_EQ(window.get_focus(), &step.field);
        EXPECT_EQ(step.field.get_text(), std::to_string(step.value));
        EXPECT_NE(readFile(home / "preferences.ini")
                      .find(std::string(step.key) + "=" + std::to_string(step.value) + "\n"),
                  std::string::npos);
    }
    EXPECT_EQ(delegate->memoryLevel, 300);
    EXPECT_EQ(delegate->significantThreshold, 0);

    // A click on the window's background ends the edit: the field lets the focus go.
    ASSERT_TRUE(test::clickOn(widget<Gtk::Widget>(window, "lowMemoryLabel")));
    test::turnFor(0.05);
    EXPECT_EQ(window.get_focus(), nullptr);
}

TEST_F(SettingWindowGui, ClosingHidesTheWindowAndTheNextRequestBringsItBackOnTheSameTab) {
    Gtk::Window& window = open();
    widget<Gtk::RadioToolButton>(window, "Advanced").set_active(true);
    settleFrameAt(window, 390, 370);
    window.close();
    settle(window);
    EXPECT_FALSE(window.get_visible());

    Gtk::Window& again = open();
    EXPECT_EQ(&again, &window);
    EXPECT_TRUE(again.get_visible());
    EXPECT_TRUE(widget<Gtk::RadioToolButton>(again, "Advanced").get_active());
    settleFrameAt(again, 390, 370);
}

TEST_F(SettingWindowGui, ABrokenInterfaceFileIsRefusedWithTheReason) {
    const std::string text =
        readFile(fs::path(HEADROOM_RESOURCES_DIR) / "SettingWindowController.ui");
    const std::string folder = (home / "resources").string();
    fs::create_directories(folder);
    GtkSettingWindowFactory broken(folder, log);
    struct Case {
        std::string contents;
        std::string reason;
    };
    const std::string id = "id=\"txtMemoryLevel\"";
    std::string renamed = text;
    renamed.replace(renamed.find(id), id.size(), "id=\"somethingElse\"");
    for (const Case& c :
         {Case{renamed, "\"txtMemoryLevel\""},
          Case{"<interface><object class=\"NoSuchWidget\" id=\"window\"/></interface>",
               "not valid"}}) {
        SCOPED_TRACE(c.reason);
        std::ofstream(folder + "/SettingWindowController.ui") << c.contents;
        log.lines.clear();
        SettingWindowController controller(*delegate, urlOpener, broken, {}, {});
        EXPECT_EQ(controller.window(), nullptr);
        ASSERT_EQ(log.lines.size(), 1U);
        EXPECT_NE(log.lines[0].find(c.reason), std::string::npos) << log.lines[0];
    }
}

}  // namespace
}  // namespace headroom

// The preferences window on real GTK (under Xvfb), driven as a user would: its tabs and their
// sizes, a check box, typing into a numeric field, closing and reopening. The delegate runs on
// the real adapters (key-file store, GLib loop, the terminal's status item to read the title).
// Each tab is photographed into the build folder (screenshots/) for a person to look at.

#include <gdk/gdk.h>
#include <gdkmm/pixbuf.h>
#include <gtk/gtk.h>
#include <gtkmm/checkbutton.h>
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
#include "ui/terminal/QuietFeedback.h"
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

/// Sends a key press and release to the window, as the X server would deliver them to it: the
/// window hands them to its focus widget.
void pressKey(Gtk::Window& window, guint keyval) {
    for (const GdkEventType type : {GDK_KEY_PRESS, GDK_KEY_RELEASE}) {
        GdkEvent* event = gdk_event_new(type);
        event->key.window = GDK_WINDOW(g_object_ref(window.get_window()->gobj()));
        event->key.send_event = TRUE;
        event->key.time = GDK_CURRENT_TIME;
        event->key.keyval = keyval;
        GdkKeymapKey* keys = nullptr;
        gint count = 0;
        if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(gdk_display_get_default()),
                                              keyval, &keys, &count) &&
            count > 0) {
            event->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
        }
        g_free(keys);
        gdk_event_set_device(
            event, gdk_seat_get_keyboard(gdk_display_get_default_seat(gdk_display_get_default())));
        gtk_main_do_event(event);
        gdk_event_free(event);
    }
}

/// A click released over the window's own background.
void releaseButtonOnBackground(Gtk::Window& window) {
    GdkEvent* event = gdk_event_new(GDK_BUTTON_RELEASE);
    event->button.window = GDK_WINDOW(g_object_ref(window.get_window()->gobj()));
    event->button.send_event = TRUE;
    event->button.button = 1;
    event->button.x = 2;
    event->button.y = window.get_height() - 2;
    gdk_event_set_device(
        event, gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default())));
    gtk_main_do_event(event);
    gdk_event_free(event);
}

class SettingWindowGui : public test::DisplayTest {
  protected:
    void SetUp() override {
        DisplayTest::SetUp();
        if (IsSkipped()) {
            return;
        }
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
            Platform{loop,
                     *store,
                     hostMemory,
                     log,
                     workspace,
                     notices,
                     statusBar,
                     feedback,
                     application,
                     bundleResources,
                     processControl,
                     *loginItems,
                     *factory,
                     urlOpener,
                     reachability,
                     thanaksWindows,
                     urlConnections,
                     alerts,
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

    /// Turns the loop until the window is `width` × `height`, for at most five seconds.
    bool settleAt(Gtk::Window& window, int width, int height) {
        for (int i = 0; i < 250; ++i) {
            test::turnLoop(loop);
            if (window.get_mapped() && window.get_width() == width &&
                window.get_height() == height) {
                return true;
            }
        }
        ADD_FAILURE() << "the window stays " << window.get_width() << " x " << window.get_height()
                      << ", not " << width << " x " << height;
        return false;
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

    fs::path home;
    test::LinesLog log;
    GlibRunLoop loop;
    std::unique_ptr<KeyFilePreferenceStore> store;
    ProcHostMemory hostMemory{HEADROOM_PROCFS_DIR};
    ProcWorkspace workspace{HEADROOM_PROCFS_DIR};
    SessionBusNotificationCenter notices{log};
    TerminalStatusBar statusBar;
    QuietFeedback feedback;
    TrayApplication application{"com.Tidewell.HeadroomPreferencesTest"};
    PixbufBundleResources bundleResources{HEADROOM_RESOURCES_DIR};
    ProcSelfControl processControl;
    std::unique_ptr<XdgAutostartLoginItems> loginItems;
    std::unique_ptr<GtkSettingWindowFactory> factory;
    GioUrlOpener urlOpener{log};
    // The welcome window's ports, which nothing here calls.
    test::FakeReachability reachability;
    test::FakeThanaksWindowFactory thanaksWindows;
    test::FakeURLConnectionFactory urlConnections;
    test::FakeAlerts alerts;
    std::unique_ptr<AppDelegate> delegate;

  private:
    int lastWidth_ = -1;
    int lastHeight_ = -1;
};

TEST_F(SettingWindowGui, EachTabHasItsSizeAndKeepsTheTopEdge) {
    Gtk::Window& window = open();
    EXPECT_TRUE(window.get_visible());
    settleAt(window, 390, 315);
    EXPECT_EQ(widget<Gtk::Label>(window, "txtVersionString").get_text(), "Version 0.1.0 (7)");
    screenshot(window, "preferences-general");
    const int top = topEdge(window);

    widget<Gtk::RadioToolButton>(window, "Advanced").set_active(true);
    settleAt(window, 390, 370);
    EXPECT_EQ(topEdge(window), top);
    EXPECT_TRUE(widget<Gtk::Widget>(window, "advancedView").get_visible());
    EXPECT_FALSE(widget<Gtk::Widget>(window, "generalView").get_visible());
    screenshot(window, "preferences-advanced");

    widget<Gtk::RadioToolButton>(window, "AboutUs").set_active(true);
    settleAt(window, 440, 290);
    EXPECT_EQ(topEdge(window), top);
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

TEST_F(SettingWindowGui, TypingIntoTheLevelFieldShowsTheBoundedValue) {
    Gtk::Window& window = open();
    widget<Gtk::RadioToolButton>(window, "Advanced").set_active(true);
    settleAt(window, 390, 370);
    auto& level = widget<Gtk::Entry>(window, "txtMemoryLevel");
    level.property_im_module() = "gtk-im-context-simple";
    level.grab_focus();
    level.select_region(0, -1);

    for (const int key : {GDK_KEY_2, GDK_KEY_0, GDK_KEY_4, GDK_KEY_8, GDK_KEY_x}) {
        pressKey(window, static_cast<guint>(key));
    }
    test::turnLoop(loop);

    EXPECT_EQ(level.get_text(), "1024");
    EXPECT_EQ(delegate->memoryLevel, 1024);
    EXPECT_NE(readFile(home / "preferences.ini").find("memoryLevel=1024"), std::string::npos);

    // A click on the background ends the edit: the field lets the focus go.
    releaseButtonOnBackground(window);
    EXPECT_EQ(window.get_focus(), nullptr);
}

TEST_F(SettingWindowGui, ClosingHidesTheWindowAndTheNextRequestBringsItBackOnTheSameTab) {
    Gtk::Window& window = open();
    widget<Gtk::RadioToolButton>(window, "Advanced").set_active(true);
    settleAt(window, 390, 370);
    window.close();
    settle(window);
    EXPECT_FALSE(window.get_visible());

    Gtk::Window& again = open();
    EXPECT_EQ(&again, &window);
    EXPECT_TRUE(again.get_visible());
    EXPECT_TRUE(widget<Gtk::RadioToolButton>(again, "Advanced").get_active());
    settleAt(again, 390, 370);
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
        SettingWindowController controller(*delegate, broken);
        EXPECT_EQ(controller.window(), nullptr);
        ASSERT_EQ(log.lines.size(), 1U);
        EXPECT_NE(log.lines[0].find(c.reason), std::string::npos) << log.lines[0];
    }
}

}  // namespace
}  // namespace headroom

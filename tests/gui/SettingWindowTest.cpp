// The preferences window on real GTK (under Xvfb, with openbox managing it), driven as a user
// would: its tabs and their frame sizes, a check box, the numeric fields under the X server's
// own mouse and keyboard events, closing and reopening. The delegate runs on the real adapters
// (key-file store, GLib loop, the terminal's status item to read the title). Each tab is
// photographed into the build folder (screenshots/) for a person to look at.

#include <gdk/gdk.h>
#include <gtk/gtk.h>

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
GtkWidget* findById(GtkWidget* root, const std::string& id) {
    const gchar* name = gtk_buildable_get_name(GTK_BUILDABLE(root));
    if (name != nullptr && id == name) {
        return root;
    }
    GtkWidget* found = nullptr;
    if (GTK_IS_CONTAINER(root)) {
        GList* children = gtk_container_get_children(GTK_CONTAINER(root));
        for (GList* child = children; child != nullptr && found == nullptr; child = child->next) {
            found = findById(GTK_WIDGET(child->data), id);
        }
        g_list_free(children);
    }
    return found;
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
            Platform{loop, *store, hostMemory, log, workspace, notices, notifier, statusBar,
                     feedback, application, bundleResources, processControl, *loginItems, *factory,
                     urlOpener, thanaksWindows,
                     BundleInfo{"com.Tidewell.Headroom", "Headroom", "0.1.0", "7",
                                "Copyright © 2026 Tidewell. All rights reserved."},
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
    GtkWindow* open() {
        delegate->preferencePressed();
        GtkWindow* found = nullptr;
        GList* windows = gtk_window_list_toplevels();
        for (GList* window = windows; window != nullptr; window = window->next) {
            const gchar* title = gtk_window_get_title(GTK_WINDOW(window->data));
            if (title != nullptr && std::string(title) == "Headroom Preferences") {
                found = GTK_WINDOW(window->data);
            }
        }
        g_list_free(windows);
        EXPECT_NE(found, nullptr) << "no preferences window";
        settle(found);
        return found;
    }

    /// Turns the loop until the window is mapped and its size has settled (the same over a
    /// tenth of a second), for at most five seconds.
    void settle(GtkWindow* window) {
        int same = 0;
        for (int i = 0; i < 250 && same < 5; ++i) {
            test::turnLoop(loop);
            const int width = gtk_widget_get_allocated_width(GTK_WIDGET(window));
            const int height = gtk_widget_get_allocated_height(GTK_WIDGET(window));
            const bool unchanged = width == lastWidth_ && height == lastHeight_;
            same = gtk_widget_get_mapped(GTK_WIDGET(window)) && unchanged ? same + 1 : 0;
            lastWidth_ = width;
            lastHeight_ = height;
        }
    }

    static GtkWidget* widget(GtkWindow* window, const std::string& id) {
        GtkWidget* found = findById(GTK_WIDGET(window), id);
        if (found == nullptr) {
            throw std::runtime_error("no widget " + id);
        }
        return found;
    }

    static void screenshot(GtkWindow* window, const std::string& name) {
        fs::create_directories(HEADROOM_SCREENSHOT_DIR);
        gtk_widget_queue_draw(GTK_WIDGET(window));
        GdkPixbuf* pixbuf =
            gdk_pixbuf_get_from_window(gtk_widget_get_window(GTK_WIDGET(window)), 0, 0,
                                       gtk_widget_get_allocated_width(GTK_WIDGET(window)),
                                       gtk_widget_get_allocated_height(GTK_WIDGET(window)));
        ASSERT_NE(pixbuf, nullptr) << "cannot read the window's pixels";
        const std::string path = std::string(HEADROOM_SCREENSHOT_DIR) + "/" + name + ".png";
        EXPECT_TRUE(gdk_pixbuf_save(pixbuf, path.c_str(), "png", nullptr, nullptr));
        g_object_unref(pixbuf);
    }

    /// The window's frame on the screen, the window manager's decorations included.
    static GdkRectangle frame(GtkWindow* window) {
        GdkRectangle extents{};
        gdk_window_get_frame_extents(gtk_widget_get_window(GTK_WIDGET(window)), &extents);
        return extents;
    }

    /// Turns the loop until the window's frame is `width` × `height`, for at most five seconds.
    bool settleFrameAt(GtkWindow* window, int width, int height) {
        for (int i = 0; i < 250; ++i) {
            test::turnLoop(loop);
            if (gtk_widget_get_mapped(GTK_WIDGET(window)) && frame(window).width == width &&
                frame(window).height == height) {
                return true;
            }
        }
        ADD_FAILURE() << "the frame stays " << frame(window).width << " x " << frame(window).height
                      << ", not " << width << " x " << height;
        return false;
    }

    std::unique_ptr<test::WindowManager> windowManager;
    fs::path home;
    test::LinesLog log;
    GlibRunLoop loop;
    std::unique_ptr<KeyFilePreferenceStore> store;
    ProcHostMemory hostMemory{HEADROOM_PROCFS_DIR};
    ProcWorkspace workspace{HEADROOM_PROCFS_DIR};
    SessionBusNotificationCenter notices{log};
    test::FakeDesktopNotifier notifier;
    TerminalStatusBar statusBar;
    test::FakeFeedback feedback;
    TrayApplication application{"com.Tidewell.HeadroomPreferencesTest"};
    PixbufBundleResources bundleResources{HEADROOM_RESOURCES_DIR};
    ProcSelfControl processControl;
    std::unique_ptr<XdgAutostartLoginItems> loginItems;
    std::unique_ptr<GtkSettingWindowFactory> factory;
    GioUrlOpener urlOpener{log};
    // The welcome window's port, which nothing here calls.
    test::FakeThanaksWindows thanaksWindows;
    std::unique_ptr<AppDelegate> delegate;

  private:
    int lastWidth_ = -1;
    int lastHeight_ = -1;
};

TEST_F(SettingWindowGui, EachTabsFrameHasItsSizeAndKeepsTheTopEdge) {
    GtkWindow* window = open();
    EXPECT_TRUE(gtk_widget_get_visible(GTK_WIDGET(window)));
    settleFrameAt(window, 390, 315);
    EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(widget(window, "txtVersionString"))),
                 "Version 0.1.0 (7)");
    screenshot(window, "preferences-general");
    const int left = frame(window).x;
    const int top = frame(window).y;

    ASSERT_TRUE(test::clickOn(widget(window, "Advanced")));
    settleFrameAt(window, 390, 370);
    EXPECT_EQ(frame(window).x, left);
    EXPECT_EQ(frame(window).y, top);
    EXPECT_TRUE(gtk_widget_get_visible(widget(window, "advancedView")));
    EXPECT_FALSE(gtk_widget_get_visible(widget(window, "generalView")));
    screenshot(window, "preferences-advanced");

    ASSERT_TRUE(test::clickOn(widget(window, "AboutUs")));
    settleFrameAt(window, 440, 290);
    EXPECT_EQ(frame(window).x, left);
    EXPECT_EQ(frame(window).y, top);
    EXPECT_TRUE(gtk_widget_get_visible(widget(window, "aboutUsView")));
    EXPECT_FALSE(gtk_widget_get_visible(widget(window, "advancedView")));
    screenshot(window, "preferences-about");
}

TEST_F(SettingWindowGui, ACheckBoxWritesItsKeyAndRedrawsTheTitle) {
    GtkWindow* window = open();
    ASSERT_NE(statusBar.item(), nullptr);
    ASSERT_FALSE(statusBar.item()->title().text.empty());

    gtk_button_clicked(GTK_BUTTON(widget(window, "btnShowText")));

    EXPECT_EQ(statusBar.item()->title().text, "");
    EXPECT_NE(readFile(home / "preferences.ini").find("isShowText=false"), std::string::npos);
}

TEST_F(SettingWindowGui, NumberFieldsKeepANumberAsTypedAndStoreItWhenTheEditEnds) {
    GtkWindow* window = open();
    ASSERT_TRUE(test::clickOn(widget(window, "Advanced")));
    settleFrameAt(window, 390, 370);
    GtkWidget* level = widget(window, "txtMemoryLevel");
    GtkWidget* threshold = widget(window, "txtSignificantLevel");
    GtkWidget* pressure = widget(window, "txtPressureLevel");
    gtk_clipboard_set_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), "300", -1);

    struct Step {
        const char* what;
        GtkWidget* clicked;  ///< the field the pointer clicks first
        std::vector<std::string> keys;
        std::string typed;
        GtkWidget* field;   ///< the field that ends up edited
        std::string shown;  ///< while typing
        const char* key;
        int value;  ///< shown and stored once Enter ends the edit
    };
    const Step steps[] = {
        {"a leading blank is refused", level, {"ctrl+a"}, " 42", level, "42", "memoryLevel", 42},
        {"a plus sign", level, {"ctrl+a"}, "+7", level, "+7", "memoryLevel", 7},
        {"past the bound", level, {"ctrl+a"}, "2048", level, "1024", "memoryLevel", 1024},
        {"Tab in (it selects), letters refused",
         threshold,
         {"Tab"},
         "12abc",
         level,
         "12",
         "memoryLevel",
         12},
        {"erased", level, {"ctrl+a", "BackSpace"}, "", level, "", "memoryLevel", 1},
        {"pasted", level, {"ctrl+a", "ctrl+v"}, "", level, "300", "memoryLevel", 300},
        {"below the bound",
         threshold,
         {"ctrl+a", "minus"},
         "3",
         threshold,
         "0",
         "significantThreshold",
         0},
        {"the pressure", pressure, {"ctrl+a"}, "25", pressure, "25", "pressureLevel", 25},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        ASSERT_TRUE(test::clickOn(step.clicked));
        test::turnFor(0.05);
        // The release of a click that the field took leaves the focus in the field.
        EXPECT_EQ(gtk_window_get_focus(window), step.clicked);
        const std::string before = readFile(home / "preferences.ini");
        for (const std::string& keys : step.keys) {
            ASSERT_TRUE(test::pressKeys(keys));
        }
        if (!step.typed.empty()) {
            ASSERT_TRUE(test::typeText(step.typed));
        }
        test::turnFor(0.1);
        EXPECT_EQ(gtk_window_get_focus(window), step.field);
        EXPECT_EQ(gtk_entry_get_text(GTK_ENTRY(step.field)), step.shown);
        EXPECT_EQ(readFile(home / "preferences.ini"), before) << "stored while typing";

        ASSERT_TRUE(test::pressKeys("Return"));
        test::turnFor(0.1);
        EXPECT_EQ(gtk_entry_get_text(GTK_ENTRY(step.field)), std::to_string(step.value));
        EXPECT_NE(readFile(home / "preferences.ini")
                      .find(std::string(step.key) + "=" + std::to_string(step.value) + "\n"),
                  std::string::npos);
    }
    EXPECT_EQ(delegate->memoryLevel, 300);
    EXPECT_EQ(delegate->significantThreshold, 0);
    EXPECT_EQ(delegate->pressureLevel, 25);

    // A click on the window's background ends an edit: the field lets the focus go.
    ASSERT_TRUE(test::clickOn(level));
    ASSERT_TRUE(test::pressKeys("ctrl+a"));
    ASSERT_TRUE(test::typeText("5"));
    ASSERT_TRUE(test::clickOn(widget(window, "lowMemoryLabel")));
    test::turnFor(0.05);
    EXPECT_EQ(gtk_window_get_focus(window), nullptr);
    EXPECT_EQ(delegate->memoryLevel, 5);
}

TEST_F(SettingWindowGui, ClosingLetsTheWindowGoAndTheNextOpensOnTheSameTabAndFrame) {
    GtkWindow* window = open();
    ASSERT_TRUE(test::clickOn(widget(window, "Advanced")));
    settleFrameAt(window, 390, 370);
    const GdkRectangle left = frame(window);
    g_object_add_weak_pointer(G_OBJECT(window), reinterpret_cast<gpointer*>(&window));
    ASSERT_TRUE(test::pressKeys("Escape"));
    test::turnFor(0.1);
    EXPECT_EQ(window, nullptr) << "the closed window is still there";

    GtkWindow* again = open();
    EXPECT_TRUE(
        gtk_toggle_tool_button_get_active(GTK_TOGGLE_TOOL_BUTTON(widget(again, "Advanced"))));
    EXPECT_TRUE(gtk_widget_get_visible(widget(again, "advancedView")));
    EXPECT_FALSE(gtk_widget_get_visible(widget(again, "generalView")));
    settleFrameAt(again, 390, 370);
    EXPECT_EQ(frame(again).x, left.x);
    EXPECT_EQ(frame(again).y, left.y);
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

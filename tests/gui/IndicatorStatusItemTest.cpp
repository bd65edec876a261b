// The tray item on the real AppIndicator and dbusmenu libraries: its icon files, its status,
// its exported menu and the menu's open and close events. What a panel reads over D-Bus is
// checked end to end by test_tray.py.

#include <gdk/gdk.h>
#include <glib/gstdio.h>
#include <libdbusmenu-glib/server.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "GuiTestSupport.h"
#include "ui/gtk/IndicatorStatusItem.h"

namespace headroom {
namespace {

using test::readFile;

namespace fs = std::filesystem;

StatusImage barIcon(float width) {
    return StatusImage{StatusImage::Kind::BarIcon, "h4_n", width, true};
}

using TrayDisplayTest = test::DisplayTest;

// The tray draws with cairo only: its display is opened with GDK's OpenGL turned off (no GL
// driver mapped into a long-running process), and that choice is not left in the environment
// that programs started from here inherit.
TEST_F(TrayDisplayTest, OpenedWithoutOpenGlAndWithoutLeavingTheSwitchSet) {
    EXPECT_EQ(g_getenv("GDK_GL"), nullptr);
    GdkWindowAttr attributes{};
    attributes.width = 16;
    attributes.height = 16;
    attributes.wclass = GDK_INPUT_OUTPUT;
    attributes.window_type = GDK_WINDOW_TOPLEVEL;
    GdkWindow* window = gdk_window_new(nullptr, &attributes, 0);
    ASSERT_NE(window, nullptr);
    GError* error = nullptr;
    GdkGLContext* context = gdk_window_create_gl_context(window, &error);
    EXPECT_EQ(context, nullptr);
    EXPECT_NE(error, nullptr);
    if (context != nullptr) {
        g_object_unref(context);
    }
    g_clear_error(&error);
    gdk_window_destroy(window);
}

class IndicatorStatusItemTest : public test::DisplayTest {
  protected:
    void SetUp() override {
        DisplayTest::SetUp();
        gchar* made = g_dir_make_tmp("headroom-gui-XXXXXX", nullptr);
        ASSERT_NE(made, nullptr);
        base = made;
        g_free(made);
        folder = base / ("headroom-" + std::to_string(::getpid()));
    }
    void TearDown() override {
        if (!base.empty()) {
            fs::remove_all(base);
        }
    }

    std::unique_ptr<IndicatorStatusBar> makeBar(const std::string& resources) {
        return std::make_unique<IndicatorStatusBar>("headroom-test", "Headroom", loop, log,
                                                    resources, base.string());
    }
    static IndicatorStatusItem& itemOf(std::unique_ptr<StatusItem>& item) {
        return dynamic_cast<IndicatorStatusItem&>(*item);
    }
    fs::path fileOf(const char* iconName) const {
        return folder / (std::string(iconName) + ".svg");
    }
    std::size_t filesInFolder() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
    }

    GlibRunLoop loop;
    test::LinesLog log;
    fs::path base;
    fs::path folder;
};

TEST_F(IndicatorStatusItemTest, IconFilesAreFreshPerPictureAndCleanedUp) {
    auto bar = makeBar(HEADROOM_RESOURCES_DIR);
    auto made = bar->statusItemWithLength(StatusBar::variableLength);
    AppIndicator* indicator = itemOf(made).indicator();
    EXPECT_EQ(app_indicator_get_icon_theme_path(indicator), folder.string());
    EXPECT_EQ(app_indicator_get_status(indicator), APP_INDICATOR_STATUS_ACTIVE);

    made->setImage(barIcon(5.7f));
    const std::string first = app_indicator_get_icon(indicator);
    EXPECT_TRUE(first.ends_with("-symbolic")) << first;
    const std::string icon = readFile(fileOf(first.c_str()));
    EXPECT_NE(icon.find("width=\"5.7\" height=\"5.4\""), std::string::npos) << icon;
    EXPECT_NE(readFile(fileOf(app_indicator_get_attention_icon(indicator))).find(kIconRed),
              std::string::npos);

    // The same picture is not written again.
    made->setImage(barIcon(5.7f));
    made->setImage(barIcon(5.700001f));
    EXPECT_EQ(app_indicator_get_icon(indicator), first);

    made->setImage(barIcon(8.0f));
    const std::string second = app_indicator_get_icon(indicator);
    EXPECT_NE(second, first);
    EXPECT_FALSE(fs::exists(fileOf(first.c_str())));
    EXPECT_EQ(filesInFolder(), 2U) << "the icon and its attention variant, nothing older";

    made->setImage(std::nullopt);
    const std::string blank = app_indicator_get_icon(indicator);
    EXPECT_FALSE(blank.ends_with("-symbolic"));
    EXPECT_EQ(readFile(fileOf(blank.c_str())).find("<rect"), std::string::npos);

    made->setImage(StatusImage{StatusImage::Kind::Named, "h2_n", 0.0f, false});
    EXPECT_NE(readFile(fileOf(app_indicator_get_icon(indicator))).find("rx=\"0.4\""),
              std::string::npos);

    made->setAttributedTitle({"150.00 MB", {14.0, 1.0f, TitleColor::Red}});
    EXPECT_EQ(app_indicator_get_status(indicator), APP_INDICATOR_STATUS_ATTENTION);
    EXPECT_STREQ(app_indicator_get_label(indicator), "150.00 MB");
    EXPECT_STREQ(app_indicator_get_label_guide(indicator), "8888.88 MB");
    made->setAttributedTitle({"2.00 GB", {}});
    EXPECT_EQ(app_indicator_get_status(indicator), APP_INDICATOR_STATUS_ACTIVE);

    EXPECT_TRUE(log.lines.empty());
    made.reset();
    bar.reset();
    EXPECT_FALSE(fs::exists(folder));
}

TEST_F(IndicatorStatusItemTest, MissingArtworkIsLoggedOnceAndTheBarStillShows) {
    auto bar = makeBar(base.string() + "/no-resources");
    auto made = bar->statusItemWithLength(StatusBar::variableLength);
    made->setImage(barIcon(3.0f));
    made->setImage(barIcon(6.0f));
    ASSERT_EQ(log.lines.size(), 1U);
    EXPECT_NE(log.lines[0].find("h4_n.svg"), std::string::npos) << log.lines[0];
    const std::string icon = readFile(fileOf(app_indicator_get_icon(itemOf(made).indicator())));
    EXPECT_NE(icon.find("width=\"6\" height=\"5.4\""), std::string::npos) << icon;
    EXPECT_EQ(icon.find("<g"), std::string::npos);
}

TEST_F(IndicatorStatusItemTest, MenuIsExportedAndItsOpeningTracksTheLoop) {
    auto bar = makeBar(HEADROOM_RESOURCES_DIR);
    int opened = 0;
    int closed = 0;
    bar->setMenuObserver({[&] { ++opened; }, [&] { ++closed; }});
    auto made = bar->statusItemWithLength(StatusBar::variableLength);

    auto menu = std::make_shared<Menu>();
    menu->addItem(std::make_shared<MenuItem>("Extreme Clean", nullptr));
    menu->addItem(MenuItem::separatorItem());
    auto free = std::make_shared<MenuItem>("  Free: 1_000", nullptr);
    free->setEnabled(false);
    menu->addItem(free);
    made->setMenu(menu);

    DbusmenuServer* server = nullptr;
    g_object_get(itemOf(made).indicator(), "dbus-menu-server", &server, nullptr);
    ASSERT_NE(server, nullptr);
    DbusmenuMenuitem* root = nullptr;
    g_object_get(server, DBUSMENU_SERVER_PROP_ROOT_NODE, &root, nullptr);
    g_object_unref(server);
    ASSERT_NE(root, nullptr);
    auto exported = [root](guint index) {
        return DBUSMENU_MENUITEM(g_list_nth_data(dbusmenu_menuitem_get_children(root), index));
    };
    ASSERT_EQ(g_list_length(dbusmenu_menuitem_get_children(root)), 3U);
    // Labels are not mnemonics: the exporter doubles underscores.
    EXPECT_STREQ(dbusmenu_menuitem_property_get(exported(2), "label"), "  Free: 1__000");

    // A refresh changes rows and then the title; the rows follow on the next turn.
    free->setTitle("  Free: 2.00 GB");
    menu->addItem(std::make_shared<MenuItem>("Quit", nullptr));
    made->setAttributedTitle({"2.00 GB", {}});
    test::turnLoop(loop);
    ASSERT_EQ(g_list_length(dbusmenu_menuitem_get_children(root)), 4U);
    EXPECT_STREQ(dbusmenu_menuitem_property_get(exported(2), "label"), "  Free: 2.00 GB");
    EXPECT_STREQ(dbusmenu_menuitem_property_get(exported(3), "label"), "Quit");

    // The panel's open and close events, as the dbusmenu server hands them on.
    dbusmenu_menuitem_handle_event(root, "opened", g_variant_new_int32(0), 0);
    dbusmenu_menuitem_handle_event(root, "opened", g_variant_new_int32(0), 0);
    EXPECT_TRUE(loop.isTracking());
    EXPECT_EQ(opened, 1);
    dbusmenu_menuitem_handle_event(root, "closed", g_variant_new_int32(0), 0);
    dbusmenu_menuitem_handle_event(root, "closed", g_variant_new_int32(0), 0);
    EXPECT_FALSE(loop.isTracking());
    EXPECT_EQ(closed, 1);
    g_object_unref(root);
}

}  // namespace
}  // namespace headroom

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
#include "statusmenu/Menu.h"
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

    std::unique_ptr<IndicatorStatusBar> makeBar() {
        return std::make_unique<IndicatorStatusBar>("headroom-test", "Headroom", loop, log,
                                                    base.string());
    }
    static IndicatorStatusItem& itemOf(std::unique_ptr<StatusItem>& item) {
        return dynamic_cast<IndicatorStatusItem&>(*item);
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

// No StatusNotifierWatcher on the test's bus: drawn for the old-style tray icon, which shows no
// label. (What a panel of the protocol reads is test_tray.py's; a real tray's, tests/panel's.)
TEST_F(IndicatorStatusItemTest, IconsFollowTheStateAreNeverBlankAndAreReused) {
    auto bar = makeBar();
    auto made = bar->statusItemWithLength(StatusBar::variableLength);
    AppIndicator* indicator = itemOf(made).indicator();
    EXPECT_EQ(app_indicator_get_icon_theme_path(indicator), folder.string());
    auto shown = [indicator] { return std::string(app_indicator_get_icon(indicator)); };
    auto fileOf = [this](const std::string& name) { return (folder / name).string() + ".svg"; };
    EXPECT_EQ(shown(), "headroom-22-plate-bar0") << "the module until the first image";

    made->setImage(barIcon(5.7f));
    made->setAttributedTitle({"2.00 GB", {}});
    const std::string normal = shown();
    // The plate icon's name leaves the figure out (one name per bar length and colour); its
    // file has the figure drawn in.
    EXPECT_EQ(normal, "headroom-22-plate-bar7");
    EXPECT_NE(readFile(fileOf(normal)).find("<title>2.0G</title>"), std::string::npos);
    EXPECT_STREQ(app_indicator_get_label(indicator), "2.00 GB");
    EXPECT_STREQ(app_indicator_get_label_guide(indicator), "8888.88 MB");
    EXPECT_STREQ(app_indicator_get_title(indicator), "Headroom: 2.00 GB");
    EXPECT_EQ(app_indicator_get_status(indicator), APP_INDICATOR_STATUS_ACTIVE);

    // Low memory turns the icon itself red, not only the attention icon.
    made->setAttributedTitle({"150.00 MB", {TitleColor::Red}});
    EXPECT_EQ(app_indicator_get_status(indicator), APP_INDICATOR_STATUS_ATTENTION);
    EXPECT_EQ(shown(), "headroom-22-plate-bar7-red");
    EXPECT_EQ(app_indicator_get_attention_icon(indicator), shown());
    EXPECT_NE(readFile(fileOf(shown())).find(kPlateRed), std::string::npos);

    // The same states again reuse their names and files; nothing new is written.
    const std::size_t files = filesInFolder();
    made->setAttributedTitle({"2.00 GB", {}});
    EXPECT_EQ(shown(), normal);
    made->setImage(barIcon(5.700001f));
    made->setAttributedTitle({"150.00 MB", {TitleColor::Red}});
    made->setAttributedTitle({"2.00 GB", {}});
    EXPECT_EQ(shown(), normal);
    EXPECT_EQ(filesInFolder(), files);

    // A new figure at the same bar length rewrites the file under the same name, and the
    // icon's description changes with the title, so that the library tells the panel.
    made->setAttributedTitle({"3.00 GB", {}});
    EXPECT_EQ(shown(), normal);
    EXPECT_NE(readFile(fileOf(normal)).find("<title>3.0G</title>"), std::string::npos);
    EXPECT_STREQ(app_indicator_get_icon_desc(indicator), "Headroom: 3.00 GB");
    EXPECT_EQ(filesInFolder(), files);

    // Without the bar icon the figure stays; without either the module stands in; red shows.
    made->setAttributedTitle({"2.00 GB", {}});
    made->setImage(std::nullopt);
    EXPECT_EQ(shown(), "headroom-22-plate");
    made->setAttributedTitle({"", {TitleColor::Red}});
    EXPECT_EQ(shown(), "headroom-22-plate-bar0-red");
    EXPECT_STREQ(app_indicator_get_title(indicator), "Headroom");
    for (const auto& entry : fs::directory_iterator(folder)) {
        EXPECT_NE(readFile(entry.path()).find("<path fill=\"#ffffff\" d=\"M"), std::string::npos)
            << entry.path() << " has ink";
    }

    EXPECT_TRUE(log.lines.empty());
    made.reset();
    bar.reset();
    EXPECT_FALSE(fs::exists(folder));
}

TEST_F(IndicatorStatusItemTest, MenuIsExportedAndItsOpeningTracksTheLoop) {
    auto bar = makeBar();
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

    // Changed rows reach the exporter on the next turn, with no title set.
    free->setTitle("  Free: 2.00 GB");
    menu->addItem(std::make_shared<MenuItem>("Quit", nullptr));
    test::turnLoop(loop);
    ASSERT_EQ(g_list_length(dbusmenu_menuitem_get_children(root)), 4U);
    EXPECT_STREQ(dbusmenu_menuitem_property_get(exported(2), "label"), "  Free: 2.00 GB");
    EXPECT_STREQ(dbusmenu_menuitem_property_get(exported(3), "label"), "Quit");

    // The panel's open and close events, as the dbusmenu server hands them on.
    dbusmenu_menuitem_handle_event(root, "opened", g_variant_new_int32(0), 0);
    dbusmenu_menuitem_handle_event(root, "opened", g_variant_new_int32(0), 0);
    EXPECT_TRUE(loop.isTracking());
    dbusmenu_menuitem_handle_event(root, "closed", g_variant_new_int32(0), 0);
    dbusmenu_menuitem_handle_event(root, "closed", g_variant_new_int32(0), 0);
    EXPECT_FALSE(loop.isTracking());
    g_object_unref(root);
}

}  // namespace
}  // namespace headroom

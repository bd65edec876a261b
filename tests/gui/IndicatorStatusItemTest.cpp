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
#include "ui/gtk/IconFolder.h"
#include "ui/gtk/IndicatorStatusItem.h"
#include "ui/gtk/SignalConnect.h"

namespace headroom {
namespace {

using test::readFile;

namespace fs = std::filesystem;

constexpr double kGiB = 0x1p30;
constexpr double kMiB = 0x1p20;

StatusImage figures(double free, double total, bool low = false, bool bar = true,
                    bool text = true) {
    return StatusImage{free, total, false, low, bar, text, std::nullopt};
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
        return std::make_unique<IndicatorStatusBar>("headroom_test", "Headroom", loop, log,
                                                    base.string());
    }
    static IndicatorStatusItem& itemOf(std::unique_ptr<StatusItem>& item) {
        return dynamic_cast<IndicatorStatusItem&>(*item);
    }

    GlibRunLoop loop;
    test::LinesLog log;
    fs::path base;
    fs::path folder;
};

// No StatusNotifierWatcher on the test's bus: drawn for the old-style tray icon, which shows no
// label. (The label, title and status as a panel reads them are test_tray.py's; what a real
// tray draws, tests/panel's.)
TEST_F(IndicatorStatusItemTest, OneIconPerRefreshUnderNamesThatAreReused) {
    auto bar = makeBar();
    auto made = bar->makeStatusItem();
    AppIndicator* indicator = itemOf(made).indicator();
    EXPECT_EQ(app_indicator_get_icon_theme_path(indicator), folder.string());
    auto shown = [indicator] { return std::string(app_indicator_get_icon(indicator)); };
    EXPECT_EQ(shown(), "headroom-22-plate-bar0") << "the module until the first image";
    int newIcons = 0;
    connectSignal(
        indicator, "new-icon", +[](AppIndicator*, gpointer count) { ++*static_cast<int*>(count); },
        &newIcons);
    auto figureIn = [this](const std::string& name) {
        const std::string svg = readFile(folder / (name + ".svg"));
        const std::size_t at = svg.find("<title>");
        return at == std::string::npos ? std::string()
                                       : svg.substr(at + 7, svg.find('<', at + 7) - at - 7);
    };

    // Each row is one refresh, title then image as the status menu sets them: one icon goes
    // out, once both are set, drawn from the figures. The plate icon's name leaves the figure
    // out (one name per bar length and colour); its file has the figure drawn in, rewritten as
    // the figure changes.
    struct Refresh {
        AttributedTitle title;
        StatusImage image;
        const char* name;
        const char* figure;
    };
    const Refresh refreshes[] = {
        {{"2.00 GB", {}}, figures(2 * kGiB, 4 * kGiB), "headroom-22-plate-bar7", "2.0G"},
        // Low memory turns the icon itself red, not only the attention icon.
        {{"150.00 MB", {TitleColor::Red}},
         figures(150 * kMiB, 300 * kMiB, true),
         "headroom-red-22-plate-bar7",
         "150M"},
        {{"3.00 GB", {}}, figures(3 * kGiB, 6 * kGiB), "headroom-22-plate-bar7", "3.0G"},
        // A new figure and a new bar length: never the new figure under the old name.
        {{"1.00 GB", {}}, figures(kGiB, 3.4 * kGiB), "headroom-22-plate-bar10", "1.0G"},
        // Without the bar icon the figure stays; without either the module stands in.
        {{"2.00 GB", {}}, figures(2 * kGiB, 4 * kGiB, false, false), "headroom-22-plate", "2.0G"},
        {{"", {TitleColor::Red}},
         figures(kGiB, 4 * kGiB, true, false, false),
         "headroom-red-22-plate-bar0",
         ""},
    };
    for (const Refresh& refresh : refreshes) {
        SCOPED_TRACE(refresh.name);
        newIcons = 0;
        made->setAttributedTitle(refresh.title);
        made->setImage(refresh.image);
        test::turnLoop(loop);
        EXPECT_EQ(newIcons, 1);
        EXPECT_EQ(shown(), refresh.name);
        EXPECT_EQ(app_indicator_get_attention_icon(indicator), shown());
        EXPECT_EQ(figureIn(shown()), refresh.figure);
        // The description changes with the title, so that the library tells the panel of a
        // rewritten file.
        EXPECT_STREQ(app_indicator_get_icon_desc(indicator), app_indicator_get_title(indicator));
    }
    EXPECT_EQ(figureIn("headroom-22-plate-bar7"), "3.0G");
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        ++files;
        EXPECT_NE(readFile(entry.path()).find("<path fill=\"#ffffff\" d=\"M"), std::string::npos)
            << entry.path() << " has ink";
    }
    EXPECT_EQ(files, 6U) << "one file per name shown, the first module's included";

    EXPECT_TRUE(log.lines.empty());
    made.reset();
    bar.reset();
    EXPECT_FALSE(fs::exists(folder));
}

// For Plasma, which reads a name's file once per icon folder: a new picture under a name goes
// to the other folder, and the folder to look in changes with it.
TEST_F(IndicatorStatusItemTest, ANewPictureUnderANameReadOnceGoesToTheOtherFolder) {
    std::string error;
    auto icons = IconFolder::create(base.string(), error);
    ASSERT_TRUE(icons) << error;
    const std::string first = folder.string();
    const std::string second = first + "/b";
    struct Put {
        const char* name;
        const char* picture;
        std::string folder;  // where the panel is to look afterwards
    };
    const Put puts[] = {{"n", "a", first},  {"n", "a", first}, {"n", "b", second},
                        {"m", "c", second}, {"n", "d", first}, {"n", "b", second}};
    for (const Put& put : puts) {
        ASSERT_TRUE(icons->put(put.name, put.picture, true, error)) << error;
        EXPECT_EQ(icons->path(), put.folder) << put.picture;
        EXPECT_EQ(readFile(icons->fileOf(put.name)), put.picture);
    }
    // Other panels read the file again: written over in place.
    ASSERT_TRUE(icons->put("m", "e", false, error));
    EXPECT_EQ(readFile(second + "/m.svg"), "e");
    icons.reset();
    EXPECT_FALSE(fs::exists(folder));
}

TEST_F(IndicatorStatusItemTest, MenuIsExportedAndItsOpeningIsToldAndTracksTheLoop) {
    auto bar = makeBar();
    auto made = bar->makeStatusItem();
    std::vector<MenuEvent> events;
    made->setMenuEvents({[&events](MenuEvent event) { events.push_back(event); }, nullptr});
    made->setMenu({{"clean", "Extreme Clean", "", 0, true, false, false},
                   {"-", "", "", 0, false, true, false},
                   {"free", "  Free: 1_000", "", 0, false, false, false}});

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
    // Labels are not mnemonics: the exporter doubles underscores. (Rows as they change reach
    // the panel: test_tray.py.)
    ASSERT_EQ(g_list_length(dbusmenu_menuitem_get_children(root)), 3U);
    EXPECT_STREQ(dbusmenu_menuitem_property_get(exported(2), "label"), "  Free: 1__000");

    // The panel's AboutToShow and its open and close events, as the dbusmenu server hands
    // them on; each open and close is told once, and work queued in the default mode waits
    // while the menu is open. (First the item learns that no panel shows it, which closes its
    // menu.)
    bool settled = false;
    connectSignal(
        itemOf(made).indicator(), "connection-changed",
        +[](AppIndicator*, gboolean, gpointer flag) { *static_cast<bool*>(flag) = true; },
        &settled);
    for (int turn = 0; turn < 100 && !settled; ++turn) {
        loop.runUntil(loop.now() + Seconds(0.05));
    }
    dbusmenu_menuitem_send_about_to_show(root, nullptr, nullptr);
    dbusmenu_menuitem_handle_event(root, "opened", g_variant_new_int32(0), 0);
    dbusmenu_menuitem_handle_event(root, "opened", g_variant_new_int32(0), 0);
    bool ran = false;
    loop.performAfterDelay(Seconds(0), [&ran] { ran = true; });
    loop.runUntil(loop.now() + Seconds(0.05));
    EXPECT_FALSE(ran);
    dbusmenu_menuitem_handle_event(root, "closed", g_variant_new_int32(0), 0);
    dbusmenu_menuitem_handle_event(root, "closed", g_variant_new_int32(0), 0);
    loop.runUntil(loop.now() + Seconds(0.05));
    EXPECT_TRUE(ran);
    EXPECT_EQ(events, (std::vector<MenuEvent>{MenuEvent::AboutToShow, MenuEvent::Opened,
                                              MenuEvent::Closed}));
    g_object_unref(root);
}

}  // namespace
}  // namespace headroom

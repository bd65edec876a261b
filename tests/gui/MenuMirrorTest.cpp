// The GTK menu mirror on real GTK widgets (Xvfb) and the real GLib loop, and its hand-drawn
// row under the real pointer.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "GuiTestSupport.h"
#include "RealInput.h"
#include "ui/gtk/MenuMirror.h"
#include "ui/gtk/SignalConnect.h"

namespace headroom {
namespace {

namespace fs = std::filesystem;
using test::childrenOf;
using test::labelIn;

/// A row keyed by its title.
MenuRow row(const std::string& title, bool enabled = true, const std::string& image = {}) {
    return MenuRow{title, title, image, 0, enabled, false, false};
}

/// An application row as the status menu makes it.
MenuRow appRow(const std::string& name, const std::string& icon) {
    return MenuRow{"app:" + name, "  " + name, icon, 100, false, false, false};
}

GtkWidget* imageIn(GtkWidget* widget) {
    if (GTK_IS_IMAGE(widget) || !GTK_IS_CONTAINER(widget)) {
        return GTK_IS_IMAGE(widget) ? widget : nullptr;
    }
    for (GtkWidget* child : childrenOf(widget)) {
        if (GtkWidget* image = imageIn(child)) {
            return image;
        }
    }
    return nullptr;
}

/// What a row's image shows, at the rows' size: its icon name or its file ("" for none).
std::string iconOf(GtkWidget* row) {
    GtkWidget* image = imageIn(row);
    if (image == nullptr || gtk_image_get_pixel_size(GTK_IMAGE(image)) != MenuMirror::kIconSize) {
        return "";
    }
    const gchar* name = nullptr;
    GIcon* icon = nullptr;
    switch (gtk_image_get_storage_type(GTK_IMAGE(image))) {
        case GTK_IMAGE_ICON_NAME:
            gtk_image_get_icon_name(GTK_IMAGE(image), &name, nullptr);
            return name;
        case GTK_IMAGE_GICON:
            gtk_image_get_gicon(GTK_IMAGE(image), &icon, nullptr);
            if (G_IS_FILE_ICON(icon)) {
                g_autofree gchar* path = g_file_get_path(g_file_icon_get_file(G_FILE_ICON(icon)));
                return path;
            }
            return "";
        default:
            return "";
    }
}

std::vector<GtkWidget*> rowsOf(const MenuMirror& mirror) {
    return childrenOf(GTK_WIDGET(mirror.gtkMenu()));
}

std::vector<std::string> labels(const MenuMirror& mirror) {
    std::vector<std::string> out;
    for (GtkWidget* widget : rowsOf(mirror)) {
        out.push_back(GTK_IS_SEPARATOR_MENU_ITEM(widget) ? "---" : labelIn(widget));
    }
    return out;
}

class MenuMirrorTest : public test::DisplayTest {
  protected:
    GlibRunLoop loop;
};

TEST_F(MenuMirrorTest, FollowsTheMenuByKeyTouchingOnlyWhatChanged) {
    MenuMirror mirror(loop);
    mirror.show({row("A"), row("B"), row("C"), row("D")});
    const auto before = rowsOf(mirror);
    EXPECT_EQ(labels(mirror), (std::vector<std::string>{"A", "B", "C", "D"}));

    // Only the label that differs is set (every label set is a property update on the bus).
    int labelsSet = 0;
    for (GtkWidget* widget : before) {
        connectSignal(
            gtk_bin_get_child(GTK_BIN(widget)), "notify::label",
            +[](GObject*, GParamSpec*, gpointer count) { ++*static_cast<int*>(count); },
            &labelsSet);
    }
    MenuRow b2 = row("B");
    b2.title = "B2";
    mirror.show({row("A"), b2, row("C"), row("D")});
    EXPECT_EQ(labels(mirror), (std::vector<std::string>{"A", "B2", "C", "D"}));
    EXPECT_EQ(labelsSet, 1);
    EXPECT_EQ(rowsOf(mirror), before);

    // Rows inserted and removed, as the application list changes; the others keep their
    // widgets.
    mirror.show({row("A"), b2, appRow("X", MenuMirror::kFallbackIcon),
                 appRow("Y", "no-such-icon-anywhere"), row("C", false)});
    EXPECT_EQ(labels(mirror), (std::vector<std::string>{"A", "B2", "  X", "  Y", "C"}));
    auto after = rowsOf(mirror);
    EXPECT_EQ(after[0], before[0]);
    EXPECT_EQ(after[1], before[1]);
    EXPECT_EQ(after[4], before[2]);
    EXPECT_FALSE(gtk_widget_get_sensitive(after[4]));
    // An icon no theme has shows the generic one.
    EXPECT_EQ(iconOf(after[3]), MenuMirror::kFallbackIcon);

    // A row that gains an image becomes an image row in the same place; a moved row keeps
    // its widget.
    mirror.show({row("A", true, MenuMirror::kFallbackIcon), b2,
                 appRow("Y", "no-such-icon-anywhere"), row("C", false),
                 appRow("X", MenuMirror::kFallbackIcon)});
    EXPECT_EQ(labels(mirror), (std::vector<std::string>{"A", "B2", "  Y", "C", "  X"}));
    EXPECT_NE(rowsOf(mirror)[0], before[0]);
    EXPECT_NE(imageIn(rowsOf(mirror)[0]), nullptr);
    EXPECT_EQ(rowsOf(mirror)[4], after[2]);
}

TEST_F(MenuMirrorTest, ChoosingARowTellsItsKeyOnTheNextTurn) {
    std::vector<std::string> chosen;
    auto mirror = std::make_unique<MenuMirror>(loop);
    mirror->setOnChosen([&chosen](const std::string& key) { chosen.push_back(key); });
    mirror->show({row("Quit"), row("Off", false)});
    const auto widgets = rowsOf(*mirror);

    gtk_menu_item_activate(GTK_MENU_ITEM(widgets[0]));
    gtk_menu_item_activate(GTK_MENU_ITEM(widgets[1]));
    EXPECT_TRUE(chosen.empty()) << "not from inside GTK's signal";
    test::turnLoop(loop);
    EXPECT_EQ(chosen, std::vector<std::string>{"Quit"});

    // A click still queued when the mirror has gone does nothing.
    gtk_menu_item_activate(GTK_MENU_ITEM(widgets[0]));
    mirror.reset();
    test::turnLoop(loop);
    EXPECT_EQ(chosen.size(), 1U);
}

TEST_F(MenuMirrorTest, AppRowsShowTheAppsOwnIconsAndOpenOnlyRegularFiles) {
    // Icons installed as applications install them, in a folder the theme searches: hicolor
    // (which the current theme, holding the generic icon, comes before), an unthemed pixmap,
    // and a file named by its path; beside them a FIFO and a folder, which the image loader
    // would block on or fail to read.
    const fs::path root =
        fs::temp_directory_path() / ("headroom-menu-icons-" + std::to_string(::getpid()));
    const fs::path apps = root / "hicolor" / "48x48" / "apps";
    fs::create_directories(apps);
    const GObjectPtr<GdkPixbuf> red(gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 48, 48));
    gdk_pixbuf_fill(red.get(), 0xff0000ff);
    for (const fs::path& png : {apps / "headroom-test-themed.png",
                                root / "headroom-test-pixmap.png", root / "own-file.png"}) {
        ASSERT_TRUE(gdk_pixbuf_save(red.get(), png.c_str(), "png", nullptr, nullptr));
    }
    ASSERT_EQ(::mkfifo((apps / "headroom-test-fifo.png").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((root / "fifo.png").c_str(), 0600), 0);
    fs::create_directory(root / "folder.png");
    std::ofstream(root / "not-an-image.png") << "text";
    gtk_icon_theme_append_search_path(gtk_icon_theme_get_default(), root.c_str());

    const std::string generic = MenuMirror::kFallbackIcon;
    const struct {
        std::string icon;
        std::string shown;
    } cases[] = {
        {"headroom-test-themed", "headroom-test-themed"},
        {"headroom-test-pixmap", "headroom-test-pixmap"},
        {(root / "own-file.png").string(), (root / "own-file.png").string()},
        {"headroom-test-fifo", generic},
        {(root / "fifo.png").string(), generic},
        {(root / "folder.png").string(), generic},
        {(root / "not-an-image.png").string(), generic},
        {(root / "missing.png").string(), generic},
        {"no-such-icon-anywhere", generic},
    };
    std::vector<MenuRow> menu;
    for (const auto& c : cases) {
        menu.push_back(appRow(c.icon, c.icon));
    }
    MenuMirror mirror(loop);
    mirror.show(menu);
    const auto rows = rowsOf(mirror);
    ASSERT_EQ(rows.size(), std::size(cases));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(iconOf(rows[i]), cases[i].shown) << cases[i].icon;
    }
    fs::remove_all(root);
}

/// The red, green and blue of one pixel.
struct Pixel {
    int r, g, b;
};
Pixel pixelAt(GdkPixbuf* image, int x, int y) {
    const guint8* p = gdk_pixbuf_get_pixels(image) + y * gdk_pixbuf_get_rowstride(image) +
                      x * gdk_pixbuf_get_n_channels(image);
    return Pixel{p[0], p[1], p[2]};
}
bool isRed(Pixel p) {
    return p.r > 200 && p.g < 60 && p.b < 60;
}
/// The first column from `from` with ink that stands out from `background`; -1 if none.
int inkFrom(GdkPixbuf* image, int from, Pixel background) {
    for (int x = from; x < gdk_pixbuf_get_width(image); ++x) {
        for (int y = 0; y < gdk_pixbuf_get_height(image); ++y) {
            const Pixel p = pixelAt(image, x, y);
            if (std::abs(p.r - background.r) + std::abs(p.g - background.g) > 120) {
                return x;
            }
        }
    }
    return -1;
}
std::string bytesOf(GdkPixbuf* image) {
    return std::string(
        reinterpret_cast<const char*>(gdk_pixbuf_get_pixels(image)),
        static_cast<std::size_t>(gdk_pixbuf_get_rowstride(image) * gdk_pixbuf_get_height(image)));
}

TEST_F(MenuMirrorTest, HandDrawnRowsAreAlignedWithTheOthersAndKeepTheirLabels) {
    // A wide red picture for an icon: drawn stretched, it fills the whole 16 x 16 square.
    const fs::path icon =
        fs::temp_directory_path() / ("headroom-menu-icon-" + std::to_string(::getpid()) + ".png");
    {
        const GObjectPtr<GdkPixbuf> red(gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 40, 10));
        gdk_pixbuf_fill(red.get(), 0xff0000ff);
        ASSERT_TRUE(gdk_pixbuf_save(red.get(), icon.c_str(), "png", nullptr, nullptr));
    }
    MenuMirror mirror(loop);
    MenuRow drawn{"welcome", "Welcome...", icon.string(), 0, true, false, true};
    const MenuRow missing{"title", "Title", "/nonexistent/icon.png", 0, true, false, true};
    mirror.show({row("Extreme Clean"), drawn, missing, row("Quit")});
    GtkWidget* top = gtk_widget_get_toplevel(GTK_WIDGET(mirror.gtkMenu()));
    int draws = 0;
    connectSignal(
        top, "draw",
        +[](GtkWidget*, cairo_t*, gpointer count) {
            ++*static_cast<int*>(count);
            return FALSE;
        },
        &draws);
    // What `widget` shows once the menu has drawn again after the `seen`th time (a loaded
    // machine may take a while).
    const auto shoot = [&](GtkWidget* widget, int seen) {
        for (int turn = 0; turn < 250 && draws <= seen; ++turn) {
            test::turnFor(0.02);
        }
        test::turnFor(0.1);
        int x = 0;
        int y = 0;
        gtk_widget_translate_coordinates(widget, top, 0, 0, &x, &y);
        return GObjectPtr<GdkPixbuf>(gdk_pixbuf_get_from_window(
            gtk_widget_get_window(top), x, y, gtk_widget_get_allocated_width(widget),
            gtk_widget_get_allocated_height(widget)));
    };
    GdkRectangle at{200, 200, 1, 1};
    gtk_menu_popup_at_rect(mirror.gtkMenu(), gdk_get_default_root_window(), &at,
                           GDK_GRAVITY_SOUTH_WEST, GDK_GRAVITY_NORTH_WEST, nullptr);
    GtkWidget* row = rowsOf(mirror).at(1);
    const auto plain = shoot(row, 0);
    ASSERT_TRUE(gtk_widget_get_mapped(row));
    const auto noImage = shoot(rowsOf(mirror).at(2), 0);
    const auto plainRow = shoot(rowsOf(mirror).at(3), 0);
    // The real pointer over the row: GTK selects it.
    int seen = draws;
    ASSERT_TRUE(test::pointAt(row));
    const auto pointed = shoot(row, seen);
    seen = draws;
    drawn.title = "Hello";
    mirror.show({headroom::row("Extreme Clean"), drawn, missing, headroom::row("Quit")});
    auto retitled = shoot(row, seen);
    // A draw the pointer asked for may be the one counted: give the title's own up to 5 s.
    for (int turn = 0;
         turn < 50 && plain && retitled && bytesOf(plain.get()) == bytesOf(retitled.get());
         ++turn) {
        retitled = shoot(row, -1);
    }
    gtk_menu_popdown(mirror.gtkMenu());
    fs::remove(icon);
    ASSERT_TRUE(plain && pointed && noImage && retitled && plainRow);
    fs::create_directories(HEADROOM_SCREENSHOT_DIR);
    gdk_pixbuf_save(plain.get(), HEADROOM_SCREENSHOT_DIR "/menu-row.png", "png", nullptr, nullptr);
    gdk_pixbuf_save(pointed.get(), HEADROOM_SCREENSHOT_DIR "/menu-row-pointed.png", "png", nullptr,
                    nullptr);

    // Under the pointer the row is highlighted, as the others are.
    EXPECT_FALSE(bytesOf(plain.get()) == bytesOf(pointed.get()));
    // The title starts where a plain row's does (give or take its first letter's bearing);
    // the icon fills 16 x 16 pixels left of it.
    const Pixel background = pixelAt(plain.get(), gdk_pixbuf_get_width(plain.get()) - 1, 0);
    const int titleStart = inkFrom(plainRow.get(), 0, background);
    const int middle = gdk_pixbuf_get_height(plain.get()) / 2;
    const int iconLeft = inkFrom(plain.get(), 0, background);
    ASSERT_GE(iconLeft, 0);
    for (const auto& [x, y, red] :
         {std::tuple{iconLeft, middle, true}, std::tuple{iconLeft + 15, middle, true},
          std::tuple{iconLeft + 16, middle, false}, std::tuple{iconLeft + 8, middle - 8, true},
          std::tuple{iconLeft + 8, middle + 7, true},
          std::tuple{iconLeft + 8, middle + 8, false}}) {
        EXPECT_EQ(isRed(pixelAt(plain.get(), x, y)), red) << x << "," << y;
    }
    EXPECT_NEAR(inkFrom(plain.get(), iconLeft + 16, background), titleStart, 2);
    // An icon that cannot be loaded leaves the title alone.
    EXPECT_FALSE(isRed(pixelAt(noImage.get(), iconLeft + 8, middle)));
    EXPECT_NEAR(inkFrom(noImage.get(), 0, background), titleStart, 2);
    // A new title is drawn on the next turn.
    EXPECT_FALSE(bytesOf(plain.get()) == bytesOf(retitled.get()));

    // The label is what dbusmenu exports; locally only the drawing shows.
    EXPECT_EQ(labelIn(row), "Hello");
    EXPECT_EQ(imageIn(row), nullptr);
}

}  // namespace
}  // namespace headroom

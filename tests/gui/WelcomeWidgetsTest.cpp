// The welcome window's smaller parts on real GTK (Xvfb) and the real system: native alerts,
// the feedback component's dialogs, the hand-drawn menu row, the window's loader on missing
// files, and the reachability probe.

#include <gdkmm/pixbuf.h>
#include <gio/gio.h>
#include <gtkmm/menu.h>
#include <gtkmm/offscreenwindow.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "FakeLoginItems.h"
#include "GuiTestSupport.h"
#include "RealInput.h"
#include "WelcomeTestSupport.h"
#include "platform/linux/NetworkReachability.h"
#include "ui/gtk/CustomMenuItemWidget.h"
#include "ui/gtk/DialogAlerts.h"
#include "ui/gtk/EnjoymentFeedback.h"
#include "ui/gtk/MenuMirror.h"

namespace headroom {
namespace {

namespace fs = std::filesystem;

class NativeAlerts : public test::DisplayTest {};

/// The alerts on screen, by title.
std::map<std::string, GtkWidget*> openAlerts() {
    std::map<std::string, GtkWidget*> alerts;
    GList* windows = gtk_window_list_toplevels();
    for (GList* item = windows; item != nullptr; item = item->next) {
        if (GTK_IS_MESSAGE_DIALOG(item->data) && gtk_widget_get_visible(GTK_WIDGET(item->data))) {
            alerts[gtk_window_get_title(GTK_WINDOW(item->data))] = GTK_WIDGET(item->data);
        }
    }
    g_list_free(windows);
    return alerts;
}

std::string property(GtkWidget* dialog, const char* name) {
    gchar* value = nullptr;
    g_object_get(dialog, name, &value, nullptr);
    std::string text = value != nullptr ? value : "";
    g_free(value);
    return text;
}

TEST_F(NativeAlerts, ShowTheTextsAndReportTheirDismissal) {
    DialogAlerts alerts;
    int dismissed = 0;
    alerts.runModal("Alert", "Hello from the page", [&] { ++dismissed; });
    alerts.runModal("Error", "", nullptr);
    ASSERT_EQ(openAlerts().size(), 2U);
    GtkWidget* first = openAlerts().at("Alert");
    EXPECT_EQ(property(first, "text"), "Alert");
    EXPECT_EQ(property(first, "secondary-text"), "Hello from the page");
    EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(first)));
    EXPECT_EQ(dismissed, 0);  // showing does not wait

    gtk_dialog_response(GTK_DIALOG(first), GTK_RESPONSE_OK);
    EXPECT_EQ(dismissed, 1);
    test::spinFor(0.05);
    ASSERT_EQ(openAlerts().size(), 1U);
    EXPECT_EQ(openAlerts().count("Error"), 1U);
    gtk_dialog_response(GTK_DIALOG(openAlerts().at("Error")), GTK_RESPONSE_OK);
    EXPECT_TRUE(openAlerts().empty());
}

class Feedback : public test::DisplayTest {
  protected:
    test::FakeUrlOpener opener;
    EnjoymentFeedback feedback{
        "Headroom",
        {"https://tidewell.example/headroom", "https://tidewell.example/headroom/issues"},
        opener};

    /// Answers the open question, after checking it is `question`.
    void answer(const std::string& question, int response) {
        GtkWidget* dialog = feedback.openDialog();
        ASSERT_NE(dialog, nullptr) << question;
        gchar* text = nullptr;
        g_object_get(dialog, "text", &text, nullptr);
        EXPECT_EQ(std::string(text), question);
        g_free(text);
        gtk_dialog_response(GTK_DIALOG(dialog), response);
    }
};

TEST_F(Feedback, EnjoymentLeadsToTheRatingPageAndDislikeToTheIssuePage) {
    EXPECT_EQ(feedback.openDialog(), nullptr) << "nothing shows by itself";
    EXPECT_EQ(EnjoymentFeedback::projectPages().rate, "https://tidewell.example/headroom");
    feedback.showEnjoymentDialog();
    GtkWidget* first = feedback.openDialog();
    feedback.showEnjoymentDialog();  // one flow at a time
    EXPECT_EQ(feedback.openDialog(), first);
    answer("Do you enjoy using Headroom?", GTK_RESPONSE_YES);
    answer("Would you rate Headroom?", GTK_RESPONSE_YES);
    EXPECT_EQ(opener.opened(), std::vector<std::string>{"https://tidewell.example/headroom"});

    feedback.showEnjoymentDialog();
    answer("Do you enjoy using Headroom?", GTK_RESPONSE_NO);
    answer("Would you tell us what to improve?", GTK_RESPONSE_YES);
    EXPECT_EQ(opener.opened().back(), "https://tidewell.example/headroom/issues");

    // Declining, or closing the window, opens nothing.
    feedback.showEnjoymentDialog();
    answer("Do you enjoy using Headroom?", GTK_RESPONSE_YES);
    answer("Would you rate Headroom?", GTK_RESPONSE_DELETE_EVENT);
    EXPECT_EQ(opener.opened().size(), 2U);
    EXPECT_EQ(feedback.openDialog(), nullptr);
    test::spinFor(0.05);
}

class MenuRowWidget : public test::DisplayTest {
  protected:
    /// The widget drawn alone in an off-screen window of its natural size.
    Glib::RefPtr<Gdk::Pixbuf> render(CustomMenuItemWidget& row) {
        Gtk::OffscreenWindow window;
        window.add(row);
        window.show_all();
        test::spinFor(0.1);
        auto shot = window.get_pixbuf();
        window.remove();
        return shot ? shot->copy() : shot;
    }
};

/// The red, green and blue of one pixel.
struct Pixel {
    int r, g, b;
};
Pixel pixelAt(const Glib::RefPtr<Gdk::Pixbuf>& image, int x, int y) {
    const guint8* p =
        image->get_pixels() + y * image->get_rowstride() + x * image->get_n_channels();
    return Pixel{p[0], p[1], p[2]};
}
bool isRed(Pixel p) {
    return p.r > 200 && p.g < 60 && p.b < 60;
}

TEST_F(MenuRowWidget, DrawsTheIconStretchedAndTheTitleBesideItAndNothingElse) {
    // A wide red picture: drawn stretched, it fills the whole 16 x 16 square.
    const fs::path icon =
        fs::temp_directory_path() / ("headroom-row-icon-" + std::to_string(::getpid()) + ".png");
    auto red = Gdk::Pixbuf::create(Gdk::COLORSPACE_RGB, false, 8, 40, 10);
    red->fill(0xff0000ff);
    red->save(icon.string(), "png");

    CustomMenuItemWidget row;
    row.view().setTitle("Headroom");
    row.view().setImage(icon.string());
    const auto shot = render(row);
    fs::remove(icon);
    ASSERT_TRUE(shot);
    ASSERT_EQ(shot->get_height(), CustomMenuItemWidget::kNaturalHeight);
    const int top = CustomMenuItemWidget::kNaturalHeight - 16;  // the square sits on the bottom
    EXPECT_TRUE(isRed(pixelAt(shot, 5, top)));
    EXPECT_TRUE(isRed(pixelAt(shot, 20, CustomMenuItemWidget::kNaturalHeight - 1)));
    EXPECT_FALSE(isRed(pixelAt(shot, 4, top + 8)));
    EXPECT_FALSE(isRed(pixelAt(shot, 21, top + 8)));
    EXPECT_FALSE(isRed(pixelAt(shot, 12, top - 1)));

    // The title starts at x 29: ink from there on, none between the icon and it.
    const Pixel background = pixelAt(shot, 25, 2);
    int inkFrom = -1;
    for (int x = 21; x < shot->get_width() && inkFrom < 0; ++x) {
        for (int y = 0; y < shot->get_height(); ++y) {
            const Pixel p = pixelAt(shot, x, y);
            if (std::abs(p.r - background.r) + std::abs(p.g - background.g) > 120) {
                inkFrom = x;
                break;
            }
        }
    }
    EXPECT_GE(inkFrom, 29);
    EXPECT_LE(inkFrom, 33);

    // Highlighted, it draws the same.
    CustomMenuItemWidget highlighted;
    highlighted.view().setTitle("Headroom");
    highlighted.set_state_flags(Gtk::STATE_FLAG_PRELIGHT | Gtk::STATE_FLAG_SELECTED, false);
    CustomMenuItemWidget plain;
    plain.view().setTitle("Headroom");
    const auto a = render(highlighted);
    const auto b = render(plain);
    ASSERT_TRUE(a && b);
    const auto size = static_cast<std::size_t>(a->get_rowstride() * a->get_height());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(a->get_pixels()), size),
              std::string(reinterpret_cast<const char*>(b->get_pixels()), size));
}

TEST_F(MenuRowWidget, MissingImageLeavesTheTitle) {
    CustomMenuItemWidget row;
    row.view().setImage("/nonexistent/icon.png");
    row.view().setTitle("Title");
    const auto shot = render(row);
    ASSERT_TRUE(shot);
    const Pixel corner = pixelAt(shot, 0, 0);
    bool ink = false;
    for (int x = 29; x < 60; ++x) {
        for (int y = 0; y < shot->get_height(); ++y) {
            const Pixel p = pixelAt(shot, x, y);
            ink = ink || std::abs(p.r - corner.r) + std::abs(p.g - corner.g) > 120;
        }
    }
    EXPECT_TRUE(ink);
}

TEST_F(MenuRowWidget, InTheMenuTheRowKeepsItsPlacesAndGetsNoHighlight) {
    // A red square for an icon, so that its place shows.
    const fs::path icon =
        fs::temp_directory_path() / ("headroom-menu-icon-" + std::to_string(::getpid()) + ".png");
    auto red = Gdk::Pixbuf::create(Gdk::COLORSPACE_RGB, false, 8, 16, 16);
    red->fill(0xff0000ff);
    red->save(icon.string(), "png");
    GlibRunLoop loop;
    MenuMirror mirror(loop);
    auto menu = std::make_shared<Menu>();
    auto drawn = std::make_shared<MenuItem>("Welcome...", [] {});
    drawn->setOnStateImage(icon.string());
    drawn->setDrawsCustomView(true);
    menu->addItem(std::make_shared<MenuItem>("Extreme Clean", [] {}));
    menu->addItem(drawn);
    menu->addItem(std::make_shared<MenuItem>("Quit", [] {}));
    mirror.setMenu(menu);
    Gtk::Menu& gtkMenu = mirror.gtkMenu();
    gtkMenu.popup_at_rect(Gdk::Window::get_default_root_window(), Gdk::Rectangle(200, 200, 1, 1),
                          Gdk::GRAVITY_SOUTH_WEST, Gdk::GRAVITY_NORTH_WEST, nullptr);
    test::turnFor(0.3);
    Gtk::Widget* row = test::rowsOf(gtkMenu).at(1);
    ASSERT_TRUE(row->get_mapped());
    auto* top = gtkMenu.get_toplevel();
    int rowX = 0;
    int rowY = 0;
    row->translate_coordinates(*top, 0, 0, rowX, rowY);
    const int width = row->get_allocated_width();
    const int height = row->get_allocated_height();
    const auto shoot = [&] {
        test::turnFor(0.2);
        return Gdk::Pixbuf::create(top->get_window(), rowX, rowY, width, height);
    };
    const auto plain = shoot();
    // The real pointer over the row: GTK selects it.
    ASSERT_TRUE(test::pointAt(*row));
    const auto pointed = shoot();
    fs::remove(icon);
    gtkMenu.popdown();
    ASSERT_TRUE(plain && pointed);
    fs::create_directories(HEADROOM_SCREENSHOT_DIR);
    plain->save(std::string(HEADROOM_SCREENSHOT_DIR) + "/menu-row.png", "png");
    pointed->save(std::string(HEADROOM_SCREENSHOT_DIR) + "/menu-row-pointed.png", "png");

    // Under the pointer the row looks as it did.
    const auto size = static_cast<std::size_t>(plain->get_rowstride() * plain->get_height());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(plain->get_pixels()), size),
              std::string(reinterpret_cast<const char*>(pointed->get_pixels()), size));
    // The icon fills x 5 to 20 of the row, the title's ink starts at x 29.
    const int middle = height / 2;
    EXPECT_FALSE(isRed(pixelAt(plain, 4, middle)));
    EXPECT_TRUE(isRed(pixelAt(plain, 5, middle)));
    EXPECT_TRUE(isRed(pixelAt(plain, 20, middle)));
    EXPECT_FALSE(isRed(pixelAt(plain, 21, middle)));
    const Pixel background = pixelAt(plain, width - 1, 0);
    int inkFrom = -1;
    for (int x = 21; x < width && inkFrom < 0; ++x) {
        for (int y = 0; y < height; ++y) {
            const Pixel p = pixelAt(plain, x, y);
            if (std::abs(p.r - background.r) + std::abs(p.g - background.g) > 120) {
                inkFrom = x;
                break;
            }
        }
    }
    EXPECT_GE(inkFrom, 29);
    EXPECT_LE(inkFrom, 33);
}

TEST(NetworkReachabilityProbe, ReachableOnlyWhenTheNameResolves) {
    NetworkReachability probe;
    EXPECT_EQ(probe.flagsForHost(""), std::nullopt);
    const auto unresolvable = probe.flagsForHost("headroom-probe.invalid");
    ASSERT_TRUE(unresolvable.has_value());
    EXPECT_FALSE(unresolvable->reachable);
    if (g_network_monitor_get_network_available(g_network_monitor_get_default()) == FALSE) {
        GTEST_SKIP() << "the system reports no network: a resolving name cannot be reachable";
    }
    const auto local = probe.flagsForHost("localhost");
    ASSERT_TRUE(local.has_value());
    EXPECT_TRUE(local->reachable);
    EXPECT_FALSE(local->connectionRequired);
}

}  // namespace
}  // namespace headroom

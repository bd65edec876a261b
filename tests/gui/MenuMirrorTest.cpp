// The Gtk menu mirror on real GTK widgets (Xvfb) and the real GLib loop.

#include <gtkmm/image.h>
#include <gtkmm/separatormenuitem.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "GuiTestSupport.h"
#include "ui/gtk/CustomMenuItemWidget.h"
#include "ui/gtk/MenuMirror.h"

namespace headroom {
namespace {

using test::labelIn;
using test::rowsOf;

std::shared_ptr<MenuItem> row(const std::string& title, bool enabled = true,
                              std::function<void()> action = nullptr) {
    auto item = std::make_shared<MenuItem>(title, std::move(action));
    item->setEnabled(enabled);
    return item;
}

/// An application row as the delegate makes it.
std::shared_ptr<MenuItem> appRow(const std::string& name, const std::string& icon) {
    auto item = row("  " + name, false);
    item->setOnStateImage(icon);
    item->setOffStateImage(icon);
    item->setTag(100);
    return item;
}

Gtk::Image* imageIn(Gtk::Widget* widget) {
    if (auto* image = dynamic_cast<Gtk::Image*>(widget)) {
        return image;
    }
    if (auto* container = dynamic_cast<Gtk::Container*>(widget)) {
        for (Gtk::Widget* child : container->get_children()) {
            if (Gtk::Image* image = imageIn(child)) {
                return image;
            }
        }
    }
    return nullptr;
}

CustomMenuItemWidget* customIn(Gtk::Widget* widget) {
    if (auto* custom = dynamic_cast<CustomMenuItemWidget*>(widget)) {
        return custom;
    }
    if (auto* container = dynamic_cast<Gtk::Container*>(widget)) {
        for (Gtk::Widget* child : container->get_children()) {
            if (CustomMenuItemWidget* custom = customIn(child)) {
                return custom;
            }
        }
    }
    return nullptr;
}

std::vector<std::string> labels(Gtk::Menu& menu) {
    std::vector<std::string> out;
    for (Gtk::Widget* widget : rowsOf(menu)) {
        out.push_back(dynamic_cast<Gtk::SeparatorMenuItem*>(widget) ? "---" : labelIn(widget));
    }
    return out;
}

class MenuMirrorTest : public test::DisplayTest {
  protected:
    GlibRunLoop loop;
};

TEST_F(MenuMirrorTest, FollowsTheModelTouchingOnlyWhatChanged) {
    MenuMirror mirror(loop);
    auto menu = std::make_shared<Menu>();
    std::vector<std::shared_ptr<MenuItem>> rows;
    for (const char* title : {"A", "B", "C", "D"}) {
        rows.push_back(row(title));
        menu->addItem(rows.back());
    }
    mirror.setMenu(menu);
    Gtk::Menu& gtk = mirror.gtkMenu();
    const auto before = rowsOf(gtk);

    // A refresh rewrites every title; only the one that differs is touched.
    rows[0]->setTitle("A");
    rows[1]->setTitle("B2");
    mirror.sync();
    EXPECT_EQ(mirror.rowsTouchedByLastSync(), 1U);
    EXPECT_EQ(labels(gtk), (std::vector<std::string>{"A", "B2", "C", "D"}));
    EXPECT_EQ(rowsOf(gtk), before);
    mirror.sync();
    EXPECT_EQ(mirror.rowsTouchedByLastSync(), 0U);

    // Rows inserted and removed, as the application list changes.
    auto x = appRow("X", MenuMirror::kFallbackIcon);
    auto y = appRow("Y", MenuMirror::kFallbackIcon);
    menu->insertItem(x, 2);
    menu->insertItem(y, 3);
    menu->removeItem(rows[3]);
    rows[2]->setEnabled(false);
    mirror.sync();
    EXPECT_EQ(mirror.rowsTouchedByLastSync(), 3U);
    EXPECT_EQ(labels(gtk), (std::vector<std::string>{"A", "B2", "  X", "  Y", "C"}));
    auto after = rowsOf(gtk);
    EXPECT_EQ(after[0], before[0]);
    EXPECT_EQ(after[1], before[1]);
    EXPECT_EQ(after[4], before[2]);
    EXPECT_FALSE(after[4]->get_sensitive());

    // A row that gains an image becomes an image row in the same place.
    rows[0]->setOffStateImage(MenuMirror::kFallbackIcon);
    menu->removeItem(x);
    menu->insertItem(x, 4);
    mirror.sync();
    after = rowsOf(gtk);
    EXPECT_EQ(labels(gtk), (std::vector<std::string>{"A", "B2", "  Y", "C", "  X"}));
    EXPECT_NE(after[0], before[0]);
    EXPECT_NE(imageIn(after[0]), nullptr);

    // Scheduled syncs run once, on a later turn of the loop.
    rows[1]->setTitle("B3");
    mirror.scheduleSync();
    mirror.scheduleSync();
    EXPECT_EQ(labelIn(rowsOf(gtk)[1]), "B2");
    test::turnLoop(loop);
    EXPECT_EQ(labelIn(rowsOf(gtk)[1]), "B3");
}

TEST_F(MenuMirrorTest, AHandDrawnRowDrawsItsTitleAndKeepsItsLabelForTheExporter) {
    MenuMirror mirror(loop);
    auto menu = std::make_shared<Menu>();
    auto drawn = row("Welcome...");
    drawn->setOnStateImage("some-icon");
    drawn->setDrawsCustomView(true);
    menu->addItem(drawn);
    mirror.setMenu(menu);

    Gtk::Widget* widget = rowsOf(mirror.gtkMenu()).at(0);
    CustomMenuItemWidget* custom = customIn(widget);
    ASSERT_NE(custom, nullptr);
    EXPECT_EQ(custom->view().title(), std::optional<std::string>("Welcome..."));
    EXPECT_EQ(custom->view().image(), std::optional<std::string>("some-icon"));
    // The label is what dbusmenu exports; locally only the drawing shows.
    EXPECT_EQ(labelIn(widget), "Welcome...");
    EXPECT_EQ(imageIn(widget), nullptr);

    drawn->setTitle("Hello");
    mirror.sync();
    EXPECT_EQ(customIn(rowsOf(mirror.gtkMenu()).at(0))->view().title(),
              std::optional<std::string>("Hello"));
    EXPECT_EQ(labelIn(rowsOf(mirror.gtkMenu()).at(0)), "Hello");
}

TEST_F(MenuMirrorTest, ChoosingARowRunsItsActionOnTheNextTurn) {
    int chosen = 0;
    int chosenDisabled = 0;
    auto menu = std::make_shared<Menu>();
    menu->addItem(row("Quit", true, [&chosen] { ++chosen; }));
    menu->addItem(row("Off", false, [&chosenDisabled] { ++chosenDisabled; }));
    auto mirror = std::make_unique<MenuMirror>(loop);
    mirror->setMenu(menu);
    const auto widgets = rowsOf(mirror->gtkMenu());

    dynamic_cast<Gtk::MenuItem*>(widgets[0])->activate();
    dynamic_cast<Gtk::MenuItem*>(widgets[1])->activate();
    EXPECT_EQ(chosen, 0) << "not from inside GTK's signal";
    test::turnLoop(loop);
    EXPECT_EQ(chosen, 1);
    EXPECT_EQ(chosenDisabled, 0);

    // A click still queued when its row has gone does nothing.
    dynamic_cast<Gtk::MenuItem*>(widgets[0])->activate();
    mirror.reset();
    menu.reset();
    test::turnLoop(loop);
    EXPECT_EQ(chosen, 1);
}

}  // namespace
}  // namespace headroom

// The menu as a status item sees it, and the hand-drawn row as the elements it draws.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "statusmenu/CustomMenuItemView.h"
#include "statusmenu/Menu.h"

namespace headroom {
namespace {

TEST(Menu, EveryChangeOfItsRowsIsToldAsItHappens) {
    Menu menu;
    auto a = std::make_shared<MenuItem>("A", nullptr);
    auto b = std::make_shared<MenuItem>("B", nullptr);
    int told = 0;
    menu.setOnChange([&told] { ++told; });
    const std::vector<std::pair<const char*, std::function<void()>>> changes = {
        {"add", [&] { menu.addItem(a); }},
        {"insert", [&] { menu.insertItem(b, 0); }},
        {"title", [&] { a->setTitle("A2"); }},
        {"enabled", [&] { a->setEnabled(false); }},
        {"tag", [&] { a->setTag(100); }},
        {"on image", [&] { a->setOnStateImage("x"); }},
        {"off image", [&] { a->setOffStateImage("y"); }},
        {"drawn", [&] { b->setDrawsCustomView(true); }},
        {"remove", [&] { menu.removeItem(b); }},
        {"remove at", [&] { menu.removeItemAtIndex(0); }},
    };
    for (const auto& [name, change] : changes) {
        const int before = told;
        change();
        EXPECT_EQ(told, before + 1) << name;
    }
    // Rows out of the menu, and positions past its end, change nothing it shows.
    a->setTitle("A3");
    b->setTitle("B3");
    menu.removeItemAtIndex(5);
    menu.removeItem(a);
    EXPECT_EQ(told, static_cast<int>(changes.size()));
}

TEST(Menu, RowsShowWhatTheItemsHoldAndChoosingRunsEnabledActions) {
    int quits = 0;
    auto app = std::make_shared<MenuItem>("  Editor", [&quits] { ++quits; });
    app->setOnStateImage("on");
    app->setOffStateImage("off");
    app->setEnabled(false);
    app->setTag(100);
    auto onOnly = std::make_shared<MenuItem>("On only", nullptr);
    onOnly->setOnStateImage("on");
    auto drawn = std::make_shared<MenuItem>("Welcome...", nullptr);
    drawn->setOnStateImage("icon");
    drawn->setOffStateImage("other");
    drawn->setDrawsCustomView(true);
    auto quit = std::make_shared<MenuItem>("Quit", [&quits] { ++quits; });
    auto separator = MenuItem::separatorItem();
    Menu menu;
    for (const auto& item : {app, onOnly, drawn, separator, quit}) {
        menu.addItem(item);
    }
    EXPECT_EQ(menu.rows(), (std::vector<MenuRow>{
                               {app.get(), "  Editor", "off", 100, false, false, false},
                               {onOnly.get(), "On only", "on", 0, true, false, false},
                               {drawn.get(), "Welcome...", "icon", 0, true, false, true},
                               {separator.get(), "", "", 0, false, true, false},
                               {quit.get(), "Quit", "", 0, true, false, false},
                           }));
    menu.chooseRow(app.get());  // disabled
    menu.chooseRow(quit.get());
    menu.removeItem(quit);
    menu.chooseRow(quit.get());  // no longer in the menu
    EXPECT_EQ(quits, 1);
}

TEST(CustomMenuItemView, DrawsTheTitleThenTheIconStretchedIntoItsSquareLeavingOutWhatIsAbsent) {
    CustomMenuItemView view;
    EXPECT_TRUE(view.drawRect().empty());
    view.image = "org.gnome.gedit";
    ASSERT_EQ(view.drawRect().size(), 1U);
    view.title = "Gedit";
    const auto drawn = view.drawRect();
    ASSERT_EQ(drawn.size(), 2U);
    EXPECT_EQ(std::get<MenuRowText>(drawn[0]),
              (MenuRowText{"Gedit", 29.0, 0.0, "Lucida Grande", 13.5}));
    EXPECT_EQ(std::get<MenuRowImage>(drawn[1]),
              (MenuRowImage{"org.gnome.gedit", 5.0, 0.0, 16.0, 16.0}));
}

}  // namespace
}  // namespace headroom

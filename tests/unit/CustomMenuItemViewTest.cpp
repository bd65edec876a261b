// The hand-drawn menu row, as the elements it draws.

#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "statusmenu/CustomMenuItemView.h"

namespace headroom {
namespace {

bool lucidaInstalled(const std::string& family) {
    return family == "Lucida Grande";
}

TEST(CustomMenuItemView, DrawsTheTitleThenTheIconStretchedIntoItsSquare) {
    CustomMenuItemView view;
    view.setTitle("Gedit");
    view.setImage("org.gnome.gedit");
    const auto drawn = view.drawRect(lucidaInstalled);
    ASSERT_EQ(drawn.size(), 2U);
    EXPECT_EQ(std::get<MenuRowText>(drawn[0]),
              (MenuRowText{"Gedit", 29.0, 0.0, "Lucida Grande", 13.5}));
    EXPECT_EQ(std::get<MenuRowImage>(drawn[1]),
              (MenuRowImage{"org.gnome.gedit", 5.0, 0.0, 16.0, 16.0}));
}

TEST(CustomMenuItemView, AbsentPartsAreLeftOutAndAMissingFontFallsBack) {
    CustomMenuItemView view;
    EXPECT_TRUE(view.drawRect(lucidaInstalled).empty());
    view.setImage("icon");
    ASSERT_EQ(view.drawRect(lucidaInstalled).size(), 1U);
    EXPECT_TRUE(std::holds_alternative<MenuRowImage>(view.drawRect(lucidaInstalled)[0]));

    view.setImage(std::nullopt);
    view.setTitle("");
    const auto drawn = view.drawRect([](const std::string&) { return false; });
    ASSERT_EQ(drawn.size(), 1U);
    EXPECT_EQ(std::get<MenuRowText>(drawn[0]).fontName, "Sans");
}

TEST(CustomMenuItemView, BottomUpPlacesTurnIntoTopDownOffsets) {
    // The icon's square sits on the bottom edge of a 22-point row.
    EXPECT_EQ(CustomMenuItemView::topOffset(0.0, 16.0, 22.0), 6.0);
    EXPECT_EQ(CustomMenuItemView::topOffset(3.0, 16.0, 22.0), 3.0);
}

}  // namespace
}  // namespace headroom

// The menu's rows as a value computed from the figures, and the hand-drawn row as the elements
// it draws.

#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "statusmenu/CustomMenuItemView.h"
#include "statusmenu/StatusMenu.h"

namespace headroom {
namespace {

constexpr double kGiB = 0x1p30;

/// A row as "key|title|image|tag|flags", flags e for enabled, s for separator, d for drawn.
std::string describe(const MenuRow& row) {
    return row.key + "|" + row.title + "|" + row.image + "|" + std::to_string(row.tag) + "|" +
           (row.enabled ? "e" : "") + (row.separator ? "s" : "") + (row.drawsCustomView ? "d" : "");
}

std::vector<std::string> describe(const MenuFigures& figures) {
    std::vector<std::string> out;
    for (const MenuRow& row : statusMenuRows(figures)) {
        out.push_back(describe(row));
    }
    return out;
}

TEST(StatusMenuRows, FollowTheFiguresInTheirFixedPlaces) {
    const MemoryFigures figures{kGiB / 2, 1.5 * kGiB, kGiB, 2 * kGiB, 6 * kGiB};
    // Linux's own figures: 5 GiB available, 512 MiB of 2 GiB swap used, 3.2 % pressure.
    MemoryFigures linux = figures;
    linux.available = 5 * kGiB;
    linux.swapTotal = 2 * kGiB;
    linux.swapUsed = kGiB / 2;
    MemoryFigures noSwap = linux;
    noSwap.swapTotal = 0.0;
    noSwap.swapUsed = 0.0;
    const MemoryPressure pressure{{3.2, 1.0, 0.5, 1234}, std::nullopt};
    const std::vector<ApplicationRecord> apps{{"Editor", "org.ex.Editor", 30.0f},
                                              {"Web", "/opt/web.png", 12.5f}};
    const std::vector<std::string> head{"clean|Extreme Clean||0|e", "-breakdown|||0|s"};
    const std::vector<std::string> tail{"-commands|||0|s", "prefs|Preferences...||0|e",
                                        "welcome|Welcome...|com.Tidewell.Headroom|0|ed",
                                        "rate|Rate Headroom...||0|e", "quit|Quit||0|e"};
    struct Case {
        const char* name;
        MenuFigures input;
        std::vector<std::string> middle;
    };
    const Case cases[] = {
        {"before_the_first_refresh",
         {false, figures, 8 * kGiB, false, {}},
         {"free|  Free: -||0|", "inactive|  Inactive: -||0|", "active|  Active: -||0|",
          "wired|  Wired: -||0|", "used|  Used: -||0|", "total|  Total: 8.00 GB||0|"}},
        {"no_reading_yet",
         {true, std::nullopt, 8 * kGiB, false, {}},
         {"free|  Free: ||0|", "inactive|  Inactive: ||0|", "active|  Active: ||0|",
          "wired|  Wired: ||0|", "used|  Used: ||0|", "total|  Total: 8.00 GB||0|"}},
        // The Total row keeps its amount in percentage mode; applications come largest first,
        // as listed, under their header, disabled and tagged.
        {"percentages_and_applications",
         {true, figures, 8 * kGiB, true, apps},
         {"free|  Free: 25.00%||0|", "inactive|  Inactive: 12.50%||0|",
          "active|  Active: 18.75%||0|", "wired|  Wired: 6.25%||0|", "used|  Used: 75.00%||0|",
          "total|  Total: 8.00 GB||0|", "-applications|||0|s", "significant|Significant Usage||0|e",
          "app:0|  Editor|org.ex.Editor|100|", "app:1|  Web|/opt/web.png|100|"}},
        // After Total, each only where the kernel gives it; swap in percentages is of swap.
        {"available_pressure_and_swap",
         {true, linux, 8 * kGiB, false, {}, pressure},
         {"free|  Free: 2.00 GB||0|", "inactive|  Inactive: 1.00 GB||0|",
          "active|  Active: 1.50 GB||0|", "wired|  Wired: 512.00 MB||0|",
          "used|  Used: 6.00 GB||0|", "total|  Total: 8.00 GB||0|",
          "available|  Available: 5.00 GB||0|", "pressure|  Pressure: 3.20%||0|",
          "swap|  Swap: 512.00 MB||0|"}},
        {"in_percentages",
         {true, linux, 8 * kGiB, true, {}, pressure},
         {"free|  Free: 25.00%||0|", "inactive|  Inactive: 12.50%||0|",
          "active|  Active: 18.75%||0|", "wired|  Wired: 6.25%||0|", "used|  Used: 75.00%||0|",
          "total|  Total: 8.00 GB||0|", "available|  Available: 62.50%||0|",
          "pressure|  Pressure: 3.20%||0|", "swap|  Swap: 25.00%||0|"}},
        {"no_swap_no_pressure_file",
         {false, noSwap, 8 * kGiB, false, {}},
         {"free|  Free: -||0|", "inactive|  Inactive: -||0|", "active|  Active: -||0|",
          "wired|  Wired: -||0|", "used|  Used: -||0|", "total|  Total: 8.00 GB||0|",
          "available|  Available: -||0|"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> expected = head;
        expected.insert(expected.end(), c.middle.begin(), c.middle.end());
        expected.insert(expected.end(), tail.begin(), tail.end());
        EXPECT_EQ(describe(c.input), expected) << c.name;
    }
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

// The delegate's welcome window and its menu row.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "DelegateTestSupport.h"

namespace headroom::test {
namespace {

class Welcome : public DelegateTest {};

TEST_F(Welcome, MenuRowAndEachShowAskForANewWindowWithTheDeploymentsPages) {
    launch();
    EXPECT_TRUE(fakes.thanaksWindows.shown.empty());  // the launch opens nothing
    statusItem().choose("welcome");
    delegate().welcome.showThanksWindow();
    delegate().welcome.showwindow();
    const std::pair<std::string, std::string> pages{"http://tidewell.example/promo/", "index.html"};
    EXPECT_EQ(fakes.thanaksWindows.shown, std::vector(3, pages));
    EXPECT_EQ(rowTitle(0), "Extreme Clean");
    EXPECT_EQ(rowTitle(7).rfind("  Total: ", 0), 0U);
}

TEST_F(Welcome, OnlyTheCheckBoxsTwoLinesFromTheWindowAreStored) {
    launch();
    delegate().welcome.showThanksWindow();
    ASSERT_TRUE(fakes.thanaksWindows.handBack);
    // Line by line, what "Show" holds afterwards (it starts absent: no default is written).
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"", std::nullopt},        {"Show=", std::nullopt},   {"show=n", std::nullopt},
        {"Show=n ", std::nullopt}, {"Show=nn", std::nullopt}, {"isPercentage=1", std::nullopt},
        {"Show=n", "n"},           {"Show=x", "n"},           {"Show=y", "y"},
        {"Show=y\nShow=n", "y"},
    };
    for (const auto& [line, held] : cases) {
        fakes.thanaksWindows.handBack(line);
        EXPECT_EQ(fakes.preferences.objectForKey("Show"), held) << line;
    }
    EXPECT_FALSE(fakes.preferences.boolForKey("isPercentage"));
}

}  // namespace
}  // namespace headroom::test

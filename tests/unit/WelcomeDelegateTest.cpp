// The delegate's welcome window and its menu row.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "DelegateTestSupport.h"

namespace headroom::test {
namespace {

class Welcome : public DelegateTest {};

TEST_F(Welcome, MenuRowAndEachShowAskForANewWindowWithTheDeploymentsPages) {
    launch();
    EXPECT_TRUE(fakes.welcomeWindows.shown.empty());  // the launch opens nothing
    std::shared_ptr<MenuItem> row;
    for (const auto& item : menu().itemArray()) {
        if (item->title() == "Welcome...") {
            row = item;
        }
    }
    ASSERT_NE(row, nullptr);
    EXPECT_TRUE(row->isEnabled());
    row->activate();
    delegate().welcome.showThanksWindow();
    delegate().welcome.showwindow();
    const std::pair<std::string, std::string> pages{"http://tidewell.example/promo/", "index.html"};
    EXPECT_EQ(fakes.welcomeWindows.shown, std::vector(3, pages));
    EXPECT_EQ(rowTitle(0), "Extreme Clean");
    EXPECT_EQ(rowTitle(7).rfind("  Total: ", 0), 0U);
}

}  // namespace
}  // namespace headroom::test

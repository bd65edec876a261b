// The delegate's welcome window, its menu row and the network probe.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "DelegateTestSupport.h"

namespace headroom::test {
namespace {

class Welcome : public DelegateTest {};

TEST_F(Welcome, EachShowAsksForANewWindowWithTheDeploymentsPages) {
    delegate().welcome.showThanksWindow();
    delegate().welcome.showwindow();
    const FakeWelcomeWindows::Shown pages{"http://tidewell.example/promo/", "index.html"};
    EXPECT_EQ(fakes.welcomeWindows.shown, (std::vector<FakeWelcomeWindows::Shown>{pages, pages}));
}

TEST_F(Welcome, MenuRowOpensTheWindowAndLeavesTheFixedRowsInPlace) {
    launch();
    std::shared_ptr<MenuItem> row;
    for (const auto& item : menu().itemArray()) {
        if (item->title() == "Welcome...") {
            row = item;
        }
    }
    ASSERT_NE(row, nullptr);
    EXPECT_TRUE(row->isEnabled());
    EXPECT_EQ(rowTitle(0), "Extreme Clean");
    EXPECT_EQ(rowTitle(7).rfind("  Total: ", 0), 0U);
    EXPECT_TRUE(fakes.welcomeWindows.shown.empty());  // the launch opens nothing
    row->activate();
    EXPECT_EQ(fakes.welcomeWindows.shown.size(), 1U);
}

TEST_F(Welcome, InternetIsAvailableOnlyWhenTheHostIsReachableWithoutAConnection) {
    EXPECT_FALSE(delegate().welcome.isInternetAvail());  // the flags cannot be read
    fakes.reachability.flags = ReachabilityFlags{true, false};
    EXPECT_TRUE(delegate().welcome.isInternetAvail());
    fakes.reachability.flags = ReachabilityFlags{true, true};
    EXPECT_FALSE(delegate().welcome.isInternetAvail());
    fakes.reachability.flags = ReachabilityFlags{false, false};
    EXPECT_FALSE(delegate().welcome.isInternetAvail());
    EXPECT_EQ(fakes.reachability.hosts.back(), FakePlatform::kReachabilityHost);
}

}  // namespace
}  // namespace headroom::test

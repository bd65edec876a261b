// The delegate's welcome window, its menu row and the network probe.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "DelegateTestSupport.h"
#include "welcome/ThanaksWindowController.h"

namespace headroom::test {
namespace {

class Welcome : public DelegateTest {};

TEST_F(Welcome, EachShowAsksForANewWindowWithTheDeploymentsPages) {
    delegate().showThanksWindow();
    delegate().showwindow();
    const FakeWelcomeWindows::Shown pages{"http://tidewell.example/promo/", "index.html"};
    EXPECT_EQ(fakes.welcomeWindows.shown, (std::vector<FakeWelcomeWindows::Shown>{pages, pages}));
}

TEST_F(Welcome, ShowingMakesAFreshControllerThenShowsItsWindowByTheFourSteps) {
    const auto show = [&] {
        return showThanaksWindow(
            ThanaksWindowPorts{fakes.thanaksWindows, fakes.urlConnections, fakes.alerts,
                               fakes.urlOpener, fakes.preferences, fakes.log, fakes.textCase},
            ThanaksWindowContent{"Headroom", "http://tidewell.example/promo/", "index.html"},
            fakes.application);
    };
    const auto controller = show();
    ASSERT_NE(controller->window(), nullptr);
    EXPECT_EQ(fakes.thanaksWindows.nibNames.size(), 1U);

    // The window is loaded (and set up) first, then shown by the four steps.
    const auto& journal = fakes.journal;
    const auto step = [&](const char* entry) {
        const auto index = journal.indexOf(entry);
        EXPECT_TRUE(index.has_value()) << entry;
        return index.value_or(0);
    };
    EXPECT_LT(step("promo.setUIDelegate"), step("window.setCollectionBehavior"));
    EXPECT_LT(step("window.setCollectionBehavior"), step("window.makeKeyAndOrderFront"));
    EXPECT_LT(step("window.makeKeyAndOrderFront"), step("application.activateIgnoringOtherApps"));
    EXPECT_LT(step("application.activateIgnoringOtherApps"), step("window.showWindow"));
    EXPECT_EQ(fakes.thanaksWindows.made.back()->collectionBehavior, 1U);
    EXPECT_EQ(fakes.thanaksWindows.made.back()->promo.requests().at(0).url,
              "http://tidewell.example/promo/");
    EXPECT_EQ(fakes.thanaksWindows.pagesAsked.back(), "index.html");

    // Without its interface file there is no window, and the application still comes forward.
    fakes.thanaksWindows.interfaceFilePresent = false;
    EXPECT_EQ(show()->window(), nullptr);
    EXPECT_EQ(fakes.journal.count("window.showWindow"), 1U);
    EXPECT_EQ(fakes.application.activations(), (std::vector<bool>{true, true}));
}

TEST_F(Welcome, MenuRowOpensTheWindowAndLeavesTheFixedRowsInPlace) {
    launch();
    std::shared_ptr<MenuItem> row;
    for (const auto& item : delegate().appMenu()->itemArray()) {
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
    EXPECT_FALSE(delegate().isInternetAvail());  // the flags cannot be read
    fakes.reachability.flags = ReachabilityFlags{true, false};
    EXPECT_TRUE(delegate().isInternetAvail());
    fakes.reachability.flags = ReachabilityFlags{true, true};
    EXPECT_FALSE(delegate().isInternetAvail());
    fakes.reachability.flags = ReachabilityFlags{false, false};
    EXPECT_FALSE(delegate().isInternetAvail());
    EXPECT_EQ(fakes.reachability.hosts.back(), FakePlatform::kReachabilityHost);
}

}  // namespace
}  // namespace headroom::test

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

TEST_F(Welcome, EachShowMakesAFreshControllerAndHoldsOnlyTheLast) {
    delegate().showThanksWindow();
    const std::weak_ptr<ThanaksWindowController> first = delegate().thanaksWindowControllerObj();
    ASSERT_FALSE(first.expired());
    delegate().showThanksWindow();
    EXPECT_TRUE(first.expired());
    EXPECT_NE(delegate().thanaksWindowControllerObj(), nullptr);
    EXPECT_EQ(fakes.thanaksWindows.nibNames.size(), 2U);

    // The window is loaded (and set up) first, then shown by the four steps.
    const auto& journal = fakes.journal;
    const auto step = [&](const char* entry) {
        const auto index = journal.indexOf(entry, 1);
        EXPECT_TRUE(index.has_value()) << entry;
        return index.value_or(0);
    };
    EXPECT_LT(step("promo.setUIDelegate"), step("window.setCollectionBehavior"));
    EXPECT_LT(step("window.setCollectionBehavior"), step("window.makeKeyAndOrderFront"));
    EXPECT_LT(step("window.makeKeyAndOrderFront"), step("application.activateIgnoringOtherApps"));
    EXPECT_LT(step("application.activateIgnoringOtherApps"), step("window.showWindow"));
    EXPECT_EQ(fakes.thanaksWindows.made.back()->collectionBehavior, 1);
    EXPECT_EQ(fakes.application.activations(), (std::vector<bool>{true, true}));
    // The deployment's pages.
    EXPECT_EQ(fakes.thanaksWindows.made.back()->promo.requests().at(0).url,
              "http://tidewell.example/promo/");
    EXPECT_EQ(fakes.thanaksWindows.pagesAsked.back(), "index.html");
}

TEST_F(Welcome, MissingWindowStillActivatesAndLogsNothingOfItsOwn) {
    fakes.thanaksWindows.interfaceFilePresent = false;
    delegate().showwindow();
    EXPECT_NE(delegate().thanaksWindowControllerObj(), nullptr);
    EXPECT_EQ(fakes.journal.count("window.showWindow"), 0U);
    EXPECT_EQ(fakes.application.activations().size(), 1U);
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
    EXPECT_EQ(delegate().thanaksWindowControllerObj(), nullptr);  // the launch opens nothing
    row->activate();
    EXPECT_NE(delegate().thanaksWindowControllerObj(), nullptr);
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

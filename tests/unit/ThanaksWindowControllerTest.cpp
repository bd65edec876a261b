// The welcome window's controller on fake views and connections: what the real window cannot
// show (where its navigations go, its connections' lives). Its pages, alerts and check box are
// tested on the real window (tests/gui).

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "FakeLoginItems.h"
#include "FakeSystemLog.h"
#include "FakeThanaksWindow.h"
#include "welcome/ThanaksWindowController.h"

namespace headroom::test {
namespace {

constexpr const char* kPromo = "http://promo.example/promo/";

class WelcomeController : public ::testing::Test {
  protected:
    void open(std::optional<ResourcePage> page) {
        controller = std::make_unique<ThanaksWindowController>(
            ThanaksWindowPorts{connections, browser, handedBack, log},
            ThanaksWindowContent{"Headroom", kPromo, std::move(page)});
        auto made = std::make_unique<FakeThanaksWindow>();
        w = made.get();
        controller->windowDidLoad(std::move(made));
        controller->showWindow();
    }

    FakeURLConnectionFactory connections;
    FakeUrlOpener browser;
    std::ostringstream handedBack;
    FakeSystemLog log;
    std::unique_ptr<ThanaksWindowController> controller;
    FakeThanaksWindow* w = nullptr;
};

TEST_F(WelcomeController, ShowsInFrontThePromoHiddenUntilItLoadsAndTellsAFailedSubscription) {
    open(std::nullopt);  // without its subscription page the rest of the window works
    EXPECT_EQ(w->collectionBehavior, kWindowCollectionBehaviorCanJoinAllSpaces);
    EXPECT_TRUE(w->inFront);
    EXPECT_EQ(w->promo.requests, (std::vector<URLRequest>{{kPromo, "GET", {}}}));
    EXPECT_EQ(w->promo.hidden, true);
    EXPECT_TRUE(w->subscribe.htmlLoads.empty());
    EXPECT_TRUE(connections.records.empty());
    controller->didStartProvisionalLoadForFrame(w->promo);
    EXPECT_EQ(w->promo.hidden, false);
    // The check box's choice is handed back, a line each time, and written nowhere else.
    controller->doNotShowWindow(true);
    controller->doNotShowWindow(false);
    EXPECT_EQ(handedBack.str(), "Show=n\nShow=y\n");

    // A subscription that fails stops the spinner, and is said in the log and in one alert.
    controller->decidePolicyForNavigationAction(w->subscribe,
                                                URLRequest{"http://list.example/", "GET", {}});
    URLConnectionDelegate& connection = *connections.records.back()->delegate;
    connection.willSendRequest();
    EXPECT_TRUE(w->animating);
    connection.didFailWithError("Could not connect: Connection refused");
    EXPECT_FALSE(w->animating);
    ASSERT_EQ(w->alerts.size(), 1U);
    EXPECT_EQ(w->alerts[0].first, "Error");
    EXPECT_NE(w->alerts[0].second.find("(Could not connect: Connection refused)"),
              std::string::npos);
    ASSERT_EQ(log.lines().size(), 1U);
    EXPECT_NE(log.lines()[0].find("Connection refused"), std::string::npos);
}

TEST_F(WelcomeController, PromoNavigationsGoToTheBrowserAndFormSubmissionsAreRepeated) {
    open(ResourcePage{"file:///opt/headroom/index.html", "<form></form>"});
    ASSERT_EQ(connections.records.size(), 1U);                   // the page's own reading
    connections.records[0]->delegate->didFailWithError("gone");  // only logged
    EXPECT_TRUE(w->alerts.empty());
    const URLRequest link{"http://maker.example/a?b=c", "GET", {{"Accept", "text/html"}}};
    struct Case {
        WebView& view;
        bool newWindow;
        PolicyDecision decision;
        std::size_t toBrowser;
        std::size_t connections;
    };
    const Case cases[] = {
        {w->promo, false, PolicyDecision::Ignore, 1, 0},
        {w->promo, true, PolicyDecision::Ignore, 1, 0},
        {w->subscribe, false, PolicyDecision::Use, 0, 1},
        {w->subscribe, true, PolicyDecision::Use, 0, 1},
        {w->target, false, PolicyDecision::Use, 0, 0},  // the form's answer page loads as it is
    };
    for (const Case& c : cases) {
        const std::size_t opened = browser.opened().size();
        const std::size_t made = connections.records.size();
        EXPECT_EQ(c.newWindow ? controller->decidePolicyForNewWindowAction(c.view, link)
                              : controller->decidePolicyForNavigationAction(c.view, link),
                  c.decision);
        EXPECT_EQ(browser.opened().size() - opened, c.toBrowser);
        ASSERT_EQ(connections.records.size() - made, c.connections);
        if (c.connections > 0) {
            EXPECT_EQ(connections.records.back()->request, link);
            // It replaced (cancelled) the one before: they would share one buffer.
            EXPECT_FALSE(connections.records[made - 1]->live);
        }
    }
    EXPECT_EQ(browser.opened().back(), link.url);
    EXPECT_EQ(controller->createWebViewWithRequest(w->promo, link), nullptr);
    EXPECT_EQ(controller->createWebViewWithRequest(w->subscribe, link), &w->target);
}

TEST_F(WelcomeController, APageGetsThreeAlertsPerLoadAndTheRestAreAnsweredUnseen) {
    open(std::nullopt);
    int answered = 0;
    const auto alert = [&](FakeWebView& view) {
        controller->runJavaScriptAlertPanelWithMessage(view, "hi", [&] { ++answered; });
    };
    for (int i = 0; i < 5; ++i) {
        alert(w->subscribe);
    }
    alert(w->promo);  // another page counts apart
    EXPECT_EQ(w->alerts.size(), 4U);
    EXPECT_EQ(answered, 6);  // every page goes on
    EXPECT_EQ(log.lines().size(), 1U);
    controller->didStartProvisionalLoadForFrame(w->subscribe);  // a new page starts afresh
    alert(w->subscribe);
    EXPECT_EQ(w->alerts.size(), 5U);
    EXPECT_EQ(w->alerts.back(), (std::pair<std::string, std::string>{"Alert", "hi"}));
}

TEST_F(WelcomeController, ADeadPageIsLoadedAgainThreeTimesAtMost) {
    open(ResourcePage{"file:///opt/headroom/index.html", "<form></form>"});
    // The answer's view is only read: it stays dead.
    for (FakeWebView* view : {&w->target, &w->subscribe, &w->promo, &w->subscribe, &w->promo}) {
        controller->webViewWebContentProcessDidTerminate(*view);
    }
    EXPECT_TRUE(w->target.requests.empty() && w->target.htmlLoads.empty());
    EXPECT_EQ(w->subscribe.htmlLoads, std::vector<std::string>(3, "<form></form>"));
    EXPECT_EQ(w->promo.requests, (std::vector<URLRequest>(2, {kPromo, "GET", {}})));
    EXPECT_EQ(log.lines().size(), 3U);
}

}  // namespace
}  // namespace headroom::test

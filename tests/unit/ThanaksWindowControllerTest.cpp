// The welcome window's controller on fake views, connections and alerts.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "FakeAlerts.h"
#include "FakeLoginItems.h"
#include "FakePreferenceStore.h"
#include "FakeSystemLog.h"
#include "FakeThanaksWindow.h"
#include "welcome/ThanaksWindowController.h"

namespace headroom::test {
namespace {

constexpr const char* kPromo = "http://promo.example/promo/";
constexpr const char* kPageURL = "file:///opt/headroom/resources/index.html";
constexpr const char* kPageText = "<form target=\"_blank\"></form><!--quillbarktesting-->";

class WelcomeController : public ::testing::Test {
  protected:
    WelcomeController() { windows.pages["index.html"] = ResourcePage{kPageURL, kPageText}; }

    ThanaksWindowController& open() {
        controller = showThanaksWindow(
            ThanaksWindowPorts{windows, connections, alerts, browser, preferences, log, textCase},
            ThanaksWindowContent{"hEadroom", kPromo, "index.html"});
        return *controller;
    }

    FakeThanaksWindow& window() { return *windows.made.back(); }

    FakeThanaksWindowFactory windows;
    FakeURLConnectionFactory connections;
    FakeAlerts alerts;
    FakeUrlOpener browser;
    FakePreferenceStore preferences;
    FakeSystemLog log;
    FakeTextCase textCase;
    std::unique_ptr<ThanaksWindowController> controller;
};

TEST_F(WelcomeController, ShowingSetsUpAFreshWindowAndBringsItForward) {
    open();
    FakeThanaksWindow& w = window();
    EXPECT_EQ(windows.nibNames, std::vector<std::string>{"ThanaksWindowController"});
    EXPECT_EQ(&w.owner, controller.get());
    EXPECT_EQ(w.appName, "HEADROOM");
    EXPECT_EQ(w.collectionBehavior, kWindowCollectionBehaviorCanJoinAllSpaces);
    EXPECT_TRUE(w.shown);
    // The promo page is requested and hidden until it loads.
    EXPECT_EQ(w.promo.requests, (std::vector<URLRequest>{{kPromo, "GET", {}}}));
    EXPECT_EQ(w.promo.hidden, true);
    // The bundled page goes into the subscribe view as text, and a first connection reads it:
    // a test page, so reading it raises nothing.
    EXPECT_EQ(w.subscribe.htmlLoads, std::vector<std::string>{kPageText});
    ASSERT_EQ(connections.records.size(), 1U);
    EXPECT_EQ(connections.records[0]->request.url, kPageURL);
    connections.deliver(0, kPageText);
    EXPECT_EQ(controller->data(), kPageText);
    EXPECT_FALSE(w.animating);
    EXPECT_TRUE(alerts.shown.empty());

    // A second show is a new window.
    open();
    EXPECT_EQ(windows.made.size(), 2U);

    // Without the page the rest works; without the interface file there is no window.
    windows.pages.clear();
    open();
    EXPECT_TRUE(window().subscribe.htmlLoads.empty());
    EXPECT_EQ(window().promo.requests.size(), 1U);
    windows.interfaceFilePresent = false;
    EXPECT_EQ(open().window(), nullptr);
    EXPECT_EQ(connections.records.size(), 2U);
}

TEST_F(WelcomeController, PromoLinksGoToTheBrowserOnlyAsWebAddressesAndThePromoStays) {
    open();
    FakeWebView& promo = window().promo;
    EXPECT_EQ(controller->decidePolicyForNavigationAction(
                  promo, URLRequest{"http://maker.example/a", "GET", {}}),
              PolicyDecision::Ignore);
    EXPECT_EQ(controller->decidePolicyForNewWindowAction(
                  promo, URLRequest{"HTTPS://maker.example/b", "GET", {}}),
              PolicyDecision::Ignore);
    for (const char* url : {"javascript:alert(1)", "file:///etc/passwd", "smb://share/x"}) {
        EXPECT_EQ(controller->decidePolicyForNavigationAction(promo, URLRequest{url, "GET", {}}),
                  PolicyDecision::Ignore);
    }
    EXPECT_EQ(browser.opened(),
              (std::vector<std::string>{"http://maker.example/a", "HTTPS://maker.example/b"}));
    ASSERT_EQ(log.lines().size(), 3U);
    EXPECT_NE(log.lines()[0].find("javascript:alert(1)"), std::string::npos);
    EXPECT_EQ(controller->createWebViewWithRequest(
                  promo, URLRequest{"https://maker.example/c", "GET", {}}),
              nullptr);
    EXPECT_EQ(promo.requests.size(), 1U);
    EXPECT_EQ(connections.records.size(), 1U);  // only the page's own reading
}

TEST_F(WelcomeController, SubmissionIsAllowedAndRepeatedByAConnectionWhoseBodyIsTested) {
    open();
    FakeThanaksWindow& w = window();
    const URLRequest submit{
        "http://list.example/subscribe?email=a%40b.example", "GET", {{"Accept", "text/html"}}};
    EXPECT_EQ(controller->decidePolicyForNewWindowAction(w.subscribe, submit), PolicyDecision::Use);
    ASSERT_EQ(connections.records.size(), 2U);
    EXPECT_EQ(connections.records[1]->request, submit);
    // The new connection replaced the first one, which hears nothing more.
    EXPECT_FALSE(connections.records[0]->live);
    // The answer page the form opens loads in `tempweb` as it comes, without a connection.
    EXPECT_EQ(controller->decidePolicyForNavigationAction(w.target, submit), PolicyDecision::Use);
    EXPECT_EQ(connections.records.size(), 2U);

    connections.delegate(1).willSendRequest();
    EXPECT_TRUE(w.animating);
    connections.deliver(1, "<h2>Almost finished...</h2>");
    EXPECT_FALSE(w.animating);
    EXPECT_EQ(
        alerts.shown,
        (std::vector<FakeAlerts::Shown>{
            {"Almost finished...", "We need to confirm your email address." + std::string(26, ' ') +
                                       "To complete the subscription process, please "
                                       "click the link in the email we just sent you."}}));
    EXPECT_EQ(controller->data(), "<h2>Almost finished...</h2>");

    // The same text from a test page, or from a page that is not UTF-8, raises nothing; a
    // failed connection stops the spinner and tells only the log.
    for (const char* body : {"Almost finished... quillbarktesting", "Almost finished... \xfe"}) {
        controller->decidePolicyForNavigationAction(w.subscribe, submit);
        connections.deliver(connections.records.size() - 1, body);
    }
    controller->decidePolicyForNavigationAction(w.subscribe, submit);
    connections.delegate(4).willSendRequest();
    connections.delegate(4).didFailWithError("Could not connect: Connection refused");
    EXPECT_FALSE(w.animating);
    EXPECT_EQ(alerts.shown.size(), 1U);
    EXPECT_EQ(log.lines().size(), 1U);
}

TEST_F(WelcomeController, FormTargetPageErrorIsShownCut) {
    open();
    FakeThanaksWindow& w = window();
    EXPECT_EQ(controller->createWebViewWithRequest(w.subscribe,
                                                   URLRequest{"http://list.example/s", "GET", {}}),
              &w.target);
    for (const std::optional<std::string>& error :
         {std::optional<std::string>(
              "a@b.example is already subscribed to list News. <a href=\"u\">Update</a>"),
          std::optional<std::string>("There are errors below: <b>email</b>"),
          std::optional<std::string>(""), std::optional<std::string>()}) {
        controller->didFinishLoadForFrame(w.target);
        EXPECT_EQ(w.target.scripts.back(), ThanaksWindowController::kFormErrorScript);
        w.target.answerScript(error);
    }
    EXPECT_EQ(alerts.shown, (std::vector<FakeAlerts::Shown>{
                                {"Error", "a@b.example is already subscribed to list News."},
                                {"Error", "There are errors below: <b>email</b>"}}));
}

TEST_F(WelcomeController, PromoShowsWhenItLoadsAndIsZoomed) {
    open();
    FakeThanaksWindow& w = window();
    controller->didStartProvisionalLoadForFrame(w.promo);
    EXPECT_EQ(w.promo.hidden, false);
    w.promo.setHidden(true);
    controller->didFinishLoadForFrame(w.promo);
    EXPECT_EQ(w.promo.hidden, false);
    EXPECT_EQ(w.promo.scripts,
              std::vector<std::string>{"document.documentElement.style.zoom = \"0.496\""});
    EXPECT_EQ(w.promo.scripts[0].size(), 45U);

    // The subscribe view's own loads need nothing.
    controller->didFinishLoadForFrame(w.subscribe);
    EXPECT_TRUE(w.subscribe.scripts.empty());
}

TEST_F(WelcomeController, ScriptAlertsAreNativeAndTheCheckBoxWritesShowAsText) {
    open();
    bool dismissed = false;
    controller->runJavaScriptAlertPanelWithMessage(window().subscribe, "Thanks!",
                                                   [&] { dismissed = true; });
    EXPECT_EQ(alerts.shown, (std::vector<FakeAlerts::Shown>{{"Alert", "Thanks!"}}));
    EXPECT_TRUE(dismissed);

    window().owner.doNotShowWindow(true);
    window().owner.doNotShowWindow(false);
    EXPECT_EQ(preferences.writes(), (std::vector<FakePreferenceStore::Write>{
                                        {"Show", std::string("n")}, {"Show", std::string("y")}}));
}

}  // namespace
}  // namespace headroom::test

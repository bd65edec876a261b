// The welcome window's controller on fake views, connections and alerts.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "FakePlatform.h"
#include "welcome/ThanaksWindowController.h"

namespace headroom::test {
namespace {

constexpr const char* kPromo = "http://promo.example/promo/";
constexpr const char* kPageURL = "file:///opt/headroom/resources/index.html";
constexpr const char* kPageText = "<form target=\"_blank\"></form><!--quillbarktesting-->";

NavigationAction click(const std::string& url) {
    return NavigationAction{URLRequest{url, "GET", {}}, true};
}

class WelcomeController : public ::testing::Test {
  protected:
    WelcomeController() {
        fakes.thanaksWindows.pages["index.html"] = ResourcePage{kPageURL, kPageText};
    }

    ThanaksWindowController& open() {
        controller = std::make_unique<ThanaksWindowController>(
            ThanaksWindowPorts{fakes.thanaksWindows, fakes.urlConnections, fakes.alerts,
                               fakes.urlOpener, fakes.preferences, fakes.log, fakes.textCase},
            ThanaksWindowContent{"hEadroom", kPromo, "index.html"});
        controller->showWindow();
        return *controller;
    }

    FakeThanaksWindow& window() { return *fakes.thanaksWindows.made.back(); }

    std::size_t at(const char* entry) {
        const auto index = fakes.journal.indexOf(entry);
        EXPECT_TRUE(index.has_value()) << entry << " never happened";
        return index.value_or(0);
    }

    FakePlatform fakes;
    std::unique_ptr<ThanaksWindowController> controller;
};

TEST_F(WelcomeController, SetsUpTheWindowInOrder) {
    open();
    FakeThanaksWindow& w = window();
    EXPECT_EQ(fakes.thanaksWindows.nibNames, std::vector<std::string>{"ThanaksWindowController"});

    const RgbaColor ink{41.0 / 255.0, 43.0 / 255.0, 56.0 / 255.0, 1.0};
    EXPECT_EQ(w.thanksText.font, "Myriad Pro Light");
    EXPECT_EQ(w.thanksText.size, 36.0);
    EXPECT_EQ(w.thanksText.color, ink);
    EXPECT_EQ(w.name.font, "Myriad Pro Bold");
    EXPECT_EQ(w.name.size, 44.0);
    EXPECT_EQ(w.name.color, ink);
    EXPECT_EQ(w.name.text, "HEADROOM");
    EXPECT_EQ(w.panel.background, (RgbaColor{1.0, 1.0, 1.0, 1.0}));
    EXPECT_EQ(w.panel.border, (RgbaColor{0.5, 0.5, 0.5, 1.0}));
    EXPECT_EQ(w.panel.borderWidth, 1.3);

    // The promo page is requested before the controller decides its navigations, and hidden.
    EXPECT_EQ(w.promo.requests(), (std::vector<URLRequest>{{kPromo, "GET", {}}}));
    EXPECT_LT(at("promo.loadRequest"), at("promo.setPolicyDelegate"));
    EXPECT_LT(at("promo.loadRequest"), at("promo.setFrameLoadDelegate"));
    EXPECT_LT(at("promo.setFrameLoadDelegate"), at("promo.setHidden"));
    EXPECT_EQ(w.promo.hidden(), true);

    // The bundled page goes into the subscribe view as text, and a first connection reads it.
    EXPECT_EQ(w.subscribe.htmlLoads(), std::vector<std::string>{kPageText});
    ASSERT_EQ(fakes.urlConnections.count(), 1U);
    EXPECT_EQ(fakes.urlConnections.at(0).request.url, kPageURL);
    EXPECT_TRUE(fakes.urlConnections.at(0).started);
    EXPECT_LT(at("subscribe.loadHTMLString"), at("urlConnections.connectionWithRequest"));

    // Delegates of the subscribe view only after both pages are requested.
    EXPECT_LT(at("connection.start"), at("subscribe.setUIDelegate"));
    EXPECT_LT(at("connection.start"), at("subscribe.setPolicyDelegate"));
    EXPECT_LT(at("connection.start"), at("promo.setUIDelegate"));
    EXPECT_EQ(w.subscribe.frameLoadDelegate(), nullptr);
    EXPECT_EQ(w.target.frameLoadDelegate(), nullptr);
    EXPECT_TRUE(w.shown);

    // The bundled page itself is a test page: reading it raises nothing.
    fakes.urlConnections.deliver(0, kPageText);
    EXPECT_TRUE(fakes.alerts.shown.empty());
}

TEST_F(WelcomeController, MissingInterfaceFileOrPageLeavesTheRestWorking) {
    fakes.thanaksWindows.interfaceFilePresent = false;
    EXPECT_EQ(open().window(), nullptr);
    EXPECT_EQ(fakes.urlConnections.count(), 0U);

    fakes.thanaksWindows.interfaceFilePresent = true;
    fakes.thanaksWindows.pages.clear();
    open();
    EXPECT_TRUE(window().subscribe.htmlLoads().empty());
    EXPECT_EQ(fakes.urlConnections.count(), 0U);
    EXPECT_EQ(window().subscribe.policyDelegate(), controller.get());
    EXPECT_EQ(window().promo.requests().size(), 1U);
}

TEST_F(WelcomeController, PromoLinksGoToTheBrowserAndThePromoStays) {
    open();
    FakeWebView& promo = window().promo;
    EXPECT_EQ(controller->decidePolicyForNavigationAction(promo, click("http://maker.example/a")),
              PolicyDecision::Ignore);
    EXPECT_EQ(controller->decidePolicyForNewWindowAction(promo, click("https://maker.example/b"),
                                                         "_blank"),
              PolicyDecision::Ignore);
    EXPECT_EQ(fakes.urlOpener.opened(),
              (std::vector<std::string>{"http://maker.example/a", "https://maker.example/b"}));
    EXPECT_EQ(promo.requests().size(), 1U);
    EXPECT_EQ(controller->createWebViewWithRequest(promo, {"https://maker.example/c", "GET", {}}),
              nullptr);
    EXPECT_EQ(fakes.urlConnections.count(), 1U);  // only the page's own reading
}

TEST_F(WelcomeController, PromoRefusesOtherSchemesAndKeepsItsOwnFrames) {
    open();
    FakeWebView& promo = window().promo;
    for (const char* url : {"javascript:alert(1)", "file:///etc/passwd", "smb://share/x"}) {
        EXPECT_EQ(controller->decidePolicyForNavigationAction(promo, click(url)),
                  PolicyDecision::Ignore);
    }
    EXPECT_TRUE(fakes.urlOpener.opened().empty());
    ASSERT_EQ(fakes.log.lines().size(), 3U);
    EXPECT_NE(fakes.log.lines()[0].find("javascript:alert(1)"), std::string::npos);

    // A frame of the page (no user gesture) loads in place; it never makes a new window.
    const NavigationAction frame{URLRequest{"http://ads.example/frame", "GET", {}}, false};
    EXPECT_EQ(controller->decidePolicyForNavigationAction(promo, frame), PolicyDecision::Use);
    EXPECT_EQ(controller->decidePolicyForNewWindowAction(promo, frame, ""), PolicyDecision::Ignore);
    EXPECT_TRUE(fakes.urlOpener.opened().empty());
}

TEST_F(WelcomeController, SubmissionIsAllowedAndRepeatedByAConnectionThatIsTested) {
    open();
    FakeThanaksWindow& w = window();
    const URLRequest submit{
        "http://list.example/subscribe?email=a%40b.example", "GET", {{"Referer", "about:blank"}}};
    EXPECT_EQ(controller->decidePolicyForNewWindowAction(w.subscribe, {submit, true}, "_blank"),
              PolicyDecision::Use);
    ASSERT_EQ(fakes.urlConnections.count(), 2U);
    EXPECT_EQ(fakes.urlConnections.at(1).request, submit);
    // The new connection replaced the first one, which hears nothing more.
    EXPECT_EQ(fakes.urlConnections.at(0).live, nullptr);
    EXPECT_EQ(controller->con(), fakes.urlConnections.at(1).live);

    // A redirect restarts the body; only the final page is tested.
    fakes.urlConnections.redirect(1, "http://list.example/confirm");
    EXPECT_TRUE(w.spinner.animating);
    fakes.urlConnections.deliver(1, "<h2>Almost finished...</h2>");
    EXPECT_FALSE(w.spinner.animating);
    ASSERT_EQ(fakes.alerts.shown.size(), 1U);
    EXPECT_EQ(fakes.alerts.shown[0].messageText, "Almost finished...");
    const std::string& informative = fakes.alerts.shown[0].informativeText;
    EXPECT_EQ(informative, std::string("We need to confirm your email address.") +
                               std::string(26, ' ') +
                               "To complete the subscription process, please click the link in "
                               "the email we just sent you.");
    EXPECT_EQ(controller->data(), "<h2>Almost finished...</h2>");

    // The same text from a test page, or from a page that is not UTF-8, raises nothing.
    controller->decidePolicyForNavigationAction(w.subscribe, {submit, true});
    fakes.urlConnections.deliver(2, "Almost finished... quillbarktesting");
    controller->decidePolicyForNavigationAction(w.subscribe, {submit, true});
    fakes.urlConnections.deliver(3, "Almost finished... \xfe");
    EXPECT_EQ(fakes.alerts.shown.size(), 1U);
}

TEST_F(WelcomeController, FailedConnectionStopsTheSpinnerQuietly) {
    open();
    fakes.urlConnections.redirect(0, kPageURL);  // the request goes out: the spinner turns
    ASSERT_TRUE(window().spinner.animating);
    fakes.urlConnections.fail(0, "Could not connect: Connection refused");
    EXPECT_FALSE(window().spinner.animating);
    EXPECT_TRUE(fakes.alerts.shown.empty());
    EXPECT_EQ(fakes.log.lines().size(), 1U);
}

TEST_F(WelcomeController, FormTargetPageErrorIsShownCut) {
    open();
    FakeThanaksWindow& w = window();
    EXPECT_EQ(
        controller->createWebViewWithRequest(w.subscribe, {"http://list.example/s", "GET", {}}),
        &w.target);
    EXPECT_EQ(w.target.frameLoadDelegate(), controller.get());

    const auto finish = [&](std::optional<std::string> error) {
        controller->didFinishLoadForFrame(w.target);
        EXPECT_EQ(w.target.scripts().back(), ThanaksWindowController::kFormErrorScript);
        EXPECT_TRUE(w.target.answerScript(std::move(error)));
    };
    finish(std::string("a@b.example is already subscribed to list News. <a href=\"u\">Update</a>"));
    finish(std::string("There are errors below: <b>email</b>"));
    finish(std::string());
    finish(std::nullopt);  // no error element: the script fails
    EXPECT_EQ(fakes.alerts.shown, (std::vector<FakeAlerts::Shown>{
                                      {"Error", "a@b.example is already subscribed to list News."},
                                      {"Error", "There are errors below: <b>email</b>"}}));
}

TEST_F(WelcomeController, PromoShowsWhenItLoadsAndIsZoomed) {
    open();
    FakeThanaksWindow& w = window();
    controller->didStartProvisionalLoadForFrame(w.promo);
    EXPECT_EQ(w.promo.hidden(), false);
    w.promo.setHidden(true);
    controller->didFinishLoadForFrame(w.promo);
    EXPECT_EQ(w.promo.hidden(), false);
    ASSERT_EQ(w.promo.scripts().size(), 1U);
    EXPECT_EQ(w.promo.scripts()[0], "document.documentElement.style.zoom = \"0.496\"");
    EXPECT_EQ(w.promo.scripts()[0].size(), 45U);

    // The subscribe view's own loads need nothing.
    controller->didFinishLoadForFrame(w.subscribe);
    EXPECT_TRUE(w.subscribe.scripts().empty());
    controller->windowScriptObjectAvailable(w.promo);
    EXPECT_EQ(w.promo.publishedObjects(), std::vector<std::string>{"app"});
}

TEST_F(WelcomeController, ScriptPanelsAnswerWithoutAskingExceptAlerts) {
    open();
    FakeWebView& view = window().subscribe;
    bool dismissed = false;
    controller->runJavaScriptAlertPanelWithMessage(view, "Thanks!", [&] { dismissed = true; });
    EXPECT_EQ(fakes.alerts.shown, (std::vector<FakeAlerts::Shown>{{"Alert", "Thanks!"}}));
    EXPECT_TRUE(dismissed);
    EXPECT_TRUE(controller->runJavaScriptConfirmPanelWithMessage(view, "Sure?"));
    EXPECT_EQ(controller->runJavaScriptTextInputPanelWithPrompt(view, "Name?", "Ada"), "Ada");
    EXPECT_TRUE(controller->runBeforeUnloadConfirmPanelWithMessage(view, "Leave?"));
    EXPECT_TRUE(controller->contextMenuItemsForElement(view, {"Reload", "Copy"}).empty());
    EXPECT_TRUE(controller->validateUserInterfaceItem(view, "copy:", false));
    EXPECT_EQ(fakes.alerts.shown.size(), 1U);
}

TEST_F(WelcomeController, CheckBoxWritesShowAsText) {
    open();
    ASSERT_TRUE(window().doNotShow);
    window().doNotShow(true);
    window().doNotShow(false);
    EXPECT_EQ(fakes.preferences.writes(),
              (std::vector<FakePreferenceStore::Write>{{"Show", std::string("n")},
                                                       {"Show", std::string("y")}}));
}

}  // namespace
}  // namespace headroom::test

// The welcome window on the real web engine (WebKitGTK under Xvfb), its real connections
// (libsoup) and the real key-file store, against a web site of the test's own on 127.0.0.1.
// Only the alert and the browser hand-off are intercepted, through their ports.

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include "FakeAlerts.h"
#include "FakeLoginItems.h"
#include "GuiTestSupport.h"
#include "WelcomeTestSupport.h"
#include "platform/linux/GlibTextCase.h"
#include "platform/linux/KeyFilePreferenceStore.h"
#include "ui/gtk/GtkThanaksWindow.h"
#include "ui/gtk/SoupURLConnection.h"
#include "welcome/ThanaksWindowController.h"

namespace headroom {
namespace {

using test::readFile;

namespace fs = std::filesystem;
using test::spinUntil;

const std::string kConfirmationInformative =
    "We need to confirm your email address." + std::string(26, ' ') +
    "To complete the subscription process, please click the link in the email we just sent "
    "you.";

/// The value of `script` in `view`, waited for.
std::optional<std::string> evaluate(WebView& view, const std::string& script) {
    struct Answer {
        bool done = false;
        std::optional<std::string> value;
    };
    auto answer = std::make_shared<Answer>();
    view.stringByEvaluatingJavaScriptFromString(script, [answer](std::optional<std::string> v) {
        answer->value = std::move(v);
        answer->done = true;
    });
    EXPECT_TRUE(spinUntil([&] { return answer->done; })) << script;
    return answer->value;
}

bool spinning(GtkThanaksWindow& window) {
    gboolean active = FALSE;
    g_object_get(window.spinnerWidget(), "active", &active, nullptr);
    return active != FALSE;
}

class WelcomeWindow : public test::DisplayTest {
  protected:
    void SetUp() override {
        test::DisplayTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        ASSERT_TRUE(site.listening());
        folder = fs::temp_directory_path() /
                 ("headroom-welcome-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder);

        site.serve("/promo/",
                   "<html><body><h1>Headroom</h1>"
                   "<a id=\"more\" href=\"" +
                       site.url("/elsewhere.html") +
                       "\">More</a><iframe src=\"/promo/frame.html\"></iframe>"
                       "</body></html>");
        site.serve("/promo/frame.html", "<html><body>a frame of the page</body></html>");
        site.serve("/newsletter/subscribe", [this](const std::string& query) {
            if (query.find("email=moved%40") != std::string::npos) {
                return test::LocalSite::Response{303, "", site.url("/newsletter/pending")};
            }
            std::string body;
            if (query.find("email=new%40") != std::string::npos) {
                body = "<h1>Almost finished...</h1><p>We need to confirm your email.</p>";
            } else if (query.find("email=old%40") != std::string::npos) {
                body =
                    "<div class=\"errorText\">old@example.com is already subscribed to list "
                    "Headroom News. <a href=\"" +
                    site.url("/profile") + "\">Click here to update your profile.</a></div>";
            } else {
                body = "<div class=\"errorText\">This address looks <b>invalid</b>.</div>";
            }
            return test::LocalSite::Response{200, body, ""};
        });
        site.serve("/newsletter/pending", "<h1>Almost finished...</h1><p>Check your mail.</p>");

        // The shipped page, sending its form to this site instead of the maker's.
        std::string page = readFile(fs::path(HEADROOM_RESOURCES_DIR) / "index.html");
        const std::string maker = "http://tidewell.example";
        ASSERT_NE(page.find(maker), std::string::npos);
        page.replace(page.find(maker), maker.size(), site.url(""));
        std::ofstream(folder / "index.html") << page;
        pageText = page;

        store =
            std::make_unique<KeyFilePreferenceStore>((folder / "preferences.ini").string(), log);
        std::string message;
        store->load(message);
    }

    void TearDown() override {
        controller.reset();
        if (!folder.empty()) {
            fs::remove_all(folder);
        }
    }

    ThanaksWindowController& open(std::string promo = {}) {
        controller = std::make_unique<ThanaksWindowController>(
            ThanaksWindowPorts{factory, connections, alerts, opener, *store, log, textCase},
            ThanaksWindowContent{"Mémoire vive", promo.empty() ? site.url("/promo/") : promo,
                                 (folder / "index.html").string()});
        controller->showWindow();
        return *controller;
    }

    GtkThanaksWindow& window() { return *static_cast<GtkThanaksWindow*>(controller->window()); }

    bool alerted(const std::string& message, const std::string& informative) {
        for (const auto& shown : alerts.shown) {
            if (shown.messageText == message && shown.informativeText == informative) {
                return true;
            }
        }
        return false;
    }

    /// Fills the subscription form with `email` and sends it, as the user's click does.
    void subscribe(const std::string& email) {
        evaluate(window().SubscribeWebview(),
                 "document.getElementById('email').value = '" + email +
                     "'; document.getElementById('subscribe').requestSubmit(); 'sent'");
    }

    test::LocalSite site;
    fs::path folder;
    std::string pageText;
    test::LinesLog log;
    test::FakeAlerts alerts;
    test::FakeUrlOpener opener;
    SoupURLConnectionFactory connections;
    GtkThanaksWindowFactory factory{HEADROOM_RESOURCES_DIR, log};
    GlibTextCase textCase;
    std::unique_ptr<KeyFilePreferenceStore> store;
    std::unique_ptr<ThanaksWindowController> controller;
};

TEST_F(WelcomeWindow, PromoLoadsZoomedAndItsLinksGoToTheBrowser) {
    open();
    GtkThanaksWindow& w = window();
    // Capitals by the Unicode tables, not by ASCII alone.
    EXPECT_STREQ(gtk_label_get_text(w.nameLabel()), "MÉMOIRE VIVE");
    ASSERT_TRUE(spinUntil([&] {
        return evaluate(w.MultipleAppView(), "document.documentElement.style.zoom") ==
               std::optional<std::string>("0.496");
    }));
    EXPECT_TRUE(gtk_widget_get_visible(GTK_WIDGET(w.promoView().engineView())));
    // Every page gets an object "app" that offers nothing to call.
    EXPECT_EQ(evaluate(w.MultipleAppView(), "typeof window.app + Object.keys(window.app).length"),
              std::optional<std::string>("object0"));
    // The page's own frame loads in place; nothing went to the browser.
    EXPECT_TRUE(spinUntil([&] { return site.count("/promo/frame.html") == 1; }));
    EXPECT_TRUE(opener.opened().empty());

    evaluate(w.MultipleAppView(), "document.getElementById('more').click(); 'clicked'");
    ASSERT_TRUE(spinUntil([&] { return !opener.opened().empty(); }));
    EXPECT_EQ(opener.opened(), std::vector<std::string>{site.url("/elsewhere.html")});
    test::spinFor(0.3);
    EXPECT_EQ(webkit_web_view_get_uri(w.promoView().engineView()), site.url("/promo/"));
    EXPECT_EQ(site.count("/elsewhere.html"), 0U);
    EXPECT_EQ(site.count("/promo/"), 1U);

    // Script dialogs: an alert is shown natively, confirmations and prompts are answered.
    evaluate(w.MultipleAppView(), "alert('Hello from the promo'); 'done'");
    EXPECT_EQ(alerts.shown,
              (std::vector<test::FakeAlerts::Shown>{{"Alert", "Hello from the promo"}}));
    EXPECT_EQ(evaluate(w.SubscribeWebview(),
                       "String(confirm('Sure?')) + '|' + prompt('Who?', "
                       "'Ada')"),
              std::optional<std::string>("true|Ada"));
    EXPECT_EQ(alerts.shown.size(), 1U);
    EXPECT_EQ(log.lines, std::vector<std::string>{});
}

TEST_F(WelcomeWindow, PromoThatCannotLoadLeavesAPlainEmptyView) {
    // A port of the loopback address that was free a moment ago: nothing listens there.
    const std::string promo = "http://127.0.0.1:" + std::to_string(test::freePort()) + "/promo/";
    open(promo);
    ASSERT_TRUE(spinUntil([&] { return !log.lines.empty(); }));
    EXPECT_NE(log.lines[0].find(promo + " did not load"), std::string::npos) << log.lines[0];
    test::spinFor(0.5);  // the engine's error page, were it shown, loads after the failure
    EXPECT_EQ(evaluate(window().MultipleAppView(), "document.body ? document.body.innerText : ''"),
              std::optional<std::string>(""));
}

TEST_F(WelcomeWindow, SubscriptionAnswersRaiseTheirAlerts) {
    open();
    GtkThanaksWindow& w = window();
    // The first connection reads the page itself: a test page, so no alert, and the spinner
    // stops when it is read.
    ASSERT_TRUE(spinUntil([&] { return controller->data() == pageText; }));
    EXPECT_FALSE(spinning(w));
    ASSERT_TRUE(spinUntil([&] {
        return evaluate(w.SubscribeWebview(),
                        "document.getElementById('subscribe') ? document.readyState : 'none'") ==
               std::optional<std::string>("complete");
    }));

    subscribe("new@example.com");
    ASSERT_TRUE(spinUntil([&] { return alerted("Almost finished...", kConfirmationInformative); }))
        << site.count("/newsletter/subscribe") << " subscription requests";
    // The form's own window and the controller's connection both sent the request.
    EXPECT_TRUE(spinUntil([&] { return site.count("/newsletter/subscribe") == 2; }));
    // Both the same request, the page's own headers included.
    std::vector<std::string> queries;
    std::set<std::string> accepts;
    for (const auto& request : site.requests()) {
        if (request.path == "/newsletter/subscribe") {
            queries.push_back(request.query);
            accepts.insert(request.accept);
        }
    }
    EXPECT_EQ(queries, std::vector<std::string>(2, "email=new%40example.com&list=headroom-news"));
    EXPECT_EQ(accepts.size(), 1U) << *accepts.begin() << " | " << *accepts.rbegin();
    EXPECT_FALSE(spinning(w));

    subscribe("old@example.com");
    ASSERT_TRUE(spinUntil([&] {
        return alerted("Error", "old@example.com is already subscribed to list Headroom News.");
    }));
    subscribe("bad@example");
    ASSERT_TRUE(spinUntil([&] { return alerted("Error", "This address looks <b>invalid</b>."); }));

    // A service that answers with a redirect: the connection follows it to the notice.
    subscribe("moved@example.com");
    ASSERT_TRUE(spinUntil([&] { return alerts.shown.size() == 4; }));
    EXPECT_EQ(alerts.shown.back().messageText, "Almost finished...");
    EXPECT_EQ(controller->data(), "<h1>Almost finished...</h1><p>Check your mail.</p>");
    test::spinFor(0.3);
    EXPECT_EQ(alerts.shown.size(), 4U);
    EXPECT_TRUE(opener.opened().empty());
    for (const auto& request : site.requests()) {
        EXPECT_NE(request.path, "/profile");
    }
    // The pages' own loads were not repeated: no connection went astray or failed.
    EXPECT_EQ(log.lines, std::vector<std::string>{});
}

TEST_F(WelcomeWindow, CheckBoxStoresShowAndClosingOnlyHides) {
    open();
    GtkThanaksWindow& w = window();
    gtk_toggle_button_set_active(w.doNotShowBox(), TRUE);
    EXPECT_EQ(store->objectForKey("Show"), std::optional<std::string>("n"));
    gtk_toggle_button_set_active(w.doNotShowBox(), FALSE);
    EXPECT_EQ(store->objectForKey("Show"), std::optional<std::string>("y"));
    EXPECT_NE(readFile(folder / "preferences.ini").find("Show=y"), std::string::npos);

    ASSERT_TRUE(gtk_widget_get_visible(GTK_WIDGET(w.gtkWindow())));
    gtk_window_close(w.gtkWindow());
    test::spinFor(0.1);
    EXPECT_FALSE(gtk_widget_get_visible(GTK_WIDGET(w.gtkWindow())));
    EXPECT_EQ(controller->window(), &w);
}

TEST_F(WelcomeWindow, MissingOrBadFilesGiveOneLineEachAndNothingElse) {
    open();
    std::ofstream(folder / "latin1.html") << "caf\xe9";
    std::ofstream(folder / "Broken.ui") << "<interface><object class=\"GtkWindow\" id=\"x\">";
    std::ofstream(folder / "Bare.ui")
        << "<interface><object class=\"GtkWindow\" id=\"ThanaksWindow\"/>"
           "</interface>";
    test::spinFor(0.5);
    log.lines.clear();
    GtkThanaksWindowFactory empty(folder.string(), log);
    EXPECT_EQ(empty.loadWindowNib("ThanaksWindowController", *controller), nullptr);
    EXPECT_EQ(empty.loadWindowNib("Broken", *controller), nullptr);
    EXPECT_EQ(empty.loadWindowNib("Bare", *controller), nullptr);
    EXPECT_EQ(empty.pageForResource("missing.html"), std::nullopt);
    EXPECT_EQ(empty.pageForResource((folder / "latin1.html").string()), std::nullopt);
    ASSERT_EQ(log.lines.size(), 5U);
    EXPECT_NE(log.lines[0].find("ThanaksWindowController.ui"), std::string::npos);
    EXPECT_NE(log.lines[2].find("lacks appName, AppView"), std::string::npos) << log.lines[2];
    EXPECT_NE(log.lines[3].find("missing.html"), std::string::npos);
    EXPECT_NE(log.lines[4].find("not UTF-8"), std::string::npos);

    // The shipped files load.
    EXPECT_NE(factory.loadWindowNib("ThanaksWindowController", *controller), nullptr);
    const auto page = factory.pageForResource("index.html");
    ASSERT_TRUE(page.has_value());
    EXPECT_EQ(page->fileURL.rfind("file:///", 0), 0U);
    EXPECT_NE(page->text.find("quillbarktesting"), std::string::npos);
    EXPECT_EQ(log.lines.size(), 5U);
}

}  // namespace
}  // namespace headroom

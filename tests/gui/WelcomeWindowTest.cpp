// The welcome window on the real web engine (WebKitGTK under Xvfb), its real connections
// (libsoup) and alerts, against a web site of the test's own on 127.0.0.1. Only the browser
// hand-off is intercepted, through its port; the check box's writes to the real preference file
// are tests/gui/test_welcome_process.py's.

#include <libsoup/soup.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "FakeLoginItems.h"
#include "GuiTestSupport.h"
#include "ui/gtk/GtkThanaksWindow.h"
#include "ui/gtk/SoupURLConnection.h"
#include "welcome/ThanaksWindowController.h"

namespace headroom {
namespace {

namespace fs = std::filesystem;
using Alert = std::pair<std::string, std::string>;

/// A web site on 127.0.0.1 (a port of the system's choosing), served from this process's main
/// loop by libsoup, with the answers its owner gives; it keeps every request, in order.
struct LocalSite {
    struct Request {
        std::string path;
        std::string query;
        std::string accept;  ///< its Accept header
    };
    /// An answer: a status and an HTML body, or for a redirect (3xx) the address to go to.
    using Response = std::pair<int, std::string>;

    explicit LocalSite(std::function<Response(const Request&)> answerer)
        : answer(std::move(answerer)), server(soup_server_new(nullptr, nullptr)) {
        soup_server_add_handler(server, nullptr, &LocalSite::handle, this, nullptr);
        if (soup_server_listen_local(server, 0, SOUP_SERVER_LISTEN_IPV4_ONLY, nullptr)) {
            GSList* uris = soup_server_get_uris(server);
            port = g_uri_get_port(static_cast<GUri*>(uris->data));
            g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
        }
    }
    ~LocalSite() {
        soup_server_disconnect(server);
        g_object_unref(server);
    }

    /// "http://127.0.0.1:<port>" followed by `path`.
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port) + path;
    }
    std::size_t count(const std::string& path) const {
        return static_cast<std::size_t>(std::count_if(
            requests.begin(), requests.end(), [&](const auto& r) { return r.path == path; }));
    }

    static void handle(SoupServer*, SoupServerMessage* message, const char* path, GHashTable*,
                       gpointer self) {
        auto* site = static_cast<LocalSite*>(self);
        const char* query = g_uri_get_query(soup_server_message_get_uri(message));
        const char* accept = soup_message_headers_get_one(
            soup_server_message_get_request_headers(message), "Accept");
        site->requests.push_back(
            Request{path, query != nullptr ? query : "", accept != nullptr ? accept : ""});
        const auto [status, body] = site->answer(site->requests.back());
        if (status / 100 == 3) {
            soup_server_message_set_redirect(message, static_cast<guint>(status), body.c_str());
        } else {
            soup_server_message_set_status(message, static_cast<guint>(status), nullptr);
            soup_server_message_set_response(message, "text/html; charset=utf-8", SOUP_MEMORY_COPY,
                                             body.data(), body.size());
        }
    }

    std::function<Response(const Request&)> answer;
    SoupServer* server;
    int port = 0;
    std::vector<Request> requests;
};

const std::string kConfirmationInformative =
    "We need to confirm your email address." + std::string(26, ' ') +
    "To complete the subscription process, please click the link in the email we just sent "
    "you.";

std::string property(GtkWidget* dialog, const char* name) {
    gchar* value = nullptr;
    g_object_get(dialog, name, &value, nullptr);
    std::string text = value != nullptr ? value : "";
    g_free(value);
    return text;
}

class WelcomeWindow : public test::DisplayTest {
  protected:
    void SetUp() override {
        test::DisplayTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        ASSERT_GT(site.port, 0);
        // The shipped page, sending its form to this site instead of the maker's.
        shipped = GtkThanaksWindow::readPage(HEADROOM_RESOURCES_DIR "/index.html", log).value();
        ASSERT_EQ(shipped.fileURL.rfind("file:///", 0), 0U);
        page = shipped;
        const std::string maker = "http://tidewell.example";
        ASSERT_NE(page.text.find(maker), std::string::npos);
        page.text.replace(page.text.find(maker), maker.size(), site.url(""));
    }

    /// The maker's site and the list service.
    LocalSite::Response answer(const LocalSite::Request& request) {
        const auto asks = [&](const char* who) {
            return request.query.find(who) != std::string::npos;
        };
        std::string body = "<div class=\"errorText\">This address looks <b>invalid</b>.</div>";
        if (request.path == "/promo/") {
            body = "<html><body><h1>Headroom</h1><a id=\"more\" href=\"" +
                   site.url("/elsewhere.html") +
                   "\">More</a><iframe src=\"/promo/frame.html\"></iframe></body></html>";
        } else if (request.path == "/promo/frame.html") {
            body = "<html><body>a frame of the page</body></html>";
        } else if (request.path == "/newsletter/pending") {
            body = "<h1>Almost finished...</h1><p>Check your mail.</p>";
        } else if (request.path != "/newsletter/subscribe") {
            return {404, "<p>Not here</p>"};
        } else if (asks("email=moved%40")) {
            return {303, site.url("/newsletter/pending")};
        } else if (asks("email=local%40")) {
            return {303, "file:///etc/hostname"};
        } else if (asks("email=broken%40")) {
            return {500, "Almost finished"};
        } else if (asks("email=huge%40")) {
            // Past the bound, with what would raise the notice before it.
            return {200, "Almost finished" + std::string(URLConnectionFactory::kBodyLimit, ' ')};
        } else if (asks("email=new%40")) {
            body = "<h1>Almost finished...</h1><p>We need to confirm your email.</p>";
        } else if (asks("email=latin1%40")) {
            body = "<h1>Almost finished... caf\xe9</h1>";  // not UTF-8: no text at all
        } else if (asks("email=old%40")) {
            body =
                "<div class=\"errorText\">old@example.com is already subscribed to list "
                "Headroom News. <a href=\"" +
                site.url("/profile") + "\">Click here to update your profile.</a></div>";
        }
        return {200, body};
    }

    /// Opens the window as the welcome program does.
    GtkThanaksWindow& open(std::string promo = {}) {
        controller = std::make_unique<ThanaksWindowController>(
            ThanaksWindowPorts{connections, opener, handedBack, log},
            ThanaksWindowContent{"Mémoire vive", promo.empty() ? site.url("/promo/") : promo,
                                 page});
        auto loaded = GtkThanaksWindow::load(
            std::string(HEADROOM_RESOURCES_DIR) + "/ThanaksWindowController.ui", *controller, log);
        GtkThanaksWindow& window = *loaded;
        controller->windowDidLoad(std::move(loaded));
        controller->showWindow();
        return window;
    }

    GtkThanaksWindow& window() { return *static_cast<GtkThanaksWindow*>(controller->window()); }

    /// Answers the alerts on screen, as the user's OK does, after noting them; each must be
    /// modal over the welcome window.
    static std::vector<GtkWidget*> alertsUp() { return test::visibleMessageDialogs(); }

    /// The welcome window's content: it takes no input while an alert is up.
    GtkWidget* content() { return gtk_bin_get_child(GTK_BIN(window().gtkWindow())); }

    void answerAlerts() {
        for (GtkWidget* dialog : alertsUp()) {
            EXPECT_FALSE(gtk_widget_get_sensitive(content()));
            EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(dialog)), window().gtkWindow());
            EXPECT_EQ(gtk_window_get_title(GTK_WINDOW(dialog)), property(dialog, "text"));
            alerts.emplace_back(property(dialog, "text"), property(dialog, "secondary-text"));
            gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
        }
    }

    /// Turns the main loop until `done` holds or `seconds` have passed, answering the alerts
    /// that come up meanwhile; whether it held.
    bool spin(const std::function<bool()>& done, double seconds = 15.0) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (answerAlerts(), !done()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            if (g_main_context_iteration(nullptr, FALSE) == FALSE) {
                g_usleep(2000);
            }
        }
        return true;
    }

    /// The value of `script` in `view`, waited for.
    std::optional<std::string> evaluate(WebView& view, const std::string& script) {
        auto answer = std::make_shared<std::optional<std::optional<std::string>>>();
        view.stringByEvaluatingJavaScriptFromString(
            script, [answer](std::optional<std::string> value) { *answer = std::move(value); });
        EXPECT_TRUE(spin([&] { return answer->has_value(); })) << script;
        return answer->value_or(std::nullopt);
    }

    /// Fills the subscription form with `email` and sends it, as the user's click does.
    void subscribe(const std::string& email) {
        evaluate(window().SubscribeWebview(),
                 "document.getElementById('email').value = '" + email +
                     "'; document.getElementById('subscribe').requestSubmit(); 'sent'");
    }

    bool spinning() {
        gboolean active = FALSE;
        g_object_get(window().spinnerWidget(), "active", &active, nullptr);
        return active != FALSE;
    }

    LocalSite site{[this](const LocalSite::Request& request) { return answer(request); }};
    ResourcePage shipped;
    ResourcePage page;
    test::LinesLog log;
    std::vector<Alert> alerts;
    test::FakeUrlOpener opener;
    SoupURLConnectionFactory connections;
    std::ostringstream handedBack;
    std::unique_ptr<ThanaksWindowController> controller;
};

TEST_F(WelcomeWindow, PromoLoadsZoomedAndItsLinksGoToTheBrowser) {
    GtkThanaksWindow& w = open();
    // Capitals by the Unicode tables, not by ASCII alone.
    EXPECT_STREQ(gtk_label_get_text(w.nameLabel()), "MÉMOIRE VIVE");
    ASSERT_TRUE(spin([&] {
        return evaluate(w.MultipleAppView(), "document.documentElement.style.zoom") ==
               std::optional<std::string>("0.496");
    }));
    EXPECT_TRUE(gtk_widget_get_visible(GTK_WIDGET(w.promoView().engineView())));
    // Every page gets an object "app" that offers nothing to call.
    EXPECT_EQ(evaluate(w.MultipleAppView(), "typeof window.app + Object.keys(window.app).length"),
              std::optional<std::string>("object0"));
    // The page's own frame loads in place; nothing went to the browser.
    EXPECT_TRUE(spin([&] { return site.count("/promo/frame.html") == 1; }));
    EXPECT_TRUE(opener.opened().empty());

    evaluate(w.MultipleAppView(), "document.getElementById('more').click(); 'clicked'");
    ASSERT_TRUE(spin([&] { return !opener.opened().empty(); }));
    EXPECT_EQ(opener.opened(), std::vector<std::string>{site.url("/elsewhere.html")});
    spin([] { return false; }, 0.3);
    EXPECT_EQ(webkit_web_view_get_uri(w.promoView().engineView()), site.url("/promo/"));
    EXPECT_EQ(site.count("/elsewhere.html"), 0U);
    EXPECT_EQ(site.count("/promo/"), 1U);

    // Script dialogs: an alert is shown natively and the page waits for its answer;
    // confirmations and prompts are answered without a panel.
    EXPECT_EQ(evaluate(w.MultipleAppView(), "alert('Hello from the promo'); 'answered'"),
              std::optional<std::string>("answered"));
    EXPECT_EQ(alerts, (std::vector<Alert>{{"Alert", "Hello from the promo"}}));
    EXPECT_EQ(
        evaluate(w.SubscribeWebview(), "String(confirm('Sure?')) + '|' + prompt('Who?', 'Ada')"),
        std::optional<std::string>("true|Ada"));
    EXPECT_EQ(alerts.size(), 1U);
    EXPECT_EQ(log.lines, std::vector<std::string>{});

    EXPECT_TRUE(gtk_widget_get_sensitive(content()));
    // A page that raises alert after alert gets three; the rest are answered unseen.
    EXPECT_EQ(evaluate(w.SubscribeWebview(), "for (let i = 0; i < 9; ++i) alert(i); 'done'"),
              std::optional<std::string>("done"));
    EXPECT_EQ(alerts.size(), 4U);
    EXPECT_EQ(alerts.back(), (Alert{"Alert", "2"}));

    // An alert left up keeps the content from input, not the window from closing. Closing
    // only hides: the controller keeps the window until it goes.
    w.MultipleAppView().stringByEvaluatingJavaScriptFromString("alert('left up')", nullptr);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (alertsUp().empty() && std::chrono::steady_clock::now() < deadline) {
        if (g_main_context_iteration(nullptr, FALSE) == FALSE) {
            g_usleep(1000);
        }
    }
    ASSERT_EQ(alertsUp().size(), 1U);
    EXPECT_FALSE(gtk_widget_get_sensitive(content()));
    GtkWindow* kept = w.gtkWindow();
    g_object_add_weak_pointer(G_OBJECT(kept), reinterpret_cast<gpointer*>(&kept));
    gtk_window_close(w.gtkWindow());
    while (g_main_context_iteration(nullptr, FALSE) != FALSE) {
    }
    ASSERT_EQ(kept, w.gtkWindow());
    g_object_remove_weak_pointer(G_OBJECT(kept), reinterpret_cast<gpointer*>(&kept));
    EXPECT_FALSE(gtk_widget_get_visible(GTK_WIDGET(kept)));
}

TEST_F(WelcomeWindow, PromoThatCannotLoadLeavesAPlainEmptyView) {
    // A port of the loopback address that a site held a moment ago: nothing listens there now.
    const std::string promo =
        LocalSite([](const auto&) { return LocalSite::Response{}; }).url("/promo/");
    GtkThanaksWindow& w = open(promo);
    ASSERT_TRUE(spin([&] { return !log.lines.empty(); }));
    EXPECT_NE(log.lines[0].find(promo + " did not load"), std::string::npos) << log.lines[0];
    spin([] { return false; },
         0.5);  // the engine's error page, were it shown, loads after the failure
    EXPECT_EQ(evaluate(w.MultipleAppView(), "document.body ? document.body.innerText : ''"),
              std::optional<std::string>(""));
}

TEST_F(WelcomeWindow, SubscriptionAnswersRaiseTheirAlerts) {
    GtkThanaksWindow& w = open();
    // The first connection reads the page itself: a test page, so no alert, and the spinner
    // stops when it is read.
    ASSERT_TRUE(spin([&] { return controller->data() == shipped.text; }));
    EXPECT_FALSE(spinning());
    ASSERT_TRUE(spin([&] {
        return evaluate(w.SubscribeWebview(),
                        "document.getElementById('subscribe') ? document.readyState : 'none'") ==
               std::optional<std::string>("complete");
    }));

    subscribe("new@example.com");
    const auto alerted = [&](const Alert& shown) {
        return spin([&] { return std::find(alerts.begin(), alerts.end(), shown) != alerts.end(); });
    };
    ASSERT_TRUE(alerted({"Almost finished...", kConfirmationInformative}))
        << site.count("/newsletter/subscribe") << " subscription requests";
    // The form's own window and the controller's connection both sent the request.
    EXPECT_TRUE(spin([&] { return site.count("/newsletter/subscribe") == 2; }));
    // Both the same request, the page's own headers included.
    std::vector<std::string> queries;
    std::set<std::string> accepts;
    for (const auto& request : site.requests) {
        if (request.path == "/newsletter/subscribe") {
            queries.push_back(request.query);
            accepts.insert(request.accept);
        }
    }
    EXPECT_EQ(queries, std::vector<std::string>(2, "email=new%40example.com&list=headroom-news"));
    EXPECT_EQ(accepts.size(), 1U) << *accepts.begin() << " | " << *accepts.rbegin();
    EXPECT_FALSE(spinning());

    // A body that is not UTF-8 is no text: it raises nothing.
    subscribe("latin1@example.com");
    ASSERT_TRUE(spin([&] { return site.count("/newsletter/subscribe") == 4 && !spinning(); }))
        << site.count("/newsletter/subscribe") << " subscription requests, spinning " << spinning();
    spin([] { return false; }, 0.3);
    EXPECT_EQ(alerts.size(), 1U);

    subscribe("old@example.com");
    ASSERT_TRUE(alerted({"Error", "old@example.com is already subscribed to list Headroom News."}));
    subscribe("bad@example");
    ASSERT_TRUE(alerted({"Error", "This address looks <b>invalid</b>."}));

    // A service that answers with a redirect: the connection follows it to the notice.
    subscribe("moved@example.com");
    ASSERT_TRUE(spin([&] { return alerts.size() == 4; }));
    EXPECT_EQ(alerts.back().first, "Almost finished...");
    EXPECT_EQ(controller->data(), "<h1>Almost finished...</h1><p>Check your mail.</p>");
    spin([] { return false; }, 0.3);
    EXPECT_EQ(alerts.size(), 4U);
    EXPECT_TRUE(opener.opened().empty());
    for (const auto& request : site.requests) {
        EXPECT_NE(request.path, "/profile");
    }
    // The pages' own loads were not repeated: no connection went astray or failed.
    EXPECT_EQ(log.lines, std::vector<std::string>{});

    // A subscription that fails is told in one alert: a server error, an answer past the
    // bound (not read further).
    const std::pair<const char*, const char*> failures[] = {
        {"broken@example.com", "the server answered 500 Internal Server Error"},
        {"huge@example.com", "the answer is larger than 1 MiB"},
    };
    for (const auto& [email, reason] : failures) {
        const std::size_t before = alerts.size();
        subscribe(email);
        ASSERT_TRUE(alerted({"Error", std::string("The subscription did not go through (") +
                                          reason + "). Please try again later."}))
            << email;
        spin([] { return false; }, 0.5);
        EXPECT_EQ(alerts.size(), before + 1) << email;
        EXPECT_TRUE(controller->data().empty()) << email;
    }
    // An answer sent on to a local file: the engine kills the form's process, and the form is
    // loaded again, and works.
    subscribe("local@example.com");
    ASSERT_TRUE(spin([&] {  // libsoup does not follow it, and says so
        return alerts.back().first == "Error" &&
               alerts.back().second.find("file:///etc/hostname") != std::string::npos;
    }));
    ASSERT_TRUE(spin([&] {
        return std::find(log.lines.begin(), log.lines.end(),
                         "The subscription form stopped working (its web process ended); it is "
                         "loaded again") != log.lines.end();
    }));
    ASSERT_TRUE(spin([&] {
        return evaluate(w.SubscribeWebview(),
                        "document.getElementById('subscribe') ? document.readyState : 'none'") ==
               std::optional<std::string>("complete");
    }));
    subscribe("new@example.com");
    ASSERT_TRUE(spin([&] { return alerts.back().first == "Almost finished..."; }));

    // The form's own window did not load the huge one either.
    EXPECT_TRUE(spin([&] {
        return std::any_of(log.lines.begin(), log.lines.end(), [](const std::string& line) {
            return line.find(
                       "huge%40example.com&list=headroom-news is larger than 1 MiB; it is "
                       "not loaded") != std::string::npos;
        });
    }));
}

TEST_F(WelcomeWindow, MissingOrBadFilesGiveOneLineEachAndNothingElse) {
    const fs::path folder =
        fs::temp_directory_path() / ("headroom-welcome-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    std::ofstream(folder / "latin1.html") << "caf\xe9";
    std::ofstream(folder / "Bare.ui")
        << "<interface><object class=\"GtkWindow\" id=\"ThanaksWindow\"/></interface>";
    ThanaksWindowController owner(ThanaksWindowPorts{connections, opener, handedBack, log},
                                  ThanaksWindowContent{});
    for (const char* ui : {"Missing.ui", "Bare.ui"}) {
        EXPECT_EQ(GtkThanaksWindow::load((folder / ui).string(), owner, log), nullptr) << ui;
    }
    for (const char* name : {"missing.html", "latin1.html"}) {
        EXPECT_EQ(GtkThanaksWindow::readPage((folder / name).string(), log), std::nullopt);
    }
    fs::remove_all(folder);
    ASSERT_EQ(log.lines.size(), 4U);
    EXPECT_NE(log.lines[0].find("Missing.ui"), std::string::npos);
    EXPECT_NE(log.lines[1].find("lacks appName, AppView"), std::string::npos) << log.lines[1];
    EXPECT_NE(log.lines[2].find("missing.html"), std::string::npos);
    EXPECT_NE(log.lines[3].find("not UTF-8"), std::string::npos);
}

}  // namespace
}  // namespace headroom

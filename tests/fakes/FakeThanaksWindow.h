#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "CallJournal.h"
#include "platform/TextCase.h"
#include "platform/ThanaksWindow.h"
#include "platform/WelcomeWindows.h"

namespace headroom::test {

/// A web view that loads nothing: it keeps what it is told, and every script until the test
/// answers it.
struct FakeWebView final : WebView {
    using Result = std::function<void(std::optional<std::string>)>;
    void loadRequest(const URLRequest& request) override { requests.push_back(request); }
    void loadHTMLString(const std::string& html) override { htmlLoads.push_back(html); }
    void stringByEvaluatingJavaScriptFromString(const std::string& script, Result result) override {
        scripts.push_back(script);
        waiting.push_back(std::move(result));
    }
    void setHidden(bool value) override { hidden = value; }
    /// Answers the oldest script still waiting with `value`.
    void answerScript(std::optional<std::string> value) {
        const Result result = waiting.at(0);
        waiting.erase(waiting.begin());
        if (result) {
            result(std::move(value));
        }
    }

    std::vector<URLRequest> requests;
    std::vector<std::string> htmlLoads;
    std::vector<std::string> scripts;
    std::vector<Result> waiting;
    std::optional<bool> hidden;
};

/// The welcome window's elements as plain values, and the delegate they report to.
struct FakeThanaksWindow final : ThanaksWindow, ProgressIndicator {
    explicit FakeThanaksWindow(ThanaksWindowDelegate& delegate) : owner(delegate) {}
    void setAppName(const std::string& text) override { appName = text; }
    WebView& MultipleAppView() override { return promo; }
    WebView& SubscribeWebview() override { return subscribe; }
    WebView& tempweb() override { return target; }
    ProgressIndicator& indicatoraminate() override { return *this; }
    void startAnimation() override { animating = true; }
    void stopAnimation() override { animating = false; }
    void setCollectionBehavior(unsigned behavior) override { collectionBehavior = behavior; }
    void makeKeyAndOrderFront() override { inFront = true; }
    void showWindow() override { shown = inFront; }

    ThanaksWindowDelegate& owner;
    std::string appName;
    FakeWebView promo;
    FakeWebView subscribe;
    FakeWebView target;
    bool animating = false;
    std::optional<unsigned> collectionBehavior;
    bool inFront = false;
    bool shown = false;  ///< shown after it was brought in front
};

/// Makes fake welcome windows (or none, when told the interface file is missing) and serves
/// pages from a table. The windows belong to whoever asked.
struct FakeThanaksWindowFactory final : ThanaksWindowFactory {
    std::unique_ptr<ThanaksWindow> loadWindowNib(const std::string& nibName,
                                                 ThanaksWindowDelegate& owner) override {
        nibNames.push_back(nibName);
        if (!interfaceFilePresent) {
            return nullptr;
        }
        auto window = std::make_unique<FakeThanaksWindow>(owner);
        made.push_back(window.get());
        return window;
    }
    std::optional<ResourcePage> pageForResource(const std::string& page) override {
        const auto found = pages.find(page);
        return found == pages.end() ? std::nullopt : std::optional<ResourcePage>(found->second);
    }

    bool interfaceFilePresent = true;
    std::map<std::string, ResourcePage> pages;
    std::vector<std::string> nibNames;
    std::vector<FakeThanaksWindow*> made;
};

/// Connections that send nothing. Every one made is kept on record, and while it is alive the
/// test plays its traffic to its delegate.
struct FakeURLConnectionFactory final : URLConnectionFactory {
    struct Record {
        URLRequest request;
        URLConnectionDelegate* delegate = nullptr;
        bool live = true;  ///< false once the connection is dropped
    };

    std::unique_ptr<URLConnection> connectionWithRequest(const URLRequest& request,
                                                         URLConnectionDelegate& delegate) override {
        struct Connection final : URLConnection {
            explicit Connection(std::shared_ptr<Record> made) : record(std::move(made)) {}
            ~Connection() override { record->live = false; }
            std::shared_ptr<Record> record;
        };
        records.push_back(std::make_shared<Record>(Record{request, &delegate}));
        return std::make_unique<Connection>(records.back());
    }

    /// The delegate of connection `index`, which must still be alive.
    URLConnectionDelegate& delegate(std::size_t index) {
        if (!records.at(index)->live) {
            throw std::logic_error("connection " + std::to_string(index) + " was dropped");
        }
        return *records[index]->delegate;
    }
    /// Plays a whole load on connection `index`: the request goes out, `body` comes in one
    /// piece, then the end.
    void deliver(std::size_t index, const std::string& body) {
        URLConnectionDelegate& to = delegate(index);
        to.willSendRequest();
        to.didReceiveData(body);
        to.connectionDidFinishLoading();
    }

    std::vector<std::shared_ptr<Record>> records;
};

/// Records each request for the welcome window with its pages.
class FakeWelcomeWindows final : public WelcomeWindows, public Journaled {
  public:
    struct Shown {
        std::string promoPageURL;
        std::string subscriptionPage;
        friend bool operator==(const Shown&, const Shown&) = default;
    };

    void showWelcomeWindow(const std::string& promoPageURL,
                           const std::string& subscriptionPage) override {
        note("welcomeWindows.showWelcomeWindow");
        shown.push_back(Shown{promoPageURL, subscriptionPage});
    }

    std::vector<Shown> shown;
};

/// Capitals for ASCII letters only: enough for the names the tests give.
class FakeTextCase final : public TextCase {
  public:
    std::string uppercaseString(const std::string& text) const override {
        std::string out = text;
        for (char& c : out) {
            if (c >= 'a' && c <= 'z') {
                c = static_cast<char>(c - 'a' + 'A');
            }
        }
        return out;
    }
};

}  // namespace headroom::test

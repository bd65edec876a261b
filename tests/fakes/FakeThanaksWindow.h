#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "CallJournal.h"
#include "platform/ThanaksWindow.h"
#include "platform/ThanaksWindows.h"

namespace headroom::test {

/// A web view that loads nothing and runs no script: it keeps what it is told to load.
struct FakeWebView final : WebView {
    void loadRequest(const URLRequest& request) override { requests.push_back(request); }
    void loadHTMLString(const std::string& html) override { htmlLoads.push_back(html); }
    void stringByEvaluatingJavaScriptFromString(
        const std::string& /*script*/,
        std::function<void(std::optional<std::string>)> /*result*/) override {}
    void setHidden(bool value) override { hidden = value; }

    std::vector<URLRequest> requests;
    std::vector<std::string> htmlLoads;
    std::optional<bool> hidden;
};

/// The welcome window's elements as plain values. Its alerts are recorded as (message,
/// informative text) and dismissed at once, as by a user who clicks straight away.
struct FakeThanaksWindow final : ThanaksWindow, ProgressIndicator {
    void setAppName(const std::string& text) override { appName = text; }
    WebView& MultipleAppView() override { return promo; }
    WebView& SubscribeWebview() override { return subscribe; }
    WebView& tempweb() override { return target; }
    ProgressIndicator& indicatoraminate() override { return *this; }
    void startAnimation() override { animating = true; }
    void stopAnimation() override { animating = false; }
    void runModal(const std::string& messageText, const std::string& informativeText,
                  std::function<void()> dismissed) override {
        alerts.emplace_back(messageText, informativeText);
        if (dismissed) {
            dismissed();
        }
    }
    void setCollectionBehavior(unsigned behavior) override { collectionBehavior = behavior; }
    void makeKeyAndOrderFront() override { inFront = true; }

    std::string appName;
    FakeWebView promo;
    FakeWebView subscribe;
    FakeWebView target;
    bool animating = false;
    std::vector<std::pair<std::string, std::string>> alerts;
    std::optional<unsigned> collectionBehavior;
    bool inFront = false;
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

    std::vector<std::shared_ptr<Record>> records;
};

/// Records each request for the welcome window with its pages; the last window's hand-back
/// is kept for the test to play.
class FakeThanaksWindows final : public ThanaksWindows, public Journaled {
  public:
    void showThanksWindow(const std::string& promoPageURL, const std::string& subscriptionPage,
                          HandedBack handedBack) override {
        note("thanaksWindows.showThanksWindow");
        shown.emplace_back(promoPageURL, subscriptionPage);
        handBack = std::move(handedBack);
    }

    std::vector<std::pair<std::string, std::string>> shown;
    HandedBack handBack;
};

}  // namespace headroom::test

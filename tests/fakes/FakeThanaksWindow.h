#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "CallJournal.h"
#include "FakeWebView.h"
#include "platform/TextCase.h"
#include "platform/ThanaksWindow.h"
#include "platform/WelcomeWindows.h"

namespace headroom::test {

/// A label that keeps what it was given.
class FakeStyledLabel final : public StyledLabel, public Journaled {
  public:
    explicit FakeStyledLabel(std::string name) : name_(std::move(name)) {}
    void setFont(const std::string& fontName, double pointSize) override {
        record("setFont");
        font = fontName;
        size = pointSize;
    }
    void setTextColor(const RgbaColor& value) override {
        record("setTextColor");
        color = value;
    }
    void setStringValue(const std::string& value) override {
        record("setStringValue");
        text = value;
    }

    std::string font;
    double size = 0.0;
    std::optional<RgbaColor> color;
    std::string text;

  private:
    void record(const char* call) {
        if (journal() != nullptr) {
            journal()->record(name_ + "." + call);
        }
    }
    std::string name_;
};

class FakePanelView final : public PanelView, public Journaled {
  public:
    void setBackgroundColor(const RgbaColor& value) override {
        note("AppView.setBackgroundColor");
        background = value;
    }
    void setBorder(const RgbaColor& value, double width) override {
        note("AppView.setBorder");
        border = value;
        borderWidth = width;
    }
    std::optional<RgbaColor> background;
    std::optional<RgbaColor> border;
    double borderWidth = 0.0;
};

class FakeProgressIndicator final : public ProgressIndicator, public Journaled {
  public:
    void startAnimation() override {
        note("indicatoraminate.startAnimation");
        animating = true;
        ++starts;
    }
    void stopAnimation() override {
        note("indicatoraminate.stopAnimation");
        animating = false;
    }
    bool animating = false;
    int starts = 0;
};

/// The welcome window's elements as plain values; journal entries "<element>.<call>" and
/// "window.<call>" for the window's own steps.
class FakeThanaksWindow final : public ThanaksWindow, public Journaled {
  public:
    explicit FakeThanaksWindow(CallJournal* journal) {
        setJournal(journal);
        thanksText.setJournal(journal);
        name.setJournal(journal);
        panel.setJournal(journal);
        promo.setJournal(journal);
        subscribe.setJournal(journal);
        target.setJournal(journal);
        spinner.setJournal(journal);
    }

    StyledLabel& ThanksDownloadingtext() override { return thanksText; }
    StyledLabel& appName() override { return name; }
    PanelView& AppView() override { return panel; }
    WebView& MultipleAppView() override { return promo; }
    WebView& SubscribeWebview() override { return subscribe; }
    WebView& tempweb() override { return target; }
    ProgressIndicator& indicatoraminate() override { return spinner; }
    void setDoNotShowAction(std::function<void(bool)> action) override {
        doNotShow = std::move(action);
    }
    void setCollectionBehavior(unsigned behavior) override {
        note("window.setCollectionBehavior");
        collectionBehavior = behavior;
    }
    void makeKeyAndOrderFront() override { note("window.makeKeyAndOrderFront"); }
    void showWindow() override {
        note("window.showWindow");
        shown = true;
    }

    FakeStyledLabel thanksText{"ThanksDownloadingtext"};
    FakeStyledLabel name{"appName"};
    FakePanelView panel;
    FakeWebView promo{"promo"};
    FakeWebView subscribe{"subscribe"};
    FakeWebView target{"tempweb"};
    FakeProgressIndicator spinner;
    std::function<void(bool)> doNotShow;
    std::optional<unsigned> collectionBehavior;
    bool shown = false;
};

/// Makes fake welcome windows (or none, when told the interface file is missing) and serves
/// pages from a table. The windows belong to whoever asked; `windows()` lists them all, so a
/// test must not reach a window whose controller has gone.
class FakeThanaksWindowFactory final : public ThanaksWindowFactory, public Journaled {
  public:
    std::unique_ptr<ThanaksWindow> loadWindowNib(const std::string& nibName) override {
        note("thanaksWindows.loadWindowNib");
        nibNames.push_back(nibName);
        if (!interfaceFilePresent) {
            return nullptr;
        }
        auto window = std::make_unique<FakeThanaksWindow>(journal());
        made.push_back(window.get());
        return window;
    }
    std::optional<ResourcePage> pageForResource(const std::string& page) override {
        note("thanaksWindows.pageForResource");
        pagesAsked.push_back(page);
        const auto found = pages.find(page);
        return found == pages.end() ? std::nullopt : std::optional<ResourcePage>(found->second);
    }

    bool interfaceFilePresent = true;
    std::map<std::string, ResourcePage> pages;
    std::vector<std::string> nibNames;
    std::vector<std::string> pagesAsked;
    std::vector<FakeThanaksWindow*> made;
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

#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "CallJournal.h"
#include "platform/WebView.h"

namespace headroom::test {

/// A web view that loads nothing: it records what it is told (journal entries
/// "<name>.<call>"), keeps its delegates, and holds every script until the test answers it.
class FakeWebView final : public WebView, public Journaled {
  public:
    struct Evaluation {
        std::string script;
        std::function<void(std::optional<std::string>)> result;
    };

    explicit FakeWebView(std::string name) : name_(std::move(name)) {}

    void loadRequest(const URLRequest& request) override;
    void loadHTMLString(const std::string& html, const std::string& baseURL) override;
    void stringByEvaluatingJavaScriptFromString(
        const std::string& script, std::function<void(std::optional<std::string>)> result) override;
    void setHidden(bool hidden) override;
    void setPolicyDelegate(WebPolicyDelegate* delegate) override;
    void setFrameLoadDelegate(WebFrameLoadDelegate* delegate) override;
    void setUIDelegate(WebUIDelegate* delegate) override;
    void publishScriptObject(const std::string& name) override;

    /// Answers the oldest script still waiting with `value`; false when none waits.
    bool answerScript(std::optional<std::string> value);

    const std::vector<URLRequest>& requests() const { return requests_; }
    const std::vector<std::string>& htmlLoads() const { return htmlLoads_; }
    const std::vector<std::string>& scripts() const { return scripts_; }
    const std::vector<std::string>& publishedObjects() const { return published_; }
    std::optional<bool> hidden() const { return hidden_; }
    WebPolicyDelegate* policyDelegate() const { return policy_; }
    WebFrameLoadDelegate* frameLoadDelegate() const { return frameLoad_; }
    WebUIDelegate* uiDelegate() const { return ui_; }

  private:
    void record(const char* call);

    std::string name_;
    std::vector<URLRequest> requests_;
    std::vector<std::string> htmlLoads_;
    std::vector<std::string> scripts_;
    std::vector<Evaluation> waiting_;
    std::vector<std::string> published_;
    std::optional<bool> hidden_;
    WebPolicyDelegate* policy_ = nullptr;
    WebFrameLoadDelegate* frameLoad_ = nullptr;
    WebUIDelegate* ui_ = nullptr;
};

}  // namespace headroom::test

#include "FakeWebView.h"

#include <utility>

namespace headroom::test {

void FakeWebView::record(const char* call) {
    if (journal() != nullptr) {
        journal()->record(name_ + "." + call);
    }
}

void FakeWebView::loadRequest(const URLRequest& request) {
    record("loadRequest");
    requests_.push_back(request);
}

void FakeWebView::loadHTMLString(const std::string& html, const std::string& /*baseURL*/) {
    record("loadHTMLString");
    htmlLoads_.push_back(html);
}

void FakeWebView::stringByEvaluatingJavaScriptFromString(
    const std::string& script, std::function<void(std::optional<std::string>)> result) {
    record("stringByEvaluatingJavaScriptFromString");
    scripts_.push_back(script);
    waiting_.push_back(Evaluation{script, std::move(result)});
}

bool FakeWebView::answerScript(std::optional<std::string> value) {
    if (waiting_.empty()) {
        return false;
    }
    Evaluation oldest = std::move(waiting_.front());
    waiting_.erase(waiting_.begin());
    if (oldest.result) {
        oldest.result(std::move(value));
    }
    return true;
}

void FakeWebView::setHidden(bool hidden) {
    record("setHidden");
    hidden_ = hidden;
}

void FakeWebView::setPolicyDelegate(WebPolicyDelegate* delegate) {
    record("setPolicyDelegate");
    policy_ = delegate;
}

void FakeWebView::setFrameLoadDelegate(WebFrameLoadDelegate* delegate) {
    record("setFrameLoadDelegate");
    frameLoad_ = delegate;
}

void FakeWebView::setUIDelegate(WebUIDelegate* delegate) {
    record("setUIDelegate");
    ui_ = delegate;
}

void FakeWebView::publishScriptObject(const std::string& name) {
    record("publishScriptObject");
    published_.push_back(name);
}

}  // namespace headroom::test

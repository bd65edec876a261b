#include "FakeFeedback.h"

#include <utility>

namespace headroom::test {

class FakeFeedback::Connection final : public ATConnect {
  public:
    explicit Connection(FakeFeedback& owner) : owner_(owner) {}
    void setApiKey(const std::string& apiKey) override { owner_.record("setApiKey", apiKey, {}); }

  private:
    FakeFeedback& owner_;
};

class FakeFeedback::RatingFlow final : public ATAppRatingFlow {
  public:
    RatingFlow(FakeFeedback& owner, std::string appId) : owner_(owner), appId_(std::move(appId)) {}
    void appDidLaunch(bool viaUserAction) override {
        owner_.record("appDidLaunch", viaUserAction ? "true" : "false", appId_);
    }
    void showEnjoymentDialog() override { owner_.record("showEnjoymentDialog", appId_, appId_); }

  private:
    FakeFeedback& owner_;
    std::string appId_;
};

FakeFeedback::FakeFeedback() : connection_(std::make_unique<Connection>(*this)) {}

FakeFeedback::~FakeFeedback() = default;

ATConnect& FakeFeedback::sharedConnection() {
    record("sharedConnection", {}, {});
    return *connection_;
}

ATAppRatingFlow& FakeFeedback::sharedRatingFlowWithAppID(const std::string& appId) {
    record("sharedRatingFlowWithAppID", appId, {});
    auto& flow = flows_[appId];
    if (!flow) {
        flow = std::make_unique<RatingFlow>(*this, appId);
    }
    return *flow;
}

std::vector<std::string> FakeFeedback::callNames() const {
    std::vector<std::string> names;
    for (const auto& call : calls_) {
        names.push_back(call.name);
    }
    return names;
}

void FakeFeedback::record(const char* name, std::string argument, std::string flowAppId) {
    const std::string entry = std::string("feedback.") + name;
    note(entry.c_str());
    calls_.push_back(Call{name, std::move(argument), std::move(flowAppId)});
}

}  // namespace headroom::test

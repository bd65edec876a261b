#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "CallJournal.h"
#include "platform/Feedback.h"

namespace headroom::test {

/// The feedback component, recording each of its calls with its argument, in order:
/// "sharedConnection" (""), "setApiKey" (the key), "sharedRatingFlowWithAppID" (the id),
/// "appDidLaunch" ("true"/"false", on the flow's id), "showEnjoymentDialog" (the flow's id).
class FakeFeedback final : public Feedback, public Journaled {
  public:
    struct Call {
        std::string name;
        std::string argument;
        std::string flowAppId;  ///< for calls on a rating flow: the flow's application id
        friend bool operator==(const Call&, const Call&) = default;
    };

    FakeFeedback();
    ~FakeFeedback() override;
    FakeFeedback(const FakeFeedback&) = delete;
    FakeFeedback& operator=(const FakeFeedback&) = delete;

    ATConnect& sharedConnection() override;
    ATAppRatingFlow& sharedRatingFlowWithAppID(const std::string& appId) override;

    const std::vector<Call>& calls() const { return calls_; }
    std::vector<std::string> callNames() const;

  private:
    class Connection;
    class RatingFlow;
    void record(const char* name, std::string argument, std::string flowAppId);

    std::unique_ptr<Connection> connection_;
    std::map<std::string, std::unique_ptr<RatingFlow>> flows_;
    std::vector<Call> calls_;
};

}  // namespace headroom::test

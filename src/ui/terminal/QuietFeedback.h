#pragma once

#include <string>

#include "platform/Feedback.h"

namespace headroom {

/// The feedback component where there is no desktop to show its dialogs on: it takes the
/// calls and keeps what it was told, and shows nothing.
class QuietFeedback : public Feedback, private ATConnect, private ATAppRatingFlow {
  public:
    ATConnect& sharedConnection() override { return *this; }
    ATAppRatingFlow& sharedRatingFlowWithAppID(const std::string& appId) override {
        appId_ = appId;
        return *this;
    }

  private:
    void setApiKey(const std::string& apiKey) override { apiKey_ = apiKey; }
    void appDidLaunch(bool /*viaUserAction*/) override {}
    void showEnjoymentDialog() override {}

    std::string apiKey_;
    std::string appId_;
};

}  // namespace headroom

#pragma once

#include <string>

namespace headroom {

/// The feedback component's connection; the program only hands it its key.
class ATConnect {
  public:
    virtual ~ATConnect() = default;
    virtual void setApiKey(const std::string& apiKey) = 0;
};

/// The feedback component's rating flow.
class ATAppRatingFlow {
  public:
    virtual ~ATAppRatingFlow() = default;
    virtual void appDidLaunch(bool viaUserAction) = 0;
    virtual void showEnjoymentDialog() = 0;
};

/// Entry points of the feedback component. The program reads no result from it.
class Feedback {
  public:
    virtual ~Feedback() = default;
    virtual ATConnect& sharedConnection() = 0;
    virtual ATAppRatingFlow& sharedRatingFlowWithAppID(const std::string& appId) = 0;
};

}  // namespace headroom

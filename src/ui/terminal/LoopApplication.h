#pragma once

#include "platform/Application.h"
#include "platform/linux/GlibRunLoop.h"

namespace headroom {

/// The application without a desktop shell: terminating ends the run loop, and there is no
/// window to bring to the front.
class LoopApplication final : public Application {
  public:
    explicit LoopApplication(GlibRunLoop& loop) : loop_(loop) {}
    void terminate() override {
        terminating_ = true;
        loop_.quit();
    }
    bool isTerminating() const override { return terminating_; }
    void activateIgnoringOtherApps(bool /*flag*/) override {}

  private:
    GlibRunLoop& loop_;
    bool terminating_ = false;
};

}  // namespace headroom

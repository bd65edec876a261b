#pragma once

#include <cstddef>

#include "CallJournal.h"
#include "platform/Application.h"

namespace headroom::test {

/// Records the requests to end or to come to the front; ends nothing, but answers as terminating
/// from the first request on.
class FakeApplication final : public Application, public Journaled {
  public:
    void terminate() override {
        note("application.terminate");
        ++terminateCount_;
    }
    bool isTerminating() const override { return terminateCount_ > 0; }
    void activateIgnoringOtherApps() override {
        note("application.activateIgnoringOtherApps");
        ++activations_;
    }

    std::size_t terminateCount() const { return terminateCount_; }
    std::size_t activations() const { return activations_; }

  private:
    std::size_t terminateCount_ = 0;
    std::size_t activations_ = 0;
};

}  // namespace headroom::test

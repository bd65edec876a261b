#pragma once

#include "CallJournal.h"
#include "platform/Feedback.h"

namespace headroom::test {

/// The rating flow, counting the dialogs asked for ("feedback.showEnjoymentDialog").
class FakeFeedback final : public Feedback, public Journaled {
  public:
    void showEnjoymentDialog() override {
        note("feedback.showEnjoymentDialog");
        ++dialogs;
    }
    int dialogs = 0;
};

}  // namespace headroom::test

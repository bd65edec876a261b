#pragma once

#include <string>
#include <vector>

#include "CallJournal.h"
#include "platform/DesktopNotifier.h"

namespace headroom::test {

/// Keeps what the notification said each time it was shown, and whether it is shown now.
class FakeDesktopNotifier final : public DesktopNotifier, public Journaled {
  public:
    void show(const std::string& summary, const std::string& body) override {
        note("notifier.show");
        shown.push_back(summary + "|" + body);
        isShown = true;
    }
    void withdraw() override {
        note("notifier.withdraw");
        isShown = false;
    }

    std::vector<std::string> shown;
    bool isShown = false;
};

}  // namespace headroom::test

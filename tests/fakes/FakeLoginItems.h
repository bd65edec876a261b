#pragma once

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "CallJournal.h"
#include "platform/LoginItems.h"
#include "platform/UrlOpener.h"

namespace headroom::test {

/// The session's login items, kept in memory. Registrations are recorded in order; the test
/// can make them fail with a reason.
class FakeLoginItems final : public LoginItems, public Journaled {
  public:
    struct Registration {
        std::string identifier;
        bool enabled;
        friend bool operator==(const Registration&, const Registration&) = default;
    };

    bool setLoginItemEnabled(const std::string& identifier, bool enabled) override {
        note("loginItems.setLoginItemEnabled");
        registrations_.push_back(Registration{identifier, enabled});
        error_ = refusal;
        return refusal.empty();
    }
    bool loginItemRunning(const std::string& identifier) override {
        note("loginItems.loginItemRunning");
        return running.count(identifier) != 0;
    }
    std::string lastError() const override { return error_; }

    const std::vector<Registration>& registrations() const { return registrations_; }

    /// The login helpers that run.
    std::set<std::string> running;
    /// Non-empty: every registration fails with this reason.
    std::string refusal;

  private:
    std::vector<Registration> registrations_;
    std::string error_;
};

/// Keeps every address it was asked to open; opens nothing.
class FakeUrlOpener final : public UrlOpener, public Journaled {
  public:
    void openURL(const std::string& url) override {
        note("urlOpener.openURL");
        opened_.push_back(url);
    }
    const std::vector<std::string>& opened() const { return opened_; }

  private:
    std::vector<std::string> opened_;
};

}  // namespace headroom::test

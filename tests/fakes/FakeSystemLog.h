#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "CallJournal.h"
#include "platform/SystemLog.h"

namespace headroom::test {

/// Keeps every line logged, in order.
class FakeSystemLog final : public SystemLog, public Journaled {
  public:
    void log(std::string_view line) override {
        note("log");
        lines_.emplace_back(line);
    }

    const std::vector<std::string>& lines() const { return lines_; }
    void clear() { lines_.clear(); }

  private:
    std::vector<std::string> lines_;
};

}  // namespace headroom::test

#pragma once

#include <cstddef>
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
    std::size_t count(std::string_view line) const {
        std::size_t n = 0;
        for (const auto& l : lines_) {
            n += l == line ? 1U : 0U;
        }
        return n;
    }
    void clear() { lines_.clear(); }

  private:
    std::vector<std::string> lines_;
};

}  // namespace headroom::test

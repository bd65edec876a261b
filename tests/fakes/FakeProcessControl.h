#pragma once

#include <optional>
#include <string>
#include <vector>

#include "CallJournal.h"
#include "platform/ProcessControl.h"

namespace headroom::test {

/// The process's own settings, kept in memory; out of the box its OOM score adjustment is 0.
/// Reads or writes can be made to fail, as /proc would refuse them.
class FakeProcessControl final : public ProcessControl, public Journaled {
  public:
    std::optional<int> oomScoreAdj() override {
        if (failReads) {
            error_ = "read refused by the test";
            return std::nullopt;
        }
        return oomScoreAdj_;
    }
    bool setOomScoreAdj(int value) override {
        note("processControl.setOomScoreAdj");
        if (failWrites) {
            error_ = "write refused by the test";
            return false;
        }
        oomScoreAdj_ = value;
        writes_.push_back(value);
        return true;
    }
    std::string lastError() const override { return error_; }

    int current() const { return oomScoreAdj_; }
    void setCurrent(int value) { oomScoreAdj_ = value; }
    /// Every value written, in order.
    const std::vector<int>& writes() const { return writes_; }

    bool failReads = false;
    bool failWrites = false;

  private:
    int oomScoreAdj_ = 0;
    std::vector<int> writes_;
    std::string error_;
};

}  // namespace headroom::test

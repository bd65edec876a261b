#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace headroom::test {

/// One ordered record of the port calls made through several fakes, so that a test can check
/// the order of steps that touch different ports (say, the status item before the store).
/// Entries are "port.call" names; the arguments stay in each fake's own records.
class CallJournal {
  public:
    void record(std::string entry) { entries_.push_back(std::move(entry)); }
    const std::vector<std::string>& entries() const { return entries_; }
    void clear() { entries_.clear(); }

    std::size_t count(std::string_view entry) const {
        std::size_t n = 0;
        for (const auto& e : entries_) {
            n += e == entry ? 1U : 0U;
        }
        return n;
    }

  private:
    std::vector<std::string> entries_;
};

/// Base of the fakes that write into a journal; without one they record only for themselves.
class Journaled {
  public:
    void setJournal(CallJournal* journal) { journal_ = journal; }

  protected:
    CallJournal* journal() const { return journal_; }
    void note(const char* entry) const {
        if (journal_ != nullptr) {
            journal_->record(entry);
        }
    }

  private:
    CallJournal* journal_ = nullptr;
};

}  // namespace headroom::test

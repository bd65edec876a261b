#include "FakeRunLoop.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace headroom::test {

namespace {

/// The desktop timers refuse shorter intervals; so does the fake, lest it spin.
constexpr Seconds kShortestInterval{0.0001};

}  // namespace

FakeTimer::FakeTimer(std::uint64_t id, Seconds interval, Seconds firstFire,
                     std::function<void()> fire)
    : id_(id), interval_(interval), nextFire_(firstFire), fire_(std::move(fire)) {}

std::shared_ptr<Timer> FakeRunLoop::addRepeatingTimer(Seconds interval,
                                                      std::function<void()> fire) {
    note("runLoop.addRepeatingTimer");
    const Seconds period = std::max(interval, kShortestInterval);
    auto timer =
        std::make_shared<FakeTimer>(nextTimerId_++, interval, now_ + period, std::move(fire));
    timer->sequence_ = nextSequence_++;
    timers_.push_back(timer);
    return timer;
}

void FakeRunLoop::performAfterDelay(Seconds delay, std::function<void()> work) {
    note("runLoop.performAfterDelay");
    performs_.push_back(
        PendingWork{now_ + std::max(delay, Seconds(0.0)), nextSequence_++, std::move(work)});
}

void FakeRunLoop::dispatchToMainQueue(std::function<void()> work) {
    note("runLoop.dispatchToMainQueue");
    mainQueue_.push_back(PendingWork{now_, nextSequence_++, std::move(work)});
}

void FakeRunLoop::advanceTo(Seconds moment) {
    const Seconds limit = std::max(moment, now_);
    std::size_t steps = 0;
    while (runNext(limit)) {
        if (++steps > kMaximumWorkPerAdvance) {
            throw std::runtime_error("FakeRunLoop: work keeps falling due; the loop never settles");
        }
    }
    now_ = std::max(now_, limit);
}

bool FakeRunLoop::runNext(Seconds limit) {
    // Invalidated timers leave the loop here, never while their callback runs further up the
    // stack (that frame holds its own reference).
    std::erase_if(timers_, [](const auto& timer) { return !timer->valid_; });

    enum class Source { None, Timer, Perform, Main };
    Source source = Source::None;
    std::size_t index = 0;
    Seconds bestDue{0.0};
    std::uint64_t bestSequence = 0;
    auto consider = [&](Source candidate, std::size_t i, Seconds due, std::uint64_t sequence) {
        if (due > limit) {
            return;
        }
        if (source == Source::None || due < bestDue ||
            (due == bestDue && sequence < bestSequence)) {
            source = candidate;
            index = i;
            bestDue = due;
            bestSequence = sequence;
        }
    };
    for (std::size_t i = 0; i < timers_.size(); ++i) {
        if (!timers_[i]->firing_) {
            consider(Source::Timer, i, timers_[i]->nextFire_, timers_[i]->sequence_);
        }
    }
    if (!tracking_) {
        for (std::size_t i = 0; i < performs_.size(); ++i) {
            consider(Source::Perform, i, performs_[i].due, performs_[i].sequence);
        }
    }
    if (!mainQueue_.empty()) {
        consider(Source::Main, 0, mainQueue_.front().due, mainQueue_.front().sequence);
    }

    switch (source) {
        case Source::None:
            return false;
        case Source::Timer: {
            const std::shared_ptr<FakeTimer> timer = timers_[index];
            now_ = std::max(now_, bestDue);
            fireTimer(timer);
            return true;
        }
        case Source::Perform: {
            PendingWork work = std::move(performs_[index]);
            performs_.erase(performs_.begin() + static_cast<std::ptrdiff_t>(index));
            now_ = std::max(now_, work.due);
            fireLog_.push_back(FireRecord{WorkKind::DelayedPerform, now_, 0});
            work.work();
            return true;
        }
        case Source::Main: {
            PendingWork work = std::move(mainQueue_.front());
            mainQueue_.erase(mainQueue_.begin());
            now_ = std::max(now_, work.due);
            fireLog_.push_back(FireRecord{WorkKind::MainQueue, now_, 0});
            work.work();
            return true;
        }
    }
    return false;
}

void FakeRunLoop::fireTimer(const std::shared_ptr<FakeTimer>& timer) {
    // The next fire keeps the timer's phase; fires that fell in a stretch the timer could not
    // run are skipped, as the desktop loop skips them.
    const Seconds period = std::max(timer->interval_, kShortestInterval);
    const Seconds scheduled = timer->nextFire_;
    const double missed = std::floor((now_ - scheduled) / period);
    timer->nextFire_ = scheduled + period * (missed + 1.0);
    timer->sequence_ = nextSequence_++;
    ++timer->fireCount_;
    fireLog_.push_back(FireRecord{WorkKind::Timer, now_, timer->id_});
    timer->firing_ = true;
    try {
        if (timer->fire_) {
            timer->fire_();
        }
    } catch (...) {
        timer->firing_ = false;
        throw;
    }
    timer->firing_ = false;
}

std::vector<std::shared_ptr<FakeTimer>> FakeRunLoop::validTimers() const {
    std::vector<std::shared_ptr<FakeTimer>> valid;
    for (const auto& timer : timers_) {
        if (timer->valid_) {
            valid.push_back(timer);
        }
    }
    return valid;
}

std::vector<Seconds> FakeRunLoop::pendingDelayedPerformDates() const {
    std::vector<Seconds> dates;
    for (const auto& work : performs_) {
        dates.push_back(work.due);
    }
    std::sort(dates.begin(), dates.end());
    return dates;
}

std::vector<double> FakeRunLoop::timerFireTimes() const {
    std::vector<double> times;
    for (const auto& record : fireLog_) {
        if (record.kind == WorkKind::Timer) {
            times.push_back(record.at.count());
        }
    }
    return times;
}

}  // namespace headroom::test

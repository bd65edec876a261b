#include "FakeRunLoop.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <stdexcept>
#include <utility>

namespace headroom::test {

namespace {

/// The desktop timers refuse shorter intervals; so does the fake, lest it spin.
constexpr Seconds kShortestInterval{0.0001};

}  // namespace

std::shared_ptr<Timer> FakeRunLoop::addRepeatingTimer(Seconds interval,
                                                      std::function<void()> fire) {
    note("runLoop.addRepeatingTimer");
    auto timer = std::make_shared<FakeTimer>(interval, now_ + std::max(interval, kShortestInterval),
                                             std::move(fire));
    timer->sequence_ = nextSequence_++;
    timers_.push_back(timer);
    return timer;
}

void FakeRunLoop::performAfterDelay(Seconds delay, std::function<void()> work) {
    pending_.push_back(
        PendingWork{now_ + std::max(delay, Seconds(0.0)), nextSequence_++, true, std::move(work)});
}

void FakeRunLoop::dispatchToMainQueue(std::function<void()> work) {
    pending_.push_back(PendingWork{now_, nextSequence_++, false, std::move(work)});
}

void FakeRunLoop::advanceTo(Seconds moment) {
    const Seconds limit = std::max(moment, now_);
    for (std::size_t steps = 0; runNext(limit);) {
        if (++steps > 1'000'000) {
            throw std::runtime_error("FakeRunLoop: work keeps falling due; the loop never settles");
        }
    }
    now_ = std::max(now_, limit);  // a nested turn may have gone further
}

bool FakeRunLoop::runNext(Seconds limit) {
    // Invalidated timers leave the loop here, never while their callback runs further up the
    // stack (that frame holds its own reference).
    std::erase_if(timers_, [](const auto& timer) { return !timer->valid_; });

    // The earliest piece of work due by `limit`; of those due at once, the first scheduled.
    Seconds due = limit;
    std::uint64_t sequence = UINT64_MAX;
    auto earliest = [&](Seconds candidateDue, std::uint64_t candidateSequence) {
        if (candidateDue < due || (candidateDue == due && candidateSequence < sequence)) {
            due = candidateDue;
            sequence = candidateSequence;
            return true;
        }
        return false;
    };
    std::shared_ptr<FakeTimer> timer;
    auto work = pending_.end();
    for (const auto& candidate : timers_) {
        if (!candidate->firing_ && earliest(candidate->nextFire_, candidate->sequence_)) {
            timer = candidate;
        }
    }
    for (auto it = pending_.begin(); it != pending_.end(); ++it) {
        if (!(it->delayed && tracking_) && earliest(it->due, it->sequence)) {
            timer = nullptr;
            work = it;
        }
    }
    now_ = std::max(now_, due);
    if (timer) {
        fireTimer(*timer);  // `timer` keeps it alive should the callback drop it
        return true;
    }
    if (work == pending_.end()) {
        return false;
    }
    const std::function<void()> run = std::move(work->work);
    pending_.erase(work);
    run();
    return true;
}

void FakeRunLoop::fireTimer(FakeTimer& timer) {
    // The next fire keeps the timer's phase; fires that fell in a stretch the timer could not
    // run are skipped, as the desktop loop skips them.
    const Seconds period = std::max(timer.interval_, kShortestInterval);
    const double missed = std::floor((now_ - timer.nextFire_) / period);
    timer.nextFire_ += period * (missed + 1.0);
    timer.sequence_ = nextSequence_++;
    timerFires_.push_back(now_.count());
    timer.firing_ = true;
    timer.fire_();
    timer.firing_ = false;
}

std::vector<std::shared_ptr<FakeTimer>> FakeRunLoop::validTimers() const {
    std::vector<std::shared_ptr<FakeTimer>> valid;
    std::copy_if(timers_.begin(), timers_.end(), std::back_inserter(valid),
                 [](const auto& timer) { return timer->valid_; });
    return valid;
}

std::size_t FakeRunLoop::pendingMainQueueCount() const {
    return static_cast<std::size_t>(
        std::count_if(pending_.begin(), pending_.end(), [](const auto& w) { return !w.delayed; }));
}

std::vector<Seconds> FakeRunLoop::pendingDelayedPerformDates() const {
    std::vector<Seconds> dates;
    for (const auto& work : pending_) {
        if (work.delayed) {
            dates.push_back(work.due);
        }
    }
    std::sort(dates.begin(), dates.end());
    return dates;
}

}  // namespace headroom::test

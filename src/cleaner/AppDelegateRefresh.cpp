// The delegate's refresh timer.

#include <algorithm>

#include "app/AppDelegate.h"

namespace headroom {

void AppDelegate::makeRefreshTimer() {
    // A single refresh timer at any time: one that is somehow still running is stopped rather
    // than left to fire beside the new one.
    if (refreshTimer_ && refreshTimer_->isValid()) {
        refreshTimer_->invalidate();
    }
    const std::int64_t seconds =
        std::clamp(refreshInterval, kMinimumTimerInterval, kMaximumTimerInterval);
    refreshTimer_ =
        platform_.runLoop.addRepeatingTimer(Seconds(static_cast<double>(seconds)), invocation_);
}

void AppDelegate::changeRefreshInterval() {
    if (refreshTimer_ && refreshTimer_->isValid()) {
        refreshTimer_->invalidate();
        refreshTimer_.reset();
    }
    // During a clean the timer stays stopped; the restart after it takes the new interval.
    if (isCleanRunning_) {
        return;
    }
    makeRefreshTimer();
}

void AppDelegate::startTimerInBackground() {
    // A restart that only gets its turn inside the next clean leaves the timer to that clean's
    // own restart.
    if (isCleanRunning_) {
        return;
    }
    // The refresh rebuilds the title too.
    updateMemoryDisplay();
    makeRefreshTimer();
}

}  // namespace headroom

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
    makeRefreshTimer();
}

void AppDelegate::startTimerInBackground() {
    updateMemoryDisplay();
    changeStatusItemTitle();
    makeRefreshTimer();
}

}  // namespace headroom

// The delegate's Extreme Clean: memory claimed for a few seconds so that the kernel gives back
// its cache, with the progress in the status item.
//
// On Linux, claiming as much as is free and then more can wake the out-of-memory killer, which
// may end the user's other applications. So no block is claimed that would leave less than the
// safety floor available (MemAvailable, Documentation/filesystems/proc.rst), and while the
// clean runs the process offers itself as the killer's first choice.

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <utility>

#include "app/AppDelegate.h"
#include "cleaner/CleanArithmetic.h"
#include "cleaner/TiffEncoder.h"

namespace headroom {

namespace {

std::int32_t wholeSecondsSince(Seconds start, Seconds now) {
    const double elapsed = std::trunc((now - start).count());
    return static_cast<std::int32_t>(
        std::clamp(elapsed, 0.0, double{std::numeric_limits<std::int32_t>::max()}));
}

}  // namespace

void AppDelegate::performCleanOperation() {
    // One clean at a time: a request arriving during a pause of a running clean (the menu
    // command, a delayed automatic request) would otherwise nest inside it and start a second
    // refresh timer at its end.
    if (isCleanRunning_) {
        return;
    }
    isCleanRunning_ = true;
    if (refreshTimer_ && refreshTimer_->isValid()) {
        refreshTimer_->invalidate();
        refreshTimer_.reset();
    }
    const std::optional<int> previousOomScore = raiseOomScoreForClean();

    const std::int32_t duration = cleanDuration(totalMemory_, isExtremeClean_);
    const std::int32_t step = cleanStep(duration);

    // The image stays decoded for this clean only; every block is a new encoding of it.
    ImageLookup hd = platform_.bundleResources.imageNamed(kCleanBlockImage);
    if (!hd.image) {
        logOnce(std::string("Extreme Clean: no image \"") + kCleanBlockImage + "\" (" + hd.error +
                "); cleans run their course without claiming memory");
    }
    const std::uint64_t blockLength = hd.image ? tiffEncodedLength(*hd.image) : 0;
    const std::int64_t blockCount = cleanBlockCount(freeMemoryInStart_, blockLength);
    const std::uint64_t floor = cleanSafetyFloor(static_cast<std::uint64_t>(totalMemory_));
    std::vector<std::vector<std::uint8_t>>().swap(DataArray_);

    auto pause = [this] { platform_.runLoop.runUntil(platform_.runLoop.now() + kCleanPassPause); };

    // First phase: N + 1 passes, from 0% to the step.
    if (blockCount >= 0) {
        std::int64_t runningSum = 0;
        for (std::int64_t pass = 0; pass <= blockCount; ++pass) {
            appendCleaningBlock(hd.image.get(), blockLength, floor);
            displayCleaningPercentage(
                progressText(firstPhaseProgress(runningSum, blockCount, step)));
            runningSum += step;
            pause();
        }
    }

    // Second phase: hold for the duration, one more percent each second.
    lastDate_ = platform_.runLoop.now();
    for (;;) {
        const std::int32_t elapsed = wholeSecondsSince(lastDate_, platform_.runLoop.now());
        if (elapsed > duration) {
            break;
        }
        appendCleaningBlock(hd.image.get(), blockLength, floor);
        displayCleaningPercentage(progressText(secondPhaseProgress(elapsed, step)));
        pause();
    }

    // Every block goes back at once. Blocks this large are mapped on their own by the C
    // library's allocator, so their pages return to the kernel, not to a free list.
    std::vector<std::vector<std::uint8_t>>().swap(DataArray_);
    hd.image.reset();
    restoreOomScoreAfterClean(previousOomScore);
    isCleanRunning_ = false;

    platform_.runLoop.dispatchToMainQueue([this, alive = std::weak_ptr<char>(lifetime_)] {
        if (!alive.expired()) {
            startTimerInBackground();
        }
    });
}

void AppDelegate::displayCleaningPercentage(const std::string& text) {
    TitleAttributes attributes;
    attributes.foregroundColor = TitleColor::DisabledControlText;
    attrsDic_ = attributes;
    if (statusItem_) {
        statusItem_->setAttributedTitle(AttributedTitle{text, attributes});
    }
}

void AppDelegate::scheduleAutomaticClean() {
    // One request at a time: the restart after a clean builds the title twice, and every tick
    // while the menu is open builds one more.
    if (!isAutoFreeMemory || isCleanRunning_ || isCleanPending_) {
        return;
    }
    isCleanPending_ = true;
    platform_.runLoop.performAfterDelay(kAutomaticCleanDelay,
                                        [this, alive = std::weak_ptr<char>(lifetime_)] {
                                            if (alive.expired()) {
                                                return;
                                            }
                                            isCleanPending_ = false;
                                            performCleanOperation();
                                        });
}

void AppDelegate::appendCleaningBlock(const RgbaImage* image, std::uint64_t blockLength,
                                      std::uint64_t floor) {
    if (image == nullptr) {
        return;
    }
    const std::optional<std::uint64_t> available = platform_.hostMemory.availableMemory();
    if (!available) {
        logOnce("Extreme Clean: the available memory cannot be read; no memory is claimed");
        return;
    }
    if (!mayProduceBlock(available, blockLength, floor)) {
        return;
    }
    try {
        DataArray_.push_back(encodeTiff(*image));
    } catch (const std::bad_alloc&) {
        logOnce("Extreme Clean: the system refused a block of memory");
    }
}

std::optional<int> AppDelegate::raiseOomScoreForClean() {
    ProcessControl& control = platform_.processControl;
    const std::optional<int> previous = control.oomScoreAdj();
    if (!previous) {
        // Without the old value it could not be put back: leave it alone.
        logOnce("Extreme Clean: cannot read the process's oom_score_adj (" + control.lastError() +
                "); it stays as it is");
        return std::nullopt;
    }
    if (*previous >= kCleanOomScoreAdj) {
        return std::nullopt;
    }
    if (!control.setOomScoreAdj(kCleanOomScoreAdj)) {
        logOnce("Extreme Clean: cannot raise the process's oom_score_adj to " +
                std::to_string(kCleanOomScoreAdj) + " (" + control.lastError() + ")");
        return std::nullopt;
    }
    return previous;
}

void AppDelegate::restoreOomScoreAfterClean(std::optional<int> previous) {
    if (!previous) {
        return;
    }
    ProcessControl& control = platform_.processControl;
    if (!control.setOomScoreAdj(*previous)) {
        logOnce("Extreme Clean: cannot put the process's oom_score_adj back to " +
                std::to_string(*previous) + " (" + control.lastError() + ")");
    }
}

void AppDelegate::logOnce(const std::string& line) {
    if (loggedOnce_.insert(line).second) {
        platform_.log.log(line);
    }
}

}  // namespace headroom

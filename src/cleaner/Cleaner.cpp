// Extreme Clean: memory claimed for a few seconds so that the kernel gives back
// its cache, with the progress in the status item.
//
// On Linux, claiming as much as is free and then more can wake the out-of-memory killer, which
// may end the user's other applications. So the clean keeps the running machine's available
// memory (MemAvailable, Documentation/filesystems/proc.rst) above a safety floor: it claims no
// block that would go below it, and gives blocks back when other programs grow and push it
// below. While the clean runs the process offers itself as the killer's first choice.
//
// The clean turns the run loop between passes, so menu commands, keys and signals are handled
// during it; a request to quit ends it at the next pass.

#include "cleaner/Cleaner.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <utility>

#include "cleaner/CleanArithmetic.h"

namespace headroom {

namespace {

std::int32_t wholeSecondsSince(Seconds start, Seconds now) {
    const double elapsed = std::trunc((now - start).count());
    return static_cast<std::int32_t>(
        std::clamp(elapsed, 0.0, double{std::numeric_limits<std::int32_t>::max()}));
}

}  // namespace

Cleaner::Cleaner(RunLoop& runLoop, Application& application, BundleResources& bundleResources,
                 HostMemory& hostMemory, ProcessControl& processControl, SystemLog& log,
                 const MemoryMonitor& monitor, Events events)
    : runLoop_(runLoop),
      application_(application),
      bundleResources_(bundleResources),
      hostMemory_(hostMemory),
      processControl_(processControl),
      log_(log),
      monitor_(monitor),
      events_(std::move(events)) {}

void Cleaner::performCleanOperation() {
    // One clean at a time: a request arriving during a pause of a running clean (the menu
    // command, a key, a delayed automatic request) is refused, not nested or queued.
    if (isCleanRunning_ || application_.isTerminating()) {
        return;
    }
    isCleanRunning_ = true;
    events_.started();
    const std::optional<int> previousOomScore = raiseOomScoreForClean();

    const std::int32_t duration = cleanDuration(monitor_.totalMemory());
    // The percentage the first phase ends at. From 50 GiB installed the hold alone would take
    // it to zero or below: the first phase then ends at 10% and the hold spreads the rest over
    // its duration, so that the figure moves all the way.
    const std::int32_t step = duration < 100 ? 100 - duration : 10;

    // The image stays decoded for this clean only; every block is a new encoding of it, and
    // the first one gives the length.
    std::string error;
    const TiffMaker makeBlock = bundleResources_.tiffRepresentation(kCleanBlockImage, error);
    std::uint64_t blockLength = 0;
    try {
        blockLength = makeBlock ? makeBlock().size() : 0;
    } catch (const std::bad_alloc&) {
        error = "no memory for it";
    }
    if (blockLength == 0) {
        logOnce(std::string("Extreme Clean: no block of image \"") + kCleanBlockImage + "\" (" +
                (error.empty() ? "it encodes to nothing" : error) +
                "); cleans run their course without claiming memory");
    }
    const std::optional<MachineMemory> machine = hostMemory_.machineMemory();
    const std::int64_t blockCount =
        cleanBlockCount(monitor_.freeMemoryInStart(), blockLength, machine ? machine->total : 0);
    std::vector<std::vector<std::uint8_t>>().swap(DataArray_);

    // Turns the loop between passes; false once the application is to end.
    auto pause = [this] {
        runLoop_.runUntil(runLoop_.now() + kCleanPassPause);
        return !application_.isTerminating();
    };
    bool goOn = true;

    // First phase: N + 1 passes, from 0% to the step.
    if (blockCount >= 0) {
        std::int64_t runningSum = 0;
        for (std::int64_t pass = 0; goOn && pass <= blockCount; ++pass) {
            holdCleaningBlocks(makeBlock, blockLength);
            events_.progress(firstPhaseProgress(runningSum, blockCount, step));
            runningSum += step;
            goOn = pause();
        }
    }

    // Second phase: hold for the duration, one more percent each second.
    const Seconds lastDate = runLoop_.now();
    while (goOn) {
        const std::int32_t elapsed = wholeSecondsSince(lastDate, runLoop_.now());
        if (elapsed > duration) {
            break;
        }
        holdCleaningBlocks(makeBlock, blockLength);
        const auto held = std::int64_t{elapsed} * (100 - step) / duration;
        events_.progress(secondPhaseProgress(static_cast<std::int32_t>(held), step));
        goOn = pause();
    }

    // Every block goes back at once. Blocks this large are mapped on their own by the C
    // library's allocator, so their pages return to the kernel, not to a free list.
    std::vector<std::vector<std::uint8_t>>().swap(DataArray_);
    restoreOomScoreAfterClean(previousOomScore);
    isCleanRunning_ = false;

    // An application on its way out starts no new refresh.
    if (!goOn) {
        return;
    }
    runLoop_.dispatchToMainQueue([this, alive = std::weak_ptr<char>(lifetime_)] {
        if (!alive.expired()) {
            events_.ended();
        }
    });
}

void Cleaner::checkAutomaticFreeing(bool isMemoryLow, bool isAutoFreeMemory) {
    // Nothing is decided while a clean runs: its own figures are not the machine's.
    if (isCleanRunning_) {
        return;
    }
    if (!isMemoryLow) {
        automaticCleanLeftLow_.reset();
        return;
    }
    // One request at a time: every tick while the menu is open finds memory low again.
    if (!isAutoFreeMemory || isCleanPending_) {
        return;
    }
    // A clean that could not lift free memory above the level (memory in use by programs, no
    // swap to put it in) would only be followed by another and another, holding the machine at
    // the floor; the next one waits until memory was above the level again, or for a while.
    if (automaticCleanLeftLow_ &&
        runLoop_.now() - *automaticCleanLeftLow_ < kAutomaticCleanBackOff) {
        return;
    }
    automaticCleanLeftLow_.reset();
    isCleanPending_ = true;
    runLoop_.performAfterDelay(
        kAutomaticCleanDelay, [this, alive = std::weak_ptr<char>(lifetime_)] {
            if (alive.expired()) {
                return;
            }
            isCleanPending_ = false;
            if (isCleanRunning_ || (holdsAutomaticClean && holdsAutomaticClean())) {
                return;
            }
            performCleanOperation();
            // Kept only while the next refreshes find memory still low.
            automaticCleanLeftLow_ = runLoop_.now();
        });
}

void Cleaner::holdCleaningBlocks(const TiffMaker& makeBlock, std::uint64_t blockLength) {
    if (blockLength == 0) {
        return;
    }
    const std::optional<MachineMemory> machine = hostMemory_.machineMemory();
    if (!machine) {
        logOnce("Extreme Clean: the machine's memory cannot be read; no memory is claimed");
        std::vector<std::vector<std::uint8_t>>().swap(DataArray_);
        return;
    }
    const std::uint64_t floor = cleanSafetyFloor(machine->total);
    // Other programs grew: give back what lifts the available memory to the floor again.
    const std::uint64_t giveBack = std::min<std::uint64_t>(
        blocksToGiveBack(machine->available, blockLength, floor), DataArray_.size());
    if (giveBack > 0) {
        DataArray_.resize(DataArray_.size() - giveBack);
        return;
    }
    if (!mayProduceBlock(machine->available, blockLength, floor)) {
        return;
    }
    try {
        std::vector<std::uint8_t> block = makeBlock();
        if (!block.empty()) {
            DataArray_.push_back(std::move(block));
            return;
        }
    } catch (const std::bad_alloc&) {
    }
    logOnce("Extreme Clean: the system refused a block of memory");
}

std::optional<int> Cleaner::raiseOomScoreForClean() {
    const std::optional<int> previous = processControl_.oomScoreAdj();
    if (!previous) {
        // Without the old value it could not be put back: leave it alone.
        logOnce("Extreme Clean: cannot read the process's oom_score_adj (" +
                processControl_.lastError() + "); it stays as it is");
        return std::nullopt;
    }
    if (*previous >= kCleanOomScoreAdj) {
        return std::nullopt;
    }
    if (!processControl_.setOomScoreAdj(kCleanOomScoreAdj)) {
        logOnce("Extreme Clean: cannot raise the process's oom_score_adj to " +
                std::to_string(kCleanOomScoreAdj) + " (" + processControl_.lastError() + ")");
        return std::nullopt;
    }
    return previous;
}

void Cleaner::restoreOomScoreAfterClean(std::optional<int> previous) {
    if (previous && !processControl_.setOomScoreAdj(*previous)) {
        logOnce("Extreme Clean: cannot put the process's oom_score_adj back to " +
                std::to_string(*previous) + " (" + processControl_.lastError() + ")");
    }
}

void Cleaner::logOnce(const std::string& line) {
    if (loggedOnce_.insert(line).second) {
        log_.log(line);
    }
}

}  // namespace headroom

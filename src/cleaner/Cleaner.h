#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "monitor/MemoryMonitor.h"
#include "platform/Application.h"
#include "platform/BundleResources.h"
#include "platform/ProcessControl.h"
#include "platform/RunLoop.h"

namespace headroom {

/// Extreme Clean and the automatic-freeing trigger. One clean at a time.
class Cleaner {
  public:
    /// What a clean tells its owner: that it starts (the refresh stops), its progress in whole
    /// per cent, and that it ended (on the main queue after it, unless the application ends).
    struct Events {
        std::function<void()> started;
        std::function<void(std::int32_t percent)> progress;
        std::function<void()> ended;
    };

    Cleaner(RunLoop& runLoop, Application& application, BundleResources& bundleResources,
            HostMemory& hostMemory, ProcessControl& processControl, SystemLog& log,
            const MemoryMonitor& monitor, Events events);
    Cleaner(const Cleaner&) = delete;
    Cleaner& operator=(const Cleaner&) = delete;

    void performCleanOperation();
    bool isCleanRunning() const { return isCleanRunning_; }

    /// The refresh's low-memory step: when memory is low and automatic freeing is on, one
    /// clean is scheduled, unless an automatic clean that left memory low ended lately.
    void checkAutomaticFreeing(bool isMemoryLow, bool isAutoFreeMemory);

    /// Asked when an automatic clean is about to start: true holds it back.
    std::function<bool()> holdsAutomaticClean;

    /// The blocks a running clean holds.
    const std::vector<std::vector<std::uint8_t>>& DataArray() const { return DataArray_; }

    /// The resource whose TIFF encoding is one block of a clean.
    static constexpr const char* kCleanBlockImage = "hd";
    /// How long the run loop turns between two passes of a clean.
    static constexpr Seconds kCleanPassPause{0.01};
    /// How long after a refresh finds memory low the automatic clean starts (in the default
    /// mode, so it waits while the menu is open).
    static constexpr Seconds kAutomaticCleanDelay{0.9};
    /// How long an automatic clean that left free memory at or below the level holds back the
    /// next one, unless free memory goes above the level first.
    static constexpr Seconds kAutomaticCleanBackOff{600.0};
    /// The process's out-of-memory score adjustment while a clean runs: if the kernel must
    /// kill, it kills the cleaner first (Documentation/filesystems/proc.rst, oom_score_adj).
    static constexpr int kCleanOomScoreAdj = 1000;

  private:
    void holdCleaningBlocks(const TiffMaker& makeBlock, std::uint64_t blockLength);
    std::optional<int> raiseOomScoreForClean();
    void restoreOomScoreAfterClean(std::optional<int> previous);
    void logOnce(const std::string& line);

    RunLoop& runLoop_;
    Application& application_;
    BundleResources& bundleResources_;
    HostMemory& hostMemory_;
    ProcessControl& processControl_;
    SystemLog& log_;
    const MemoryMonitor& monitor_;
    Events events_;

    bool isCleanRunning_ = false;
    std::vector<std::vector<std::uint8_t>> DataArray_;
    /// An automatic clean is scheduled and has not started yet.
    bool isCleanPending_ = false;
    /// When the last automatic clean ended, while no refresh since has found memory above the
    /// level.
    std::optional<Seconds> automaticCleanLeftLow_;
    std::set<std::string> loggedOnce_;
    /// Work queued on the run loop holds a weak copy, so it does nothing once the cleaner is
    /// gone (the loop may outlive it).
    std::shared_ptr<char> lifetime_ = std::make_shared<char>('\0');
};

}  // namespace headroom

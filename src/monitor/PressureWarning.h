#pragma once

#include <memory>
#include <optional>

#include "platform/DesktopNotifier.h"
#include "platform/HostMemory.h"
#include "platform/RunLoop.h"
#include "platform/Workspace.h"

namespace headroom {

/// The warning before the machine stalls: a desktop notification while programs have waited for
/// memory (the kernel's `some avg10`) at or above the level for 10 s, changed in place every
/// 10 s while that lasts, and taken away once the share has stayed below half the level for 30 s.
/// Readings come from the refresh and from the kernel's trigger; between them the rule reads
/// pressure itself at the moments it needs, so that its 10 s and 30 s hold at any refresh rate.
class PressureWarning {
  public:
    static constexpr Seconds kSustained{10.0};
    static constexpr Seconds kCalm{30.0};

    PressureWarning(RunLoop& runLoop, HostMemory& hostMemory, Workspace& workspace,
                    DesktopNotifier& notifier);

    /// The level in per cent of time stalled; 0 turns the warning off, and takes it away.
    void setLevel(double percent);
    /// Reads the pressure now and acts on it.
    void check();
    /// Acts on a reading just made; nothing where the kernel does not report pressure.
    void observe(const std::optional<MemoryPressure>& pressure);
    /// Pressure is at or above the level (never, when the warning is off).
    bool isUnderPressure() const { return highSince_.has_value(); }

  private:
    void notify(double someAvg10);
    void wakeAt(Seconds moment);

    RunLoop& runLoop_;
    HostMemory& hostMemory_;
    Workspace& workspace_;
    DesktopNotifier& notifier_;
    double level_ = 0.0;
    std::optional<Seconds> highSince_;  ///< since when the share is at or above the level
    std::optional<Seconds> calmSince_;  ///< since when it is below half the level
    std::optional<Seconds> shownAt_;    ///< when the notification was last shown or changed
    std::optional<Seconds> wakeDue_;    ///< the rule's own next reading
    /// Queued readings hold a weak copy: the run loop may outlive the rule.
    std::shared_ptr<char> lifetime_ = std::make_shared<char>();
};

}  // namespace headroom

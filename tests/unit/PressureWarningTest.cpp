// The warning under sustained memory pressure on the virtual clock: when it starts, how it is
// changed in place, when it goes, and what it says.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "FakeDesktopNotifier.h"
#include "FakeHostMemory.h"
#include "FakeRunLoop.h"
#include "FakeWorkspace.h"
#include "monitor/PressureWarning.h"

namespace headroom {
namespace {

struct Rig {
    test::FakeRunLoop loop;
    test::FakeHostMemory memory;
    test::FakeWorkspace workspace;
    test::FakeDesktopNotifier notifier;
    PressureWarning warning{loop, memory, workspace, notifier};
};

TEST(PressureWarning, StartsAfterTenSecondsChangesInPlaceAndGoesAfterThirtyCalm) {
    // From each moment on (seconds), `some avg10` reads this (nothing: no pressure file); the
    // rule reads it at its own moments only, as no refresh runs. Then, at each moment checked:
    // notifications shown so far, and whether one is shown now. Level 10 %.
    struct Step {
        double at;
        std::optional<double> avg10;
        std::size_t shows;
        bool shown;
    };
    const std::vector<std::vector<Step>> timelines = {
        // At the level for 10 s: shown at 10; changed in place at 20 and 30.
        {{0, 10.0, 0, false},
         {9.9, 50.0, 0, false},
         {10, 50.0, 1, true},
         {20, 50.0, 2, true},
         {30, 50.0, 3, true},
         // Between half the level and the level: kept, not changed; below half for 30 s: gone.
         {35, 7.0, 3, true},
         {45, 4.99, 3, true},
         {74.9, 1.0, 3, true},
         {75, 1.0, 3, false},
         {200, 1.0, 3, false}},
        // A dip under the level restarts the 10 s; a return above half restarts the 30 s.
        {{0, 20.0, 0, false},
         {5, 9.9, 0, false},
         {6, 20.0, 0, false},
         {16, 20.0, 1, true},
         {17, 1.0, 1, true},
         {40, 6.0, 1, true},
         {41, 1.0, 1, true},
         {70.9, 1.0, 1, true},
         {71, 1.0, 1, false}},
        // A kernel that stops reporting counts as calm.
        {{0, 80.0, 0, false},
         {10, 80.0, 1, true},
         {11, std::nullopt, 1, true},
         {41, std::nullopt, 1, false}},
    };
    for (const auto& timeline : timelines) {
        Rig rig;
        rig.warning.setLevel(10.0);
        std::optional<double> before = 0.0;
        for (const auto& step : timeline) {
            rig.loop.advanceTo(Seconds(step.at));
            rig.memory.setPressure(step.avg10);
            if (std::exchange(before, step.avg10) != step.avg10) {
                rig.warning.check();  // a refresh or the kernel's trigger at the change
            }
            EXPECT_EQ(rig.notifier.shown.size(), step.shows) << "at " << step.at;
            EXPECT_EQ(rig.notifier.isShown, step.shown) << "at " << step.at;
        }
    }
}

TEST(PressureWarning, SaysHowLongProgramsWaitedAndWhoHoldsTheMostMemoryAndLevelZeroIsOff) {
    Rig rig;
    rig.workspace.addRegular("Editor", 300u << 20);
    rig.workspace.addRegular("Browser", 3u << 30);
    rig.workspace.addRegular("Unmeasured", 0).residentSize.status =
        ResidentSizeReading::Status::Unreadable;
    rig.warning.setLevel(10.0);
    rig.memory.setPressure(32.0);
    rig.warning.check();
    EXPECT_TRUE(rig.warning.isUnderPressure());
    rig.loop.advanceBy(10);
    ASSERT_EQ(rig.notifier.shown,
              std::vector<std::string>{"Programs are waiting for memory|They waited 3.2 s of the "
                                       "last 10 s. Browser holds the most memory (3.00 GB)."});
    // Turning the warning off takes it away at once, and pressure no longer counts.
    rig.warning.setLevel(0);
    EXPECT_FALSE(rig.notifier.isShown);
    EXPECT_FALSE(rig.warning.isUnderPressure());
    rig.loop.advanceBy(100);
    EXPECT_EQ(rig.notifier.shown.size(), 1u);
}

}  // namespace
}  // namespace headroom

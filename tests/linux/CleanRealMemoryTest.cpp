// One Extreme Clean with the real adapters on real memory, on a machine made small: the memory
// figures say 512 MiB free of 900 MiB (so the clean holds for 2 s), and the memory available
// to it is 512 MiB above the safety floor, less what this process has claimed since. The
// resident size must rise by about 512 MiB and fall back when the blocks are released.

#include <gtest/gtest.h>
#if defined(__SANITIZE_ADDRESS__)
// From the sanitizer runtime (sanitizer/allocator_interface.h, which GCC does not install).
extern "C" void __sanitizer_purge_allocator();
#endif

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "app/AppDelegate.h"
#include "cleaner/CleanArithmetic.h"
#include "platform/linux/KeyFilePreferenceStore.h"
#include "platform/linux/LinuxPlatform.h"
#include "platform/linux/MemInfo.h"
#include "platform/linux/ProcHostMemory.h"
#include "platform/linux/XdgAutostartLoginItems.h"
#include "ui/terminal/TerminalStatusBar.h"

namespace headroom {
namespace {

using test::readFile;

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
constexpr std::uint64_t kFree = 512 * kMiB;
constexpr std::uint64_t kInstalled = 900 * kMiB;

/// VmRSS of /proc/self/status (proc(5)), in bytes.
std::uint64_t residentBytes() {
    const std::string status = readFile("/proc/self/status");
    const auto at = status.find("VmRSS:");
    return at == std::string::npos ? 0 : std::stoull(status.substr(at + 6)) * 1024;
}

class SmallMachine final : public HostMemory {
  public:
    SmallMachine() : baseline_(residentBytes()) {}
    std::optional<VmStatistics> statistics(std::string&) override { return VmStatistics{kFree}; }
    std::uint64_t physicalMemory() override { return kInstalled; }
    std::optional<MemoryPressure> pressure() override { return real_.pressure(); }
    std::optional<MachineMemory> machineMemory() override {
        const std::uint64_t claimed = std::max(residentBytes(), baseline_) - baseline_;
        const std::uint64_t budget = kFree + cleanSafetyFloor(kInstalled) + 16 * kMiB;
        const auto real = real_.machineMemory();
        if (!real) {
            return std::nullopt;
        }
        const std::uint64_t available =
            claimed > budget ? 0 : std::min(real->available, budget - claimed);
        return MachineMemory{kInstalled, available};
    }

  private:
    std::uint64_t baseline_;
    ProcHostMemory real_;
};

struct Sample {
    std::uint64_t resident;
    int oomScoreAdj;
    std::string title;
};

TEST(CleanRealMemory, ClaimsAboutTheFreeMemoryAndGivesItBack) {
    test::TempDir dir;
    test::RecordingLog log;
    KeyFilePreferenceStore preferences(dir / "preferences.ini", log);
    std::string message;
    preferences.load(message);
    SmallMachine memory;
    LinuxPlatform platform(preferences, log, memory,
                           {.resourcesDirectory = HEADROOM_TEST_RESOURCES_DIR,
                            .autostart = AutostartFolders{dir / "config", {}}});
    GlibRunLoop& runLoop = platform.runLoop;
    TerminalStatusBar statusBar;
    ProcSelfControl& processControl = platform.processControl;
    const int originalScore = processControl.oomScoreAdj().value_or(-1);
    AppDelegate delegate(platform.platform(statusBar));
    delegate.applicationDidFinishLaunching();
    const std::uint64_t before = residentBytes();

    // Timers run in the common modes, so this one samples inside the clean's pauses.
    std::vector<Sample> samples;
    const auto sampler = runLoop.addRepeatingTimer(Seconds(0.05), [&] {
        samples.push_back(Sample{residentBytes(), processControl.oomScoreAdj().value_or(-1),
                                 statusBar.item()->title().text});
    });
    const Seconds start = runLoop.now();
    delegate.cleaner.performCleanOperation();  // as the menu's "Extreme Clean"
    const double took = (runLoop.now() - start).count();
    sampler->invalidate();
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer keeps freed blocks in its quarantine to catch late uses; hand them back
    // so that what is measured is the program's release, not the sanitizer's.
    __sanitizer_purge_allocator();
#endif
    const std::uint64_t after = residentBytes();

    ASSERT_FALSE(samples.empty());
    std::uint64_t peak = 0;
    for (const Sample& s : samples) {
        peak = std::max(peak, s.resident);
        EXPECT_EQ(s.oomScoreAdj, 1000);
        EXPECT_EQ(s.title.back(), '%');
    }
    const double rose = static_cast<double>(peak) - static_cast<double>(before);
    const double left = static_cast<double>(after) - static_cast<double>(before);
    EXPECT_NEAR(rose / static_cast<double>(kMiB), 512.0, 72.0);
    EXPECT_LT(left / static_cast<double>(kMiB), 24.0) << "the blocks did not go back";
    EXPECT_EQ(processControl.oomScoreAdj(), originalScore);
    EXPECT_EQ(statusBar.item()->title().text, "100%");
    EXPECT_GE(took, 3.0);  // the second phase holds until more than 2 whole seconds passed
    EXPECT_LT(took, 20.0);
    EXPECT_TRUE(log.lines.empty()) << log.lines.front();
}

}  // namespace
}  // namespace headroom

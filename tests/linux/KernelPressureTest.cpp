// Pressure stall information, the ZFS ARC and swap: the parsers on captured and hand-made text,
// and ProcHostMemory on fixture roots that have the files and that lack them.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "TestSupport.h"
#include "platform/linux/KernelPressure.h"
#include "platform/linux/ProcHostMemory.h"

namespace headroom {
namespace {

using test::fixturePath;
using test::readFile;

constexpr std::uint64_t kMiB = 1024 * 1024;

TEST(KernelPressure, ParsesTheKernelsLinesAndNothingElse) {
    const StallAverages zero{0.0, 0.0, 0.0, 0};
    const StallAverages some{12.5, 4.0, 1.25, 123456789};
    const std::string someLine = "some avg10=12.50 avg60=4.00 avg300=1.25 total=123456789\n";
    const std::optional<MemoryPressure> none;
    const std::pair<std::string, std::optional<MemoryPressure>> cases[] = {
        {readFile(fixturePath("proc/real/pressure/memory")), MemoryPressure{zero, zero}},
        {readFile(fixturePath("proc/machine8g/pressure/memory")),
         MemoryPressure{some, StallAverages{3.2, 1.0, 0.3, 23456789}}},
        // A kernel without `full`, or one whose `full` cannot be read: `some` stands alone.
        {someLine, MemoryPressure{some, std::nullopt}},
        {someLine + "full avg10=1.00 avg60=1.00 avg300=x total=5\n", MemoryPressure{some, {}}},
        // Words a later kernel appends, \r, no newline at the end; the first `some` wins.
        {"some avg10=12.50 avg60=4.00 avg300=1.25 total=123456789 avg600=9.00\r\n" + someLine +
             "some avg10=0.00 avg60=0.00 avg300=0.00 total=0",
         MemoryPressure{some, std::nullopt}},
        {"", none},
        {"full avg10=1.00 avg60=1.00 avg300=1.00 total=5\n", none},
        {"some avg10=1.00 avg60=1.00 avg300=1.00\n", none},
        {"some avg60=1.00 avg10=1.00 avg300=1.00 total=5\n", none},
        {"some avg10=100.01 avg60=1.00 avg300=1.00 total=5\n", none},
        {"some avg10=-0.5 avg60=1.00 avg300=1.00 total=5\n", none},
        {"some avg10=nan avg60=1.00 avg300=1.00 total=5\n", none},
        {"some avg10=1.00% avg60=1.00 avg300=1.00 total=5\n", none},
        {"some avg10=1 avg60=1 avg300=1 total=-5\n", none},
        {"some avg10=1 avg60=1 avg300=1 total=18446744073709551616\n", none},
        {"somewhat avg10=1 avg60=1 avg300=1 total=5\n", none},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(parsePressure(text), expected) << text;
    }

    const std::pair<std::string, ArcStats> arcCases[] = {
        {readFile(fixturePath("proc/machine8g/spl/kstat/zfs/arcstats")),
         ArcStats{1024 * kMiB, 256 * kMiB}},
        {"", ArcStats{}},
        {"size 4 100\nc_min 4 200\n", ArcStats{100, 200}},  // nothing to give back
        {"size 4 100\nc_min 4\nc_minimum 4 7\n", ArcStats{100, {}}},
        {"size 4 100 7\nsize 4 50\nc_min 4 0x10\n", ArcStats{50, {}}},
    };
    for (const auto& [text, expected] : arcCases) {
        EXPECT_EQ(parseArcStats(text), expected) << text;
    }
    EXPECT_EQ(reclaimableArc(ArcStats{1024 * kMiB, 256 * kMiB}), 768 * kMiB);
    EXPECT_EQ(reclaimableArc(ArcStats{100, 200}), 0u);
    EXPECT_EQ(reclaimableArc(ArcStats{100, {}}), 0u);
}

TEST(KernelPressure, ProcRootsWithAndWithoutTheFiles) {
    struct Case {
        std::string root;
        std::optional<std::uint64_t> available, swapTotal, swapUsed;
        std::optional<double> someAvg10;
    };
    const Case cases[] = {
        // MemAvailable 4 GiB and 768 MiB of ARC; 512 MiB of 2 GiB swap used.
        {fixturePath("proc/machine8g"), 4864 * kMiB, 2048 * kMiB, 512 * kMiB, 12.5},
        // Only meminfo: no ARC to add, no pressure; no swap is 0 of 0.
        {HEADROOM_E2E_PROCFS_DIR, 5120 * kMiB, 0, 0, std::nullopt},
    };
    for (const auto& c : cases) {
        ProcHostMemory memory(c.root + "/");
        std::string failure;
        const auto statistics = memory.statistics(failure);
        ASSERT_TRUE(statistics) << failure;
        EXPECT_EQ(statistics->available, c.available) << c.root;
        EXPECT_EQ(statistics->swapTotal, c.swapTotal) << c.root;
        EXPECT_EQ(statistics->swapUsed, c.swapUsed) << c.root;
        const auto pressure = memory.pressure();
        EXPECT_EQ(pressure ? std::optional(pressure->some.avg10) : std::nullopt, c.someAvg10);
    }
    // A trigger on the kernel's file where this kernel takes one (Linux 6.4+ unprivileged, a
    // 2 s window: taken on the development machine), and the refusal said otherwise.
    const int probe = ::open("/proc/pressure/memory", O_RDWR | O_NONBLOCK | O_CLOEXEC);
    const bool accepted = probe >= 0 && ::write(probe, "some 150000 2000000", 20) == 20;
    if (probe >= 0) {
        ::close(probe);
    }
    const std::string how = ProcHostMemory("/proc").watchPressure([] {});
    EXPECT_EQ(how.rfind(accepted ? "Memory pressure is watched with a kernel trigger (some 150000 "
                                   "2000000)"
                                 : "Memory pressure is read at each refresh: the kernel refuses "
                                   "a trigger on /proc/pressure/memory (",
                        0),
              0u)
        << how;
    EXPECT_EQ(ProcHostMemory(HEADROOM_E2E_PROCFS_DIR).watchPressure([] {}), "");
    // The running kernel has the file (Linux 4.20+ with CONFIG_PSI), and shares are per cent.
    const auto real = ProcHostMemory("/proc").pressure();
    ASSERT_TRUE(real) << readFile("/proc/pressure/memory");
    EXPECT_LE(real->some.avg300, 100.0);
}

}  // namespace
}  // namespace headroom

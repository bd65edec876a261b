// The /proc/meminfo parser and its mapping onto the menu's counters (Documentation/
// filesystems/proc.rst, "meminfo"), on captured fixtures and on hand-made text.

#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <string>

#include "TestSupport.h"
#include "platform/linux/MemInfo.h"

namespace headroom {
namespace {

using test::fixturePath;
using test::readFile;
using namespace std::string_literals;

constexpr std::uint64_t kMaxKilobytes = std::numeric_limits<std::uint64_t>::max() / 1024;

TEST(MemInfoParse, RealCapture) {
    // The kernel's own text, of a 24 GiB machine; SecPageTables reads 0, which is not absent.
    EXPECT_EQ(parseMemInfo(readFile(fixturePath("proc/real/meminfo"))),
              (MemInfo{.memTotal = 24683772,
                       .memFree = 24391180,
                       .memAvailable = 24363444,
                       .active = 68140,
                       .inactive = 60888,
                       .unevictable = 14468,
                       .sUnreclaim = 23084,
                       .kernelStack = 1812,
                       .pageTables = 1384,
                       .secPageTables = 0,
                       .percpu = 744,
                       .swapTotal = 0,
                       .swapFree = 0}));
}

TEST(MemInfoParse, ValueForms) {
    const std::optional<std::uint64_t> absent;
    const std::pair<std::string, std::optional<std::uint64_t>> cases[] = {
        {"", absent},
        {"MemTotal: 100 kB\nMemFree:      42 kB", 42},  // the last line lacks its newline
        {"MemFree:\t7 kB\r\n", 7},
        {"MemFree: 8 kB \t\r\n", 8},
        {"MemFree: 0 kB\n", 0},  // zero is not absent
        // The fields used are sizes in kB; without the unit the number means nothing certain.
        {"MemFree: 100\n", absent},
        {"MemFree:\n", absent},
        {"MemFree: kB\n", absent},
        {"MemFree: lots\n", absent},
        {"MemFree: 3 kB trailing\n", absent},
        {"MemFree: 12MB\n", absent},
        {"MemFree: -4 kB\n", absent},
        {"MemFree: 4kB\n", absent},
        {"MemFree: 0x10 kB\n", absent},
        // Too large for 64 bits, or its byte count would be; 2^54 - 1 kB is the largest.
        {"MemFree: 18446744073709551616 kB\n", absent},
        {"MemFree: 99999999999999999999999999 kB\n", absent},
        {"MemFree: 18446744073709551615 kB\n", absent},
        {"MemFree: 18014398509481984 kB\n", absent},
        {"MemFree: 18014398509481983 kB\n", kMaxKilobytes},
        {"MemFree: 34359738367 kB\n", 34359738367u},  // as large as x86-64's VmallocTotal
        // The first line with the key decides, even when its value is unusable; garbage and
        // lines that only look like the key are no occurrence of it.
        {"MemFree: 1 kB\nMemFree: 2 kB\n", 1},
        {"MemFree: x kB\nMemFree: 2 kB\n", absent},
        {"garbage without colon\n:\n: 5 kB\nMemFree 5 kB\n MemFree: 6 kB\n"s +
             std::string("\x00\xff\x01:\x02", 5) + "\n\n\nMemFree(anon): 1 kB\nMemFree: 9 kB\n",
         9},
        {"HugePages_Total:       0\nNewFieldOf2030: 77 kB\nMemFree(anon): 11 kB\n", absent},
    };
    for (const auto& [text, memFree] : cases) {
        EXPECT_EQ(parseMemInfo(text).memFree, memFree) << text;
    }
    // A key fills its own field only.
    MemInfo active;
    active.active = 5;
    EXPECT_EQ(parseMemInfo("Active(anon): 11 kB\nInactive(file): 12 kB\nActive: 5 kB\n"), active);
}

TEST(MemInfoMapping, BreakdownInBytes) {
    const std::string base = "MemFree: 4 kB\nActive: 8 kB\nInactive: 12 kB\n";
    const std::string older = base +
                              "Unevictable: 4096 kB\nSUnreclaim: 8192 kB\n"
                              "KernelStack: 1024 kB\nPageTables: 3072 kB\n";
    const std::string max = std::to_string(kMaxKilobytes);
    std::string largest;
    for (const char* key : {"MemFree", "Active", "Inactive", "Unevictable", "SUnreclaim",
                            "KernelStack", "PageTables", "SecPageTables", "Percpu"}) {
        largest += std::string(key) + ": " + max + " kB\n";
    }
    struct Case {
        std::string text;
        std::optional<std::array<std::uint64_t, 4>> kB;  ///< free, active, inactive, wired
    };
    const Case cases[] = {
        // Only MemFree, Active and Inactive are required; without one the read failed.
        {base, std::array<std::uint64_t, 4>{4, 8, 12, 0}},
        {"Active: 8 kB\nInactive: 12 kB\n", std::nullopt},
        {"MemFree: 4 kB\nInactive: 12 kB\n", std::nullopt},
        {"MemFree: 4 kB\nActive: 8 kB\n", std::nullopt},
        // Wired sums the fields present: before 3.15 neither Percpu nor SecPageTables, up to
        // 6.0 Percpu only.
        {older, std::array<std::uint64_t, 4>{4, 8, 12, 16384}},
        {older + "Percpu: 400 kB\n", std::array<std::uint64_t, 4>{4, 8, 12, 16784}},
        {older + "Percpu: 400 kB\nSecPageTables: 1600 kB\n",
         std::array<std::uint64_t, 4>{4, 8, 12, 18384}},
        // Six maxima would not fit in bytes: the sum stops at the largest count.
        {largest,
         std::array<std::uint64_t, 4>{kMaxKilobytes, kMaxKilobytes, kMaxKilobytes, kMaxKilobytes}},
    };
    for (const Case& c : cases) {
        const auto stats = vmStatisticsFromMemInfo(parseMemInfo(c.text));
        ASSERT_EQ(stats.has_value(), c.kB.has_value()) << c.text;
        if (stats) {
            EXPECT_EQ((std::array{stats->free, stats->active, stats->inactive, stats->wired}),
                      (std::array{(*c.kB)[0] * 1024, (*c.kB)[1] * 1024, (*c.kB)[2] * 1024,
                                  (*c.kB)[3] * 1024}))
                << c.text;
        }
    }
}

}  // namespace
}  // namespace headroom

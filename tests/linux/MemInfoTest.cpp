// The /proc/meminfo parser and the design's mapping onto the counters (Documentation/
// filesystems/proc.rst, "meminfo"), on captured fixtures and on hand-made text.

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <limits>
#include <map>
#include <sstream>
#include <string>

#include "TestSupport.h"
#include "platform/linux/MemInfo.h"

namespace headroom {
namespace {

using test::fixturePath;
using test::readFile;

constexpr std::uint64_t kMaxKilobytes = std::numeric_limits<std::uint64_t>::max() / 1024;

/// An independent, naive reading of "Key: N kB" lines (sscanf), to cross-check the parser.
std::map<std::string, std::uint64_t> naiveKilobytes(const std::string& text) {
    std::map<std::string, std::uint64_t> values;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        char key[64] = {};
        std::uint64_t value = 0;
        char unit[8] = {};
        if (std::sscanf(line.c_str(), "%63[^:]: %" SCNu64 " %7s", key, &value, unit) == 3 &&
            std::string(unit) == "kB") {
            values.emplace(key, value);
        }
    }
    return values;
}

TEST(MemInfoParse, RealCaptureAgreesWithANaiveReading) {
    const std::string text = readFile(fixturePath("proc/real/meminfo"));
    ASSERT_FALSE(text.empty());
    const MemInfo info = parseMemInfo(text);
    const auto naive = naiveKilobytes(text);

    const std::pair<const char*, std::optional<std::uint64_t>> fields[] = {
        {"MemTotal", info.memTotal},
        {"MemFree", info.memFree},
        {"MemAvailable", info.memAvailable},
        {"Active", info.active},
        {"Inactive", info.inactive},
        {"Unevictable", info.unevictable},
        {"SUnreclaim", info.sUnreclaim},
        {"KernelStack", info.kernelStack},
        {"PageTables", info.pageTables},
        {"SecPageTables", info.secPageTables},
        {"Percpu", info.percpu},
    };
    for (const auto& [key, value] : fields) {
        const auto it = naive.find(key);
        if (it == naive.end()) {
            EXPECT_FALSE(value.has_value()) << key;
        } else {
            EXPECT_EQ(value, it->second) << key;
        }
    }
    // What holds for any real capture.
    ASSERT_TRUE(info.memTotal && info.memFree && info.memAvailable && info.active && info.inactive);
    EXPECT_LE(*info.memFree, *info.memTotal);
    EXPECT_LE(*info.memAvailable, *info.memTotal);
    EXPECT_LE(*info.active + *info.inactive, *info.memTotal);
    EXPECT_TRUE(vmStatisticsFromMemInfo(info).has_value());
}

TEST(MemInfoParse, Machine8gFixtureExactly) {
    const MemInfo info = parseMemInfo(readFile(fixturePath("proc/machine8g/meminfo")));
    EXPECT_EQ(info.memTotal, 8388608u);
    EXPECT_EQ(info.memFree, 2097152u);
    EXPECT_EQ(info.memAvailable, 4194304u);
    EXPECT_EQ(info.active, 2621440u);
    EXPECT_EQ(info.inactive, 1572864u);
    EXPECT_EQ(info.unevictable, 65536u);
    EXPECT_EQ(info.sUnreclaim, 131072u);
    EXPECT_EQ(info.kernelStack, 16384u);
    EXPECT_EQ(info.pageTables, 32768u);
    EXPECT_EQ(info.secPageTables, 4096u);
    EXPECT_EQ(info.percpu, 12288u);

    const auto stats = vmStatisticsFromMemInfo(info);
    ASSERT_TRUE(stats);
    EXPECT_EQ(stats->free, 2097152u * 1024);
    EXPECT_EQ(stats->active, 2621440u * 1024);
    EXPECT_EQ(stats->inactive, 1572864u * 1024);
    EXPECT_EQ(stats->wired, 256u << 20);
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
        // Too large for 64 bits, or its byte count would be; 2^54 - 1 kB is the largest.
        {"MemFree: 18446744073709551616 kB\n", absent},
        {"MemFree: 99999999999999999999999999 kB\n", absent},
        {"MemFree: 18446744073709551615 kB\n", absent},
        {"MemFree: 18014398509481984 kB\n", absent},
        {"MemFree: 18014398509481983 kB\n", kMaxKilobytes},
        {"MemFree: 34359738367 kB\n", 34359738367u},  // as large as x86-64's VmallocTotal
        // The first line with the key decides, even when its value is unusable.
        {"MemFree: 1 kB\nMemFree: 2 kB\n", 1},
        {"MemFree: x kB\nMemFree: 2 kB\n", absent},
    };
    for (const auto& [text, memFree] : cases) {
        EXPECT_EQ(parseMemInfo(text).memFree, memFree) << text;
    }
    EXPECT_EQ(parseMemInfo(""), MemInfo{});
    EXPECT_FALSE(parseMemInfo("Percpu: 0 kB\n").secPageTables);
}

TEST(MemInfoParse, GarbageLinesAreSkipped) {
    const std::string text =
        std::string("garbage without colon\n") + ":\n" + ": 5 kB\n" + "MemFree 5 kB\n" +
        " MemFree: 6 kB\n" + std::string("\x00\xff\x01:\x02", 5) + "\n" + "\n\n" +
        "MemFree: 9 kB\n" + "Active: lots\n" + "Inactive: 3 kB trailing\n" + "Unevictable: 12MB\n" +
        "SUnreclaim: -4 kB\n" + "KernelStack: 4kB\n" + "PageTables: 0x10 kB\n";
    const MemInfo info = parseMemInfo(text);
    EXPECT_EQ(info.memFree, 9u);  // the garbage before it did not count as an occurrence
    EXPECT_FALSE(info.active);
    EXPECT_FALSE(info.inactive);
    EXPECT_FALSE(info.unevictable);
    EXPECT_FALSE(info.sUnreclaim);
    EXPECT_FALSE(info.kernelStack);
    EXPECT_FALSE(info.pageTables);
}

TEST(MemInfoParse, UnknownFieldsAndUnitlessValuesAreIgnored) {
    const MemInfo info = parseMemInfo(
        "HugePages_Total:       0\nHugePages_Free: 12\nNewFieldOf2030: 77 kB\n"
        "Active(anon): 11 kB\nInactive(file): 12 kB\nActive: 5 kB\n");
    EXPECT_EQ(info.active, 5u);   // not Active(anon)
    EXPECT_FALSE(info.inactive);  // not Inactive(file)
    MemInfo expected;
    expected.active = 5;
    EXPECT_EQ(info, expected);
}

TEST(MemInfoMapping, RequiredFieldsMissingIsAFailedRead) {
    const std::string full = "MemFree: 4 kB\nActive: 8 kB\nInactive: 12 kB\n";
    ASSERT_TRUE(vmStatisticsFromMemInfo(parseMemInfo(full)));
    for (const char* missing : {"MemFree", "Active", "Inactive"}) {
        std::string text;
        std::istringstream lines(full);
        std::string line;
        while (std::getline(lines, line)) {
            if (line.rfind(std::string(missing) + ":", 0) != 0) {
                text += line + "\n";
            }
        }
        EXPECT_FALSE(vmStatisticsFromMemInfo(parseMemInfo(text))) << "without " << missing;
    }
    // Only the three are required: no MemTotal, no wired fields, still a reading.
    const auto stats = vmStatisticsFromMemInfo(parseMemInfo(full));
    EXPECT_EQ(stats->free, 4096u);
    EXPECT_EQ(stats->active, 8192u);
    EXPECT_EQ(stats->inactive, 12288u);
    EXPECT_EQ(stats->wired, 0u);
}

TEST(MemInfoMapping, WiredSumsThePresentFields) {
    const std::string base = "MemFree: 4 kB\nActive: 4 kB\nInactive: 4 kB\n";
    const std::string older = base +
                              "Unevictable: 4096 kB\nSUnreclaim: 8192 kB\n"
                              "KernelStack: 1024 kB\nPageTables: 3072 kB\n";
    const auto wired = [](const std::string& text) {
        return vmStatisticsFromMemInfo(parseMemInfo(text))->wired / 1024;
    };
    EXPECT_EQ(wired(older), 4096u + 8192u + 1024u + 3072u);       // before 3.15: neither
    EXPECT_EQ(wired(older + "Percpu: 400 kB\n"), 16384u + 400u);  // 3.15 to 6.0
    EXPECT_EQ(wired(older + "Percpu: 400 kB\nSecPageTables: 1600 kB\n"), 16384u + 400u + 1600u);
}

TEST(MemInfoMapping, LargestValuesDoNotOverflow) {
    const std::string max = std::to_string(kMaxKilobytes);
    std::string text;
    for (const char* key : {"MemFree", "Active", "Inactive", "Unevictable", "SUnreclaim",
                            "KernelStack", "PageTables", "SecPageTables", "Percpu"}) {
        text += std::string(key) + ": " + max + " kB\n";
    }
    const auto stats = vmStatisticsFromMemInfo(parseMemInfo(text));
    ASSERT_TRUE(stats);
    EXPECT_EQ(stats->free, kMaxKilobytes * 1024);
    // Six maxima would not fit in bytes: the sum stops at the largest count.
    EXPECT_EQ(stats->wired, kMaxKilobytes * 1024);
}

}  // namespace
}  // namespace headroom

// ProcHostMemory on the real /proc, on fixture roots and on broken roots, and the memory limits
// above the process: the text of the kernel's files, then a real cgroup.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "platform/linux/CgroupMemoryLimit.h"
#include "platform/linux/MemInfo.h"
#include "platform/linux/ProcHostMemory.h"

namespace headroom {
namespace {

using test::fixturePath;
using test::readFile;
using test::TempDir;
using test::writeFile;

constexpr std::uint64_t kGiB = 1024ull * 1024 * 1024;

std::uint64_t sysconfPhysicalBytes() {
    return static_cast<std::uint64_t>(::sysconf(_SC_PHYS_PAGES)) *
           static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
}

/// Whether /proc/meminfo is replaced by a mount (lxcfs in a container): then it describes the
/// container's limit, not the machine's RAM.
bool meminfoIsVirtualized() {
    return readFile("/proc/self/mountinfo").find(" /proc/meminfo ") != std::string::npos;
}

std::uint64_t realMemAvailableBytes() {
    return *parseMemInfo(readFile("/proc/meminfo")).memAvailable * 1024;
}

TEST(ProcHostMemory, RealProc) {
    ProcHostMemory memory("/proc");
    std::string failure;
    const auto stats = memory.statistics(failure);
    ASSERT_TRUE(stats) << failure;
    EXPECT_TRUE(failure.empty());
    const std::uint64_t physical = memory.physicalMemory();
    EXPECT_GT(stats->free, 0u);
    EXPECT_LE(stats->free, physical);
    EXPECT_LE(stats->active + stats->inactive, physical);
    EXPECT_LT(stats->wired, physical);
    // Again and again through the descriptor kept open: a new snapshot each time.
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(memory.statistics(failure)) << failure;
    }
    EXPECT_EQ(physical, *parseMemInfo(readFile("/proc/meminfo")).memTotal * 1024);
    // MemTotal is totalram_pages (si_meminfo); glibc's _SC_PHYS_PAGES is sysinfo().totalram,
    // the same count. They agree to the byte unless a container replaces /proc/meminfo.
    if (meminfoIsVirtualized()) {
        EXPECT_LE(physical, sysconfPhysicalBytes());
    } else {
        EXPECT_EQ(physical, sysconfPhysicalBytes());
    }
}

TEST(ProcHostMemory, AFixtureRootGivesTheFiguresShownAndNothingElse) {
    // The fixture says 1 TiB installed and 1 kB available; the cleaner must see the real
    // machine instead.
    TempDir dir;
    writeFile(dir / "meminfo",
              "MemTotal: 1073741824 kB\nMemFree: 512 kB\nMemAvailable: 1 kB\nActive: 256 kB\n"
              "Inactive: 128 kB\n");
    ProcHostMemory memory(dir.path());
    EXPECT_EQ(memory.physicalMemory(), 1024 * kGiB);
    const std::uint64_t before = realMemAvailableBytes();
    const auto machine = memory.machineMemory();
    const std::uint64_t after = realMemAvailableBytes();
    ASSERT_TRUE(machine);
    EXPECT_EQ(machine->total, *parseMemInfo(readFile("/proc/meminfo")).memTotal * 1024);
    // The machine's figure moves a little between reads; allow 64 MiB either side.
    const std::uint64_t slack = 64ull * 1024 * 1024;
    EXPECT_GE(machine->available + slack, std::min(before, after));
    EXPECT_LE(machine->available, std::max(before, after) + slack);
    EXPECT_LE(machine->available, machine->total);

    // The installed memory is read once and kept; the statistics follow the file, and one
    // replaced by rename, as a fixture is, is seen at the next read.
    writeFile(dir / "meminfo",
              "MemTotal: 1024 kB\nMemFree: 256 kB\nActive: 256 kB\nInactive: 1 kB\n");
    EXPECT_EQ(memory.physicalMemory(), 1024 * kGiB);
    std::string failure;
    EXPECT_EQ(memory.statistics(failure)->free, 256u * 1024);
    writeFile(dir / "next", "MemFree: 128 kB\nActive: 256 kB\nInactive: 1 kB\n");
    ASSERT_EQ(std::rename((dir / "next").c_str(), (dir / "meminfo").c_str()), 0);
    EXPECT_EQ(memory.statistics(failure)->free, 128u * 1024);
}

TEST(ProcHostMemory, RootsAreCheckedAndBrokenOnesSayWhatIsWrongInOneLine) {
    TempDir dir;
    writeFile(dir / "meminfo", "MemTotal: 100 kB\nActive: 5 kB\nInactive: 5 kB\nsomething\n");
    // Trailing slashes give no doubled slash in the path named.
    const std::string missing = "/nonexistent/headroom-procfs";
    const std::pair<std::string, std::optional<std::string>> roots[] = {
        {"/proc", std::nullopt},
        {"/proc/", std::nullopt},
        {fixturePath("proc/machine8g"), std::nullopt},
        {fixturePath("proc/real"), std::nullopt},  // a capture made as root
        {missing + "//", missing + "/meminfo: No such file or directory"},
        {dir.path(), (dir / "meminfo") + " is not a meminfo file"},
    };
    for (const auto& [root, says] : roots) {
        const auto problem = ProcHostMemory::checkProcfs(root);
        ASSERT_EQ(problem.has_value(), says.has_value()) << root;
        if (problem) {
            EXPECT_NE(problem->find("--procfs " + root + ": "), std::string::npos) << *problem;
            EXPECT_NE(problem->find(*says), std::string::npos) << *problem;
            EXPECT_EQ(problem->find('\n'), std::string::npos) << "one line";
        }
    }
    // The monitor's reads fail naming the file; the installed memory is the system's count of
    // pages when there is no MemTotal to read, MemTotal when there is.
    ProcHostMemory absent(missing);
    std::string failure;
    EXPECT_FALSE(absent.statistics(failure));
    EXPECT_NE(failure.find(missing + "/meminfo"), std::string::npos) << failure;
    EXPECT_EQ(absent.physicalMemory(), sysconfPhysicalBytes());
    ProcHostMemory broken(dir.path());
    EXPECT_FALSE(broken.statistics(failure));
    EXPECT_EQ(failure, (dir / "meminfo") + " lacks MemFree, Active or Inactive");
    EXPECT_EQ(broken.physicalMemory(), 100u * 1024);
}

TEST(CgroupMemoryLimit, ReadsThePathOfEachHierarchyAndTheByteValues) {
    const std::string hybrid = "9:name=systemd:/user.slice\n5:cpu,memory:/docker/abc\n0::/init\n";
    const std::vector<std::tuple<std::string, std::string, std::optional<std::string>>> paths = {
        {hybrid, "", "/init"},
        {hybrid, "memory", "/docker/abc"},
        {hybrid, "mem", std::nullopt},
        {"1:memory:/a\n", "", std::nullopt},  // v1 only: no v2 line
        {"0::relative\n", "", std::nullopt},
        {"0::/a/../../etc\n", "", std::nullopt},
    };
    for (const auto& [text, controller, path] : paths) {
        const auto found = cgroupPath(text, controller);
        EXPECT_EQ(found ? std::optional<std::string>(*found) : std::nullopt, path)
            << text << " / " << controller;
    }
    const std::vector<std::pair<std::string, std::optional<std::uint64_t>>> values = {
        {"max\n", UINT64_MAX},  {"1073741824\n", kGiB}, {"", std::nullopt},
        {"-1\n", std::nullopt}, {" 5\n", std::nullopt}, {"18446744073709551616\n", std::nullopt},
    };
    for (const auto& [text, value] : values) {
        EXPECT_EQ(parseCgroupBytes(text), value) << text;
    }
}

/// A cgroup limited to 1 GiB with an unlimited one inside it, for the test's time: in the v2
/// tree where its root hands out the memory controller, else in the v1 memory hierarchy of a
/// hybrid system. Needs root.
struct LimitedCgroup {
    LimitedCgroup() {
        const bool v2 = test::readFile("/sys/fs/cgroup/cgroup.subtree_control").find("memory") !=
                        std::string::npos;
        outer = std::string(v2 ? "/sys/fs/cgroup" : "/sys/fs/cgroup/memory") + "/headroom-test-" +
                std::to_string(::getpid());
        if (::mkdir(outer.c_str(), 0755) != 0 || ::mkdir(inner().c_str(), 0755) != 0) {
            ::rmdir(outer.c_str());
            outer.clear();
            return;
        }
        test::writeFile(outer + (v2 ? "/memory.max" : "/memory.limit_in_bytes"),
                        std::to_string(kGiB));
        if (v2) {
            test::writeFile(outer + "/cgroup.subtree_control", "+memory");
        }
    }
    ~LimitedCgroup() {
        ::rmdir(inner().c_str());
        ::rmdir(outer.c_str());
    }
    std::string inner() const { return outer + "/inner"; }
    std::string outer;
};

TEST(CgroupMemoryLimit, AProcessInsideALimitedCgroupIsBoundByItsAncestorsLimit) {
    LimitedCgroup cgroup;
    if (cgroup.outer.empty()) {
        GTEST_SKIP() << "cannot make a memory-limited cgroup here (root and a memory controller "
                        "are needed)";
    }
    // In a child that moves itself into the inner cgroup; its own few MiB are charged there.
    EXPECT_EXIT(
        {
            test::writeFile(cgroup.inner() + "/cgroup.procs", std::to_string(::getpid()));
            const auto limit = readOwnCgroupMemoryLimit();
            const auto machine = ProcHostMemory().machineMemory();
            const bool fits = limit && machine && limit->headroom > kGiB - kGiB / 4 &&
                              limit->headroom < kGiB && machine->available <= limit->headroom;
            std::fprintf(stderr, "limit=%llu total=%llu fits=%d\n",
                         limit ? static_cast<unsigned long long>(limit->limit) : 0ULL,
                         machine ? static_cast<unsigned long long>(machine->total) : 0ULL, fits);
            std::_Exit(0);
        },
        testing::ExitedWithCode(0), "limit=1073741824 total=1073741824 fits=1");
}

}  // namespace
}  // namespace headroom

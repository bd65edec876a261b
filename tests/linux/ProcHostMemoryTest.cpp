// ProcHostMemory on the real /proc, on fixture roots and on broken roots.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <utility>

#include "TestSupport.h"
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

TEST(ProcHostMemory, PageSizeIsTheSystems) {
    ProcHostMemory memory;
    EXPECT_EQ(memory.pageSize(), static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE)));
}

TEST(ProcHostMemory, RealProcStatistics) {
    ProcHostMemory memory("/proc");
    const auto stats = memory.statistics();
    ASSERT_TRUE(stats) << memory.lastError();
    EXPECT_TRUE(memory.lastError().empty());
    const std::uint64_t physical = memory.physicalMemory();
    const std::uint64_t page = memory.pageSize();
    EXPECT_GT(stats->freeCount, 0u);
    EXPECT_LE(stats->freeCount * page, physical);
    EXPECT_LE((stats->activeCount + stats->inactiveCount) * page, physical);
    EXPECT_LT(stats->wireCount * page, physical);
    EXPECT_EQ(stats->speculativeCount, 0u);
}

TEST(ProcHostMemory, RealPhysicalMemoryIsMemTotalAndMatchesSysconf) {
    ProcHostMemory memory;
    const std::uint64_t physical = memory.physicalMemory();
    EXPECT_EQ(physical, *parseMemInfo(readFile("/proc/meminfo")).memTotal * 1024);
    // MemTotal is totalram_pages (si_meminfo); glibc's _SC_PHYS_PAGES is sysinfo().totalram,
    // the same count. They agree to the byte unless a container replaces /proc/meminfo.
    if (meminfoIsVirtualized()) {
        EXPECT_LE(physical, sysconfPhysicalBytes());
    } else {
        EXPECT_EQ(physical, sysconfPhysicalBytes());
    }
}

TEST(ProcHostMemory, FixtureRootExactly) {
    ProcHostMemory memory(fixturePath("proc/machine8g"));
    EXPECT_EQ(memory.physicalMemory(), 8 * kGiB);
    const auto stats = memory.statistics();
    ASSERT_TRUE(stats) << memory.lastError();
    const std::uint64_t page = memory.pageSize();
    EXPECT_EQ(stats->freeCount * page, 2 * kGiB);
    EXPECT_EQ(stats->activeCount * page, 2621440ull * 1024);
    EXPECT_EQ(stats->inactiveCount * page, 1572864ull * 1024);
    EXPECT_EQ(stats->wireCount * page, 256ull * 1024 * 1024);
    EXPECT_EQ(stats->speculativeCount, 0u);
}

TEST(ProcHostMemory, RealCaptureAsRoot) {
    ProcHostMemory memory(fixturePath("proc/real"));
    EXPECT_TRUE(memory.statistics());
    EXPECT_EQ(memory.physicalMemory(),
              *parseMemInfo(readFile(fixturePath("proc/real/meminfo"))).memTotal * 1024);
}

TEST(ProcHostMemory, MachineMemoryReadsTheRealProcEvenWithAFixtureRoot) {
    // The fixture says 1 TiB installed and 1 kB available; the cleaner must see the real
    // machine instead.
    TempDir dir;
    std::string text = readFile(fixturePath("proc/machine8g/meminfo"));
    for (const auto& [from, to] :
         {std::pair<std::string, std::string>{"MemAvailable:    4194304 kB",
                                              "MemAvailable:          1 kB"},
          {"MemTotal:        8388608 kB", "MemTotal:     1073741824 kB"}}) {
        ASSERT_NE(text.find(from), std::string::npos) << from;
        text.replace(text.find(from), from.size(), to);
    }
    writeFile(dir / "meminfo", text);

    ProcHostMemory memory(dir.path());
    const std::uint64_t before = realMemAvailableBytes();
    const auto machine = memory.machineMemory();
    const std::uint64_t after = realMemAvailableBytes();
    ASSERT_TRUE(machine) << memory.lastError();
    EXPECT_EQ(machine->total, *parseMemInfo(readFile("/proc/meminfo")).memTotal * 1024);
    EXPECT_NE(memory.physicalMemory(), machine->total);
    // The machine's figure moves a little between reads; allow 64 MiB either side.
    const std::uint64_t slack = 64ull * 1024 * 1024;
    EXPECT_GE(machine->available + slack, std::min(before, after));
    EXPECT_LE(machine->available, std::max(before, after) + slack);
    EXPECT_LE(machine->available, machine->total);
}

TEST(ProcHostMemory, PhysicalMemoryIsReadOnceAndKept) {
    TempDir dir;
    writeFile(dir / "meminfo", readFile(fixturePath("proc/machine8g/meminfo")));
    ProcHostMemory memory(dir.path());
    EXPECT_EQ(memory.physicalMemory(), 8 * kGiB);
    writeFile(dir / "meminfo",
              "MemTotal: 1024 kB\nMemFree: 512 kB\nActive: 256 kB\nInactive: 128 kB\n");
    EXPECT_EQ(memory.physicalMemory(), 8 * kGiB);
    // The statistics follow the file.
    ASSERT_TRUE(memory.statistics());
    EXPECT_EQ(memory.statistics()->freeCount * memory.pageSize(), 512u * 1024);
}

TEST(ProcHostMemory, MissingRoot) {
    const std::string root = "/nonexistent/headroom-procfs";
    const auto problem = ProcHostMemory::checkProcfs(root);
    ASSERT_TRUE(problem);
    EXPECT_NE(problem->find(root + "/meminfo"), std::string::npos) << *problem;
    EXPECT_NE(problem->find("No such file or directory"), std::string::npos) << *problem;
    EXPECT_EQ(problem->find('\n'), std::string::npos) << "one line";

    ProcHostMemory memory(root);
    EXPECT_FALSE(memory.statistics());
    EXPECT_NE(memory.lastError().find(root), std::string::npos);
    // No MemTotal to read: the system's count of pages stands in.
    EXPECT_EQ(memory.physicalMemory(), sysconfPhysicalBytes());
}

TEST(ProcHostMemory, RootWhoseMeminfoIsNotMeminfo) {
    TempDir dir;
    writeFile(dir / "meminfo", "MemTotal: 100 kB\nActive: 5 kB\nsomething else\n");
    const auto problem = ProcHostMemory::checkProcfs(dir.path());
    ASSERT_TRUE(problem);
    EXPECT_NE(problem->find("MemFree"), std::string::npos) << *problem;
    EXPECT_NE(problem->find("Inactive"), std::string::npos) << *problem;
    EXPECT_EQ(problem->find("MemTotal"), std::string::npos) << *problem;
    EXPECT_EQ(problem->find('\n'), std::string::npos);

    ProcHostMemory memory(dir.path());
    EXPECT_FALSE(memory.statistics());
    EXPECT_FALSE(memory.lastError().empty());
    EXPECT_EQ(memory.physicalMemory(), 100u * 1024);
}

TEST(ProcHostMemory, GoodRootsPassTheCheck) {
    EXPECT_EQ(ProcHostMemory::checkProcfs("/proc"), std::nullopt);
    EXPECT_EQ(ProcHostMemory::checkProcfs("/proc/"), std::nullopt);
    EXPECT_EQ(ProcHostMemory::checkProcfs(fixturePath("proc/machine8g")), std::nullopt);
    EXPECT_EQ(ProcHostMemory::checkProcfs(fixturePath("proc/real")), std::nullopt);
}

TEST(ProcHostMemory, MeminfoPath) {
    EXPECT_EQ(ProcHostMemory::meminfoPath("/proc"), "/proc/meminfo");
    EXPECT_EQ(ProcHostMemory::meminfoPath("/proc//"), "/proc/meminfo");
    EXPECT_EQ(ProcHostMemory::meminfoPath("/"), "/meminfo");
    EXPECT_EQ(ProcHostMemory::meminfoPath("fixtures"), "fixtures/meminfo");
}

}  // namespace
}  // namespace headroom

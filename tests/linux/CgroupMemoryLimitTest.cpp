// The memory limits above the process: the text of the kernel's files, then a real cgroup.

#include "platform/linux/CgroupMemoryLimit.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "platform/linux/ProcHostMemory.h"

namespace headroom {
namespace {

constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;
constexpr std::uint64_t kMax = UINT64_MAX;

TEST(CgroupMemoryLimit, ReadsThePathOfEachHierarchyAndTheByteValues) {
    const std::string hybrid = "9:name=systemd:/user.slice\n5:cpu,memory:/docker/abc\n0::/init\n";
    const std::vector<std::tuple<std::string, std::string, std::optional<std::string>>> paths = {
        {"0::/user.slice/app-x.scope\n", "", "/user.slice/app-x.scope"},
        {hybrid, "", "/init"},
        {hybrid, "memory", "/docker/abc"},
        {hybrid, "cpu", "/docker/abc"},
        {hybrid, "mem", std::nullopt},
        {"0::/\n", "", "/"},
        {"1:memory:/a\n", "", std::nullopt},  // v1 only: no v2 line
        {"0::relative\n", "", std::nullopt},
        {"0::/a/../../etc\n", "", std::nullopt},
        {"garbage", "", std::nullopt},
        {"", "memory", std::nullopt},
    };
    for (const auto& [text, controller, path] : paths) {
        const auto found = cgroupPath(text, controller);
        EXPECT_EQ(found ? std::optional<std::string>(*found) : std::nullopt, path)
            << text << " / " << controller;
    }
    const std::vector<std::pair<std::string, std::optional<std::uint64_t>>> values = {
        {"max\n", kMax},           {"1073741824\n", kGiB}, {"0\n", 0},
        {"", std::nullopt},        {"-1\n", std::nullopt}, {"+5\n", std::nullopt},
        {" 5\n", std::nullopt},    {"5 \n", std::nullopt}, {"18446744073709551616\n", std::nullopt},
        {"maximum", std::nullopt},
    };
    for (const auto& [text, value] : values) {
        EXPECT_EQ(parseCgroupBytes(text), value) << text;
    }
}

/// A cgroup limited to 1 GiB with an unlimited one inside it, made for the test and removed at
/// its end: in the v2 tree where its root hands out the memory controller, else in the v1
/// memory hierarchy of a hybrid system. Needs root.
class LimitedCgroup {
  public:
    LimitedCgroup() {
        const std::string name = "/headroom-test-" + std::to_string(::getpid());
        if (test::readFile("/sys/fs/cgroup/cgroup.subtree_control").find("memory") !=
            std::string::npos) {
            outer_ = "/sys/fs/cgroup" + name;
            if (::mkdir(outer_.c_str(), 0755) == 0) {
                test::writeFile(outer_ + "/memory.max", std::to_string(kGiB));
                test::writeFile(outer_ + "/cgroup.subtree_control", "+memory");
            }
        } else if (::access("/sys/fs/cgroup/memory/memory.limit_in_bytes", F_OK) == 0) {
            outer_ = "/sys/fs/cgroup/memory" + name;
            if (::mkdir(outer_.c_str(), 0755) == 0) {
                test::writeFile(outer_ + "/memory.limit_in_bytes", std::to_string(kGiB));
            }
        }
        if (!outer_.empty() && ::mkdir(inner().c_str(), 0755) != 0) {
            outer_.clear();
        }
    }
    ~LimitedCgroup() {
        if (!outer_.empty()) {
            ::rmdir(inner().c_str());
            ::rmdir(outer_.c_str());
        }
    }
    bool made() const { return !outer_.empty(); }
    std::string inner() const { return outer_ + "/inner"; }

  private:
    std::string outer_;
};

TEST(CgroupMemoryLimit, AProcessInsideALimitedCgroupIsBoundByItsAncestorsLimit) {
    LimitedCgroup cgroup;
    if (!cgroup.made()) {
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

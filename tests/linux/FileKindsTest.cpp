// Files from outside that are not regular files (FIFOs, devices, folders) or are too large:
// every reader refuses them at once with a line that names them, and nothing replaces them.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "AppFixtureSupport.h"
#include "KeyFileTestSupport.h"
#include "platform/linux/KeyFilePreferenceStore.h"
#include "platform/linux/ProcHostMemory.h"
#include "platform/linux/ProcWorkspace.h"
#include "platform/linux/RegularFile.h"

namespace headroom {
namespace {

using test::contains;
using test::RecordingLog;
using test::Status;
using test::TempDir;
using test::writeFile;

struct Kind {
    std::string name;  ///< also the folder the file is made in
    std::string says;  ///< what the refusal says about it
};

/// Makes `path` as a file of kind `kind`: a FIFO, device nodes made with mknod (links to the
/// system's own nodes when mknod is not allowed), a folder, a link to /dev/zero, and a sparse
/// file larger than any limit.
void make(const std::string& kind, const std::string& path) {
    const auto device = [&path](unsigned minor, const char* fallback) {
        if (::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, minor)) != 0) {
            std::filesystem::create_symlink(fallback, path);
        }
    };
    if (kind == "fifo") {
        ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    } else if (kind == "null") {
        device(3, "/dev/null");
    } else if (kind == "zero") {
        device(5, "/dev/zero");
    } else if (kind == "link-to-zero") {
        std::filesystem::create_symlink("/dev/zero", path);
    } else if (kind == "folder") {
        std::filesystem::create_directory(path);
    } else if (kind == "huge") {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, off_t{ProcHostMemory::kMeminfoLimit} + 1), 0);
        ::close(fd);
    }
}

/// The type of `path` itself (not of what a link names), to see that it was not replaced.
mode_t typeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & S_IFMT;
}

TEST(FileKinds, AreRefusedAtOnceNamedAndNeverReplaced) {
    const Kind kinds[] = {
        {"fifo", "a FIFO"},
        {"null", "a character device"},
        {"zero", "a character device"},
        {"link-to-zero", "a character device"},
        {"folder", "a folder"},
        {"huge", "larger than"},
    };
    for (const Kind& kind : kinds) {
        SCOPED_TRACE(kind.name);
        // The browser's first process has a statm of this kind; every file of the second is.
        test::AppFixture fixture;
        test::AppFixture::copyEntry(fixture.dataApplications(), "firefox-esr.desktop");
        const std::string root = fixture.procfs();
        const std::string cgroup =
            test::AppFixture::appSlice(R"(app-gnome-firefox\x2desr-4242.scope)");
        fixture.addProcess(4242, cgroup);
        fixture.addProcess(4343, cgroup);
        std::filesystem::remove(root + "/4242/statm");
        make(kind.name, root + "/4242/statm");
        for (const char* file : {"/4343/statm", "/4343/cgroup", "/4343/environ", "/4343/stat"}) {
            std::filesystem::remove(root + file);
            make(kind.name, root + file);
        }
        const std::string meminfo = root + "/meminfo";
        make(kind.name, meminfo);
        const mode_t before = typeOf(meminfo);

        // The monitor's reader (the command line's check is run end to end).
        ProcHostMemory memory(root);
        std::string failure;
        EXPECT_FALSE(memory.statistics(failure));
        EXPECT_TRUE(contains(failure, meminfo)) << failure;
        EXPECT_TRUE(contains(failure, kind.says)) << failure;

        // A process's files: the application cannot be measured (which file says why), and
        // the other process's cgroup and environment make it no application.
        ProcWorkspace workspace(root);
        const auto applications = workspace.runningApplications();
        ASSERT_EQ(applications.size(), 1u);
        const ResidentSizeReading& reading = applications[0].residentSize;
        EXPECT_EQ(reading.status, ResidentSizeReading::Status::Unreadable);
        EXPECT_TRUE(contains(reading.problem, root + "/4242/statm")) << reading.problem;
        EXPECT_TRUE(contains(reading.problem, kind.says)) << reading.problem;

        // The preference store: not loaded, and a write never replaces the file. What is not a
        // regular file is said by the caller, once; a file too large, by the store.
        RecordingLog log;
        const bool huge = kind.name == "huge";
        auto store = test::open(meminfo, log, huge ? Status::Unreadable : Status::NotRegular);
        store->setBool(true, "isShowIcon");
        store->setInteger(7, "refreshInterval");
        EXPECT_TRUE(store->boolForKey("isShowIcon"));
        EXPECT_EQ(typeOf(meminfo), before);
        EXPECT_EQ(log.lines.size(), huge ? 1u : 0u);
        if (huge) {
            EXPECT_EQ(std::filesystem::file_size(meminfo), ProcHostMemory::kMeminfoLimit + 1);
        }
    }
}

TEST(FileKinds, RegularFilesAreReadWholeUpToTheirBound) {
    TempDir dir;
    std::string big;
    for (int i = 0; big.size() < 100000; ++i) {
        big += "line " + std::to_string(i) + "\n";
    }
    writeFile(dir / "big", big);
    writeFile(dir / "empty", "");
    std::string text;
    std::string reason;
    EXPECT_EQ(readRegularFile(dir / "big", big.size(), text, reason), FileStatus::Ok) << reason;
    EXPECT_EQ(text, big);
    EXPECT_EQ(readRegularFile(dir / "big", big.size() - 1, text, reason), FileStatus::TooLarge);
    EXPECT_TRUE(contains(reason, dir / "big")) << reason;
    EXPECT_EQ(text, big.substr(0, big.size() - 1));  // its start, for callers that need no more
    EXPECT_EQ(readRegularFile(dir / "empty", 1, text, reason), FileStatus::Ok);
    EXPECT_TRUE(text.empty());
    EXPECT_EQ(readRegularFile(dir / "missing", 1, text, reason), FileStatus::Missing);
    EXPECT_TRUE(contains(reason, (dir / "missing") + ": No such file or directory")) << reason;
    // The kernel's files say size 0 and are read to their end; smaps is larger than one read.
    EXPECT_EQ(readRegularFile("/proc/self/smaps", std::size_t{1} << 24, text, reason),
              FileStatus::Ok);
    EXPECT_GT(text.size(), 16384u);
    EXPECT_EQ(text.back(), '\n');
}

}  // namespace
}  // namespace headroom

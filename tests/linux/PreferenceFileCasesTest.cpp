// The preference file as users keep it: read-only, linked from a dotfiles folder, edited by
// hand (or by our other program) while Headroom runs, and left with temporary files by a
// killed run.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "KeyFileTestSupport.h"
#include "TestSupport.h"
#include "platform/linux/KeyFilePreferenceStore.h"

namespace headroom {
namespace {

using test::contains;
using test::open;
using test::readFile;
using test::RecordingLog;
using test::Status;
using test::TempDir;
using test::writeFile;

mode_t modeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

TEST(PreferenceFileCases, ReadOnlyFileIsNeverRewrittenAndSaysSoOnce) {
    TempDir dir;
    RecordingLog log;
    const std::string path = dir / "preferences.ini";
    const std::string original = "# mine\n[Preferences]\nmemoryLevel=300\n";
    writeFile(path, original);
    ::chmod(path.c_str(), 0444);
    auto store = open(path, log, Status::Loaded);

    store->setBool(true, "isShowIcon");
    store->setInteger(9, "refreshInterval");
    EXPECT_EQ(readFile(path), original);
    EXPECT_EQ(modeOf(path), 0444u);
    EXPECT_TRUE(store->boolForKey("isShowIcon"));  // kept for the session
    EXPECT_EQ(store->integerForKey("refreshInterval"), 9);
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_TRUE(contains(log.lines[0], path + " is read-only")) << log.lines[0];
    EXPECT_EQ(dir.list(), std::vector<std::string>{"preferences.ini"});

    // Made writable again, the next change saves everything held, in the file's own mode.
    ::chmod(path.c_str(), 0640);
    store->setBool(false, "isShowText");
    EXPECT_EQ(modeOf(path), 0640u);
    auto reopened = open(path, log, Status::Loaded);
    EXPECT_EQ(reopened->integerForKey("memoryLevel"), 300);
    EXPECT_EQ(reopened->integerForKey("refreshInterval"), 9);
    EXPECT_TRUE(reopened->boolForKey("isShowIcon"));
    EXPECT_TRUE(contains(readFile(path), "# mine"));
}

TEST(PreferenceFileCases, LinkIsFollowedAndTheTargetReplacedInItsOwnFolder) {
    TempDir dir;
    RecordingLog log;
    std::filesystem::create_directories(dir / "dotfiles");
    std::filesystem::create_directories(dir / "config/headroom");
    const std::string target = dir / "dotfiles/headroom.ini";
    writeFile(target, "[Preferences]\nmemoryLevel=300\n");
    ::chmod(target.c_str(), 0600);
    // A link to a link, the first one relative, as dotfiles managers make them.
    std::filesystem::create_symlink(target, dir / "dotfiles/current.ini");
    const std::string path = dir / "config/headroom/preferences.ini";
    std::filesystem::create_symlink("../../dotfiles/current.ini", path);

    auto store = open(path, log, Status::Loaded);
    store->setInteger(2, "refreshInterval");
    EXPECT_TRUE(log.lines.empty()) << log.lines[0];
    EXPECT_TRUE(std::filesystem::is_symlink(path));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "dotfiles/current.ini"));
    EXPECT_EQ(readFile(target), "[Preferences]\nmemoryLevel=300\nrefreshInterval=2\n");
    EXPECT_EQ(modeOf(target), 0600u);
    // No temporary file is left in either folder.
    EXPECT_EQ(std::filesystem::directory_entry(dir / "config/headroom").exists(), true);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "config/headroom"), {}), 1);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "dotfiles"), {}), 2);
}

TEST(PreferenceFileCases, OnlyChangedKeysAreWrittenSoEditsMadeMeanwhileSurvive) {
    TempDir dir;
    RecordingLog log;
    const std::string path = dir / "preferences.ini";
    writeFile(path, "[Preferences]\nmemoryLevel=200\nisShowIcon=true\n");
    auto tray = open(path, log, Status::Loaded);
    auto welcome = open(path, log, Status::Loaded);  // our second program, on the same file

    // Edited by hand while both run: a new value, a comment and a key of its own.
    writeFile(path, "[Preferences]\n# raised by hand\nmemoryLevel=900\nisShowIcon=true\nmine=1\n");
    tray->setBool(false, "isShowIcon");
    welcome->setBool(true, "Show");
    tray->setInteger(3, "refreshInterval");

    auto reopened = open(path, log, Status::Loaded);
    EXPECT_EQ(reopened->integerForKey("memoryLevel"), 900);
    EXPECT_FALSE(reopened->boolForKey("isShowIcon"));
    EXPECT_TRUE(reopened->boolForKey("Show"));
    EXPECT_EQ(reopened->integerForKey("refreshInterval"), 3);
    EXPECT_TRUE(reopened->valueForKey("mine"));
    EXPECT_TRUE(contains(readFile(path), "# raised by hand"));
    // The store that saved last reads what is on disk now.
    EXPECT_EQ(tray->integerForKey("memoryLevel"), 900);

    // A file broken by an edit in progress is not saved over; the change waits for the next.
    writeFile(path, "[Preferences\nhalf an edit");
    tray->setInteger(4, "refreshInterval");
    EXPECT_EQ(readFile(path), "[Preferences\nhalf an edit");
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_TRUE(contains(log.lines[0], "not a valid key file now")) << log.lines[0];
    writeFile(path, "[Preferences]\nmemoryLevel=100\n");
    tray->setBool(true, "isShowText");
    reopened = open(path, log, Status::Loaded);
    EXPECT_EQ(reopened->integerForKey("memoryLevel"), 100);
    EXPECT_EQ(reopened->integerForKey("refreshInterval"), 4);
}

TEST(PreferenceFileCases, WritersAtTheSameTimeLoseNoChange) {
    // The tray and the welcome window save the same file; here three stores do, at once.
    TempDir dir;
    RecordingLog log;
    const std::string path = dir / "preferences.ini";
    constexpr int kKeys = 100;
    const auto writer = [&path, &log](char name) {
        auto store = std::make_unique<KeyFilePreferenceStore>(path, log);
        std::string message;
        store->load(message);
        for (int i = 0; i < kKeys; ++i) {
            store->setInteger(i, name + std::to_string(i));
        }
    };
    std::thread a(writer, 'a'), b(writer, 'b'), c(writer, 'c');
    a.join();
    b.join();
    c.join();
    auto reopened = open(path, log, Status::Loaded);
    int lost = 0;
    for (const char name : {'a', 'b', 'c'}) {
        for (int i = 0; i < kKeys; ++i) {
            lost += reopened->integerForKey(name + std::to_string(i)) != i ? 1 : 0;
        }
    }
    EXPECT_EQ(lost, 0);
    EXPECT_TRUE(log.lines.empty());
    EXPECT_EQ(dir.list(), std::vector<std::string>{"preferences.ini"});
}

TEST(PreferenceFileCases, TemporaryFilesOfAKilledRunAreRemovedAtLoad) {
    TempDir dir;
    RecordingLog log;
    const std::string path = dir / "preferences.ini";
    writeFile(path, "[Preferences]\n");
    for (const char* name : {"preferences.ini.Ab12Cd", "preferences.ini.ZZZZZZ"}) {
        writeFile(dir / name, "[Preferences]\nhalf");
    }
    // Not ours to remove: a backup, other files' temporaries, other names, a live writer's.
    const std::vector<std::string> kept = {"other.ini.Ab12Cd",
                                           "preferences.ini",
                                           "preferences.ini.Ab12C",
                                           "preferences.ini.Ab12Cde",
                                           "preferences.ini.corrupt-20260101-000000",
                                           "preferences.ini.Live01"};
    for (const std::string& name : kept) {
        if (name != "preferences.ini") {
            writeFile(dir / name, "x");
        }
    }
    const int live = ::open((dir / "preferences.ini.Live01").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(live, 0);
    ASSERT_EQ(::flock(live, LOCK_EX), 0);

    auto store = open(path, log, Status::Loaded);
    ::close(live);
    auto sorted = kept;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(dir.list(), sorted);
    EXPECT_TRUE(log.lines.empty());
}

}  // namespace
}  // namespace headroom

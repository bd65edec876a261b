// The preference file as users keep it: read-only, linked from a dotfiles folder, edited by
// hand (or by our other program) while Headroom runs, left with temporary files by a killed
// run, corrupt, or in a folder that cannot be written.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "KeyFileTestSupport.h"
#include "TestSupport.h"
#include "platform/linux/KeyFilePreferenceStore.h"

namespace headroom {
namespace {

using test::contains;
using test::fixturePath;
using test::open;
using test::readFile;
using test::RecordingLog;
using test::Status;
using test::TempDir;
using test::writeFile;

struct stat statOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info;
}

std::size_t entriesIn(const std::string& folder) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

TEST(PreferenceFileCases, ReadOnlyFileIsNeverRewrittenAndSaysSoOnce) {
    ::umask(022);
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
    EXPECT_EQ(statOf(path).st_mode & 07777, 0444u);
    EXPECT_TRUE(store->boolForKey("isShowIcon"));  // kept for the session
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_TRUE(contains(log.lines[0], path + " is read-only")) << log.lines[0];
    EXPECT_EQ(dir.list(), std::vector<std::string>{"preferences.ini"});

    // Made writable again (with a mode the umask would narrow), the next change saves
    // everything held, in the file's own mode.
    ::chmod(path.c_str(), 0664);
    store->setBool(false, "isShowText");
    EXPECT_EQ(statOf(path).st_mode & 07777, 0664u);
    EXPECT_EQ(readFile(path),
              "# mine\n\n[Preferences]\nmemoryLevel=300\nisShowIcon=true\nisShowText=false\n"
              "refreshInterval=9\n");
}

TEST(PreferenceFileCases, LinkIsFollowedAndTheTargetReplacedInItsOwnFolderWithItsOwner) {
    TempDir dir;
    RecordingLog log;
    std::filesystem::create_directories(dir / "dotfiles");
    std::filesystem::create_directories(dir / "config/headroom");
    const std::string target = dir / "dotfiles/headroom.ini";
    writeFile(target, "[Preferences]\nmemoryLevel=300\n");
    ::chmod(target.c_str(), 0600);
    // Root saving another user's file gives it back to its owner.
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(target.c_str(), 65534, 65534), 0);
    }
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
    const struct stat info = statOf(target);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    if (root) {
        EXPECT_EQ(info.st_uid, 65534u);
    }
    // No temporary file is left in either folder.
    EXPECT_EQ(entriesIn(dir / "config/headroom"), 1u);
    EXPECT_EQ(entriesIn(dir / "dotfiles"), 2u);
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
    welcome->setValue("n", "Show");
    tray->setInteger(3, "refreshInterval");
    EXPECT_EQ(readFile(path),
              "[Preferences]\n# raised by hand\nmemoryLevel=900\nisShowIcon=false\nmine=1\n"
              "Show=n\nrefreshInterval=3\n");
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
    EXPECT_EQ(readFile(path),
              "[Preferences]\nmemoryLevel=100\nisShowText=true\nrefreshInterval=4\n");
}

TEST(PreferenceFileCases, OnlyOurOwnStaleTemporaryFilesAreRemovedAtLoad) {
    TempDir dir;
    RecordingLog log;
    const std::string path = dir / "preferences.ini";
    writeFile(path, "[Preferences]\n");
    const auto aged = [&dir](const std::string& name, int minutes) {
        writeFile(dir / name, "[Preferences]\nhalf");
        std::filesystem::last_write_time(dir / name, std::filesystem::file_time_type::clock::now() -
                                                         std::chrono::minutes(minutes));
    };
    aged("preferences.ini.headroom-save-Ab12Cd", 2);  // a killed run's: removed
    // Kept: a save under way now, the user's own files (a backup, the names other programs
    // give), other files' temporaries, and what is not a regular file.
    std::vector<std::string> kept = {"preferences.ini.headroom-save-Xy34Zw",
                                     "preferences.ini.backup",
                                     "preferences.ini.old123",
                                     "preferences.ini.201224",
                                     "preferences.ini.Ab12Cd",
                                     "other.ini.headroom-save-Ab12Cd",
                                     "preferences.ini.corrupt-20260101-000000"};
    aged(kept[0], 0);
    for (std::size_t i = 1; i < kept.size(); ++i) {
        aged(kept[i], 60);
    }
    aged("target", 60);
    std::filesystem::create_symlink(dir / "target", dir / "preferences.ini.headroom-save-Link00");
    std::filesystem::create_directory(dir / "preferences.ini.headroom-save-Dir123");
    kept.insert(kept.end(), {"preferences.ini", "preferences.ini.headroom-save-Dir123",
                             "preferences.ini.headroom-save-Link00", "target"});
    std::sort(kept.begin(), kept.end());

    open(path, log, Status::Loaded);
    EXPECT_EQ(dir.list(), kept);
    EXPECT_TRUE(log.lines.empty());
    // A save leaves no temporary file behind.
    open(path, log, Status::Loaded)->setBool(true, "isShowIcon");
    EXPECT_EQ(dir.list(), kept);
}

TEST(PreferenceFileCases, ANulByteIsRefusedNotCutOff) {
    TempDir dir;
    RecordingLog log;
    const std::string path = dir / "preferences.ini";
    const std::string withNul("[Preferences]\nstrTextSize=Sm\0all\n", 33);
    writeFile(path, withNul);
    KeyFilePreferenceStore store(path, log);
    std::string message;
    EXPECT_EQ(store.load(message), Status::Corrupt);
    EXPECT_TRUE(contains(message, "NUL")) << message;

    // Written in by hand after the load: the save refuses to cut it off.
    writeFile(path, "[Preferences]\n");
    ASSERT_EQ(store.load(message), Status::Loaded);
    writeFile(path, withNul);
    store.setBool(true, "isShowIcon");
    EXPECT_EQ(readFile(path), withNul);
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_TRUE(contains(log.lines[0], "NUL")) << log.lines[0];
}

class CorruptFile : public ::testing::TestWithParam<const char*> {};

TEST_P(CorruptFile, IsNeverOverwrittenBeforeItsBackupAndNoBackupIsOverwritten) {
    TempDir dir;
    RecordingLog log;
    const std::string path = dir / "preferences.ini";
    const std::string original = readFile(fixturePath(std::string("config/") + GetParam()));
    ASSERT_FALSE(original.empty());
    writeFile(path, original);
    // Earlier backups with the names of this second and the next few (and one with -2).
    std::vector<std::string> earlier;
    for (std::time_t t = std::time(nullptr), end = t + 3; t <= end; ++t) {
        std::tm local{};
        ::localtime_r(&t, &local);
        char stamp[32];
        const std::string name(stamp, std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local));
        earlier.insert(earlier.end(),
                       {path + ".corrupt-" + name, path + ".corrupt-" + name + "-2"});
    }
    for (const auto& name : earlier) {
        writeFile(name, "earlier backup");
    }

    auto store = open(path, log, Status::Corrupt);
    // It starts empty: nothing parsed before the error survives.
    EXPECT_FALSE(store->valueForKey("isPercentage"));
    // Writes before the backup stay in memory; the corrupt file is untouched.
    store->setBool(true, "isPercentage");
    store->setInteger(300, "memoryLevel");
    EXPECT_EQ(store->integerForKey("memoryLevel"), 300);
    EXPECT_EQ(readFile(path), original);
    ASSERT_EQ(log.lines.size(), 1u) << "logged once, not on every write";
    EXPECT_TRUE(contains(log.lines[0], path + ": the file is not valid")) << log.lines[0];

    std::string backup;
    ASSERT_TRUE(store->backUpCorruptFile(backup)) << backup;
    EXPECT_EQ(backup.rfind(path + ".corrupt-", 0), 0u) << backup;
    EXPECT_EQ(readFile(backup), original);
    for (const auto& name : earlier) {
        EXPECT_NE(backup, name);
        EXPECT_EQ(readFile(name), "earlier backup");
    }
    // Now the held changes are saved, over the original.
    EXPECT_EQ(readFile(path), "[Preferences]\nisPercentage=true\nmemoryLevel=300\n");
    EXPECT_EQ(log.lines.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, CorruptFile,
                         ::testing::Values("corrupt.ini", "corrupt-binary.ini", "no-group.ini"));

TEST(PreferenceFileCases, FailedSavesKeepTheValuesAndAreLoggedOncePerReason) {
    TempDir dir;
    writeFile(dir / "blocker", "a file, not a folder");
    // A folder that cannot be made (its parent is a file), and one that takes no new file
    // (/proc), where each attempt's temporary file has another random name: both fail for
    // root too.
    for (const std::string& path :
         {dir / "blocker/headroom/preferences.ini", std::string("/proc/preferences.ini")}) {
        RecordingLog log;
        auto store = open(path, log, Status::Missing);
        store->setBool(true, "isShowIcon");
        store->setInteger(7, "refreshInterval");
        store->setObject("Large", "strTextSize");
        EXPECT_EQ(store->integerForKey("refreshInterval"), 7);
        ASSERT_EQ(log.lines.size(), 1u) << path;
        EXPECT_TRUE(contains(log.lines[0], path)) << log.lines[0];
    }
    EXPECT_EQ(readFile(dir / "blocker"), "a file, not a folder");

    // Once the folder can be made, the next write saves everything held, and says so.
    RecordingLog log;
    const std::string path = dir / "blocker/headroom/preferences.ini";
    auto store = open(path, log, Status::Missing);
    store->setBool(true, "isShowIcon");
    std::filesystem::remove(dir / "blocker");
    store->setBool(false, "isShowText");
    ASSERT_EQ(log.lines.size(), 2u);
    EXPECT_TRUE(contains(log.lines[1], "again")) << log.lines[1];
    EXPECT_EQ(readFile(path), "[Preferences]\nisShowIcon=true\nisShowText=false\n");
}

}  // namespace
}  // namespace headroom

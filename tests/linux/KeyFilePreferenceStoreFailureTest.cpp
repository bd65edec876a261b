// KeyFilePreferenceStore when things go wrong: a corrupt file is never written over before it
// has been copied aside; an unreadable file is never replaced; an unwritable folder keeps the
// values in memory and says so once.

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
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

/// The names beside `path` that start with its name and ".corrupt-".
std::vector<std::string> backupsOf(const TempDir& dir, const std::string& name) {
    std::vector<std::string> backups;
    for (const auto& entry : dir.list()) {
        if (entry.rfind(name + ".corrupt-", 0) == 0) {
            backups.push_back(entry);
        }
    }
    return backups;
}

class CorruptFile : public ::testing::TestWithParam<const char*> {};

TEST_P(CorruptFile, IsNeverOverwrittenBeforeItsBackup) {
    TempDir dir;
    RecordingLog log;
    const std::string path = dir / "preferences.ini";
    const std::string original = readFile(fixturePath(std::string("config/") + GetParam()));
    ASSERT_FALSE(original.empty());
    writeFile(path, original);

    KeyFilePreferenceStore store(path, log);
    std::string message;
    ASSERT_EQ(store.load(message), Status::Corrupt);
    EXPECT_FALSE(message.empty());
    EXPECT_EQ(store.loadStatus(), Status::Corrupt);
    // It starts empty: nothing parsed before the error survives.
    EXPECT_FALSE(store.valueForKey("isPercentage"));

    // Writes before the backup stay in memory; the corrupt file is untouched.
    store.setBool(true, "isPercentage");
    store.setInteger(300, "memoryLevel");
    EXPECT_TRUE(store.boolForKey("isPercentage"));
    EXPECT_EQ(store.integerForKey("memoryLevel"), 300);
    EXPECT_EQ(readFile(path), original);
    EXPECT_TRUE(store.hasUnsavedChanges());
    ASSERT_EQ(log.lines.size(), 1u) << "logged once, not on every write";
    EXPECT_TRUE(contains(log.lines[0], path)) << log.lines[0];
    EXPECT_TRUE(contains(log.lines[0], "copied aside")) << log.lines[0];

    std::string backup;
    ASSERT_TRUE(store.backUpCorruptFile(backup)) << backup;
    EXPECT_EQ(std::filesystem::path(backup).parent_path(), dir.path());
    const std::string name = std::filesystem::path(backup).filename().string();
    // preferences.ini.corrupt-YYYYMMDD-HHMMSS
    ASSERT_EQ(name.size(), std::string("preferences.ini.corrupt-").size() + 15) << name;
    EXPECT_EQ(name.rfind("preferences.ini.corrupt-", 0), 0u) << name;
    EXPECT_EQ(readFile(backup), original);

    // Now the held changes are saved, over the original.
    EXPECT_FALSE(store.hasUnsavedChanges());
    auto reopened = open(path, log, Status::Loaded);
    EXPECT_TRUE(reopened->boolForKey("isPercentage"));
    EXPECT_EQ(reopened->integerForKey("memoryLevel"), 300);
    EXPECT_EQ(readFile(backup), original);
    EXPECT_EQ(log.lines.size(), 1u);

    // Asking again returns the same copy and makes no other.
    std::string again;
    EXPECT_TRUE(store.backUpCorruptFile(again));
    EXPECT_EQ(again, backup);
    EXPECT_EQ(backupsOf(dir, "preferences.ini").size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, CorruptFile,
                         ::testing::Values("corrupt.ini", "corrupt-binary.ini", "no-group.ini"));

std::string stamp(std::time_t when) {
    std::tm local{};
    ::localtime_r(&when, &local);
    char text[32];
    return std::string(text, std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local));
}

TEST(KeyFilePreferenceStore, BackupNeverOverwritesAnEarlierOne) {
    TempDir dir;
    RecordingLog log;
    const std::string path = dir / "preferences.ini";
    const std::string original = readFile(fixturePath("config/corrupt.ini"));
    writeFile(path, original);
    // Earlier backups with the names of this second and the next few (and one with -2).
    const std::time_t now = std::time(nullptr);
    std::vector<std::string> earlier;
    for (std::time_t t = now; t <= now + 3; ++t) {
        earlier.push_back(path + ".corrupt-" + stamp(t));
        earlier.push_back(path + ".corrupt-" + stamp(t) + "-2");
    }
    for (const auto& name : earlier) {
        writeFile(name, "earlier backup " + name);
    }
    auto store = open(path, log, Status::Corrupt);
    std::string backup;
    ASSERT_TRUE(store->backUpCorruptFile(backup)) << backup;
    for (const auto& name : earlier) {
        EXPECT_NE(backup, name);
        EXPECT_EQ(readFile(name), "earlier backup " + name);
    }
    EXPECT_EQ(readFile(backup), original);
}

TEST(KeyFilePreferenceStore, BackupOfAFileThatIsNotCorruptIsRefused) {
    TempDir dir;
    RecordingLog log;
    auto store = open(dir / "preferences.ini", log, Status::Missing);
    std::string error;
    EXPECT_FALSE(store->backUpCorruptFile(error));
    EXPECT_TRUE(contains(error, "not loaded as corrupt")) << error;
}

TEST(KeyFilePreferenceStore, FailedBackupKeepsHoldingWrites) {
    TempDir dir;
    RecordingLog log;
    const std::string path = dir / "preferences.ini";
    const std::string original = readFile(fixturePath("config/corrupt.ini"));
    writeFile(path, original);
    auto store = open(path, log, Status::Corrupt);
    // The file goes away before the copy: nothing can be copied, so nothing is unblocked.
    std::filesystem::remove(path);
    std::string error;
    EXPECT_FALSE(store->backUpCorruptFile(error));
    EXPECT_TRUE(contains(error, path)) << error;
    store->setBool(true, "isShowIcon");
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(store->boolForKey("isShowIcon"));
}

TEST(KeyFilePreferenceStore, UnreadableFileIsNotReplaced) {
    TempDir dir;
    RecordingLog log;
    const std::string path = dir / "preferences.ini";
    std::filesystem::create_directory(path);  // a folder where the file should be
    writeFile(path + "/inside", "keep me");
    KeyFilePreferenceStore store(path, log);
    std::string message;
    EXPECT_EQ(store.load(message), Status::Unreadable);
    EXPECT_FALSE(message.empty());
    store.setBool(true, "isShowIcon");
    store.setBool(false, "isShowText");
    EXPECT_TRUE(store.boolForKey("isShowIcon"));
    EXPECT_EQ(readFile(path + "/inside"), "keep me");
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_TRUE(contains(log.lines[0], path));
}

TEST(KeyFilePreferenceStore, WritesBeforeLoadAreHeld) {
    TempDir dir;
    RecordingLog log;
    const std::string path = dir / "preferences.ini";
    writeFile(path, "[Preferences]\nmemoryLevel=100\n");
    KeyFilePreferenceStore store(path, log);
    store.setInteger(5, "refreshInterval");
    EXPECT_EQ(store.integerForKey("refreshInterval"), 5);
    EXPECT_EQ(readFile(path), "[Preferences]\nmemoryLevel=100\n");
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_TRUE(contains(log.lines[0], "not loaded")) << log.lines[0];
}

TEST(KeyFilePreferenceStore, UnwritableFolderKeepsTheValueAndLogsTheReasonOnce) {
    // Tests run as root, where permissions do not stop writes: make the parent a regular
    // file, which fails for everyone.
    TempDir dir;
    RecordingLog log;
    writeFile(dir / "blocker", "a file, not a folder");
    const std::string path = dir / "blocker/headroom/preferences.ini";
    auto store = open(path, log, Status::Missing);

    store->setBool(true, "isShowIcon");
    EXPECT_TRUE(store->boolForKey("isShowIcon"));
    EXPECT_TRUE(store->hasUnsavedChanges());
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_TRUE(contains(log.lines[0], path)) << log.lines[0];
    EXPECT_TRUE(contains(log.lines[0], "Not a directory")) << log.lines[0];

    // The same failure again is not logged again; the values stay in memory.
    store->setInteger(7, "refreshInterval");
    store->setObject("Large", "strTextSize");
    EXPECT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(store->integerForKey("refreshInterval"), 7);
    EXPECT_EQ(store->objectForKey("strTextSize"), "Large");
    EXPECT_EQ(readFile(dir / "blocker"), "a file, not a folder");

    // Once the folder can be made, the next write saves everything held, and says so.
    std::filesystem::remove(dir / "blocker");
    store->setBool(false, "isShowText");
    ASSERT_EQ(log.lines.size(), 2u);
    EXPECT_TRUE(contains(log.lines[1], "again")) << log.lines[1];
    EXPECT_FALSE(store->hasUnsavedChanges());
    auto reopened = open(path, log, Status::Loaded);
    EXPECT_TRUE(reopened->boolForKey("isShowIcon"));
    EXPECT_EQ(reopened->integerForKey("refreshInterval"), 7);
    EXPECT_EQ(reopened->objectForKey("strTextSize"), "Large");
    EXPECT_TRUE(reopened->valueForKey("isShowText"));
}

TEST(KeyFilePreferenceStore, FailedSavesInAFolderThatTakesNoFileAreLoggedOnce) {
    // /proc exists but takes no new file, for root too: every save fails the same way, and
    // the temporary file's random name must not make each failure look new.
    RecordingLog log;
    const std::string path = "/proc/preferences.ini";
    auto store = open(path, log, Status::Missing);
    store->setBool(true, "isShowIcon");
    store->setInteger(9, "refreshInterval");
    store->setObject("Small", "strTextSize");
    EXPECT_TRUE(store->boolForKey("isShowIcon"));
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_TRUE(contains(log.lines[0], path)) << log.lines[0];
}

}  // namespace
}  // namespace headroom

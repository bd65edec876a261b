// KeyFilePreferenceStore on real files in temporary folders: loading, reading, writing.
// Corrupt, unreadable and unwritable files: KeyFilePreferenceStoreFailureTest.cpp.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <limits>
#include <memory>
#include <string>

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

TEST(KeyFilePreferenceStore, MissingFileStartsEmptyAndTheFirstWriteCreatesFolderAndFile) {
    TempDir dir;
    RecordingLog log;
    const std::string path = dir / "config/headroom/preferences.ini";
    auto store = open(path, log, Status::Missing);
    EXPECT_FALSE(store->valueForKey("isShowIcon"));
    EXPECT_FALSE(std::filesystem::exists(path));

    store->setBool(true, "isShowIcon");
    EXPECT_TRUE(std::filesystem::exists(path));
    struct stat info {};
    ASSERT_EQ(::stat((dir / "config/headroom").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat((dir / "config").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(readFile(path), "[Preferences]\nisShowIcon=true\n");
    EXPECT_TRUE(log.lines.empty());
    EXPECT_FALSE(store->hasUnsavedChanges());
}

TEST(KeyFilePreferenceStore, EveryTypeRoundTripsAcrossAReopen) {
    TempDir dir;
    RecordingLog log;
    const std::string path = dir / "preferences.ini";
    const std::string texts[] = {
        "Normal",      "",          " leading and trailing ", "line\nbreak",   "tab\there",
        "back\\slash", "ünïcødé ✓", "# not a comment",        "[not a group]", "key=value",
        "semi;colon"};
    {
        auto store = open(path, log, Status::Missing);
        store->setBool(true, "yes");
        store->setBool(false, "no");
        store->setInteger(std::numeric_limits<std::int64_t>::max(), "max");
        store->setInteger(std::numeric_limits<std::int64_t>::min(), "min");
        store->setInteger(-3, "negative");
        store->setInteger(0, "zero");
        for (std::size_t i = 0; i < std::size(texts); ++i) {
            store->setObject(texts[i], "text" + std::to_string(i));
        }
        store->setValue("1", "Show");
    }
    auto store = open(path, log, Status::Loaded);
    EXPECT_TRUE(store->boolForKey("yes"));
    EXPECT_TRUE(store->valueForKey("no"));
    EXPECT_FALSE(store->boolForKey("no"));
    EXPECT_EQ(store->integerForKey("max"), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(store->integerForKey("min"), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(store->integerForKey("negative"), -3);
    EXPECT_TRUE(store->valueForKey("zero"));
    EXPECT_EQ(store->integerForKey("zero"), 0);
    for (std::size_t i = 0; i < std::size(texts); ++i) {
        EXPECT_EQ(store->objectForKey("text" + std::to_string(i)), texts[i]) << i;
    }
    EXPECT_EQ(store->objectForKey("Show"), "1");
    EXPECT_TRUE(store->boolForKey("Show"));
    EXPECT_EQ(store->integerForKey("Show"), 1);
    // Any value reads as text.
    EXPECT_EQ(store->objectForKey("yes"), "true");
    EXPECT_EQ(store->objectForKey("negative"), "-3");
    EXPECT_TRUE(log.lines.empty());
}

TEST(KeyFilePreferenceStore, OverwritingAKeyChangesItsType) {
    TempDir dir;
    RecordingLog log;
    auto store = open(dir / "p.ini", log, Status::Missing);
    store->setInteger(5, "refreshInterval");
    store->setBool(true, "refreshInterval");
    EXPECT_EQ(store->integerForKey("refreshInterval"), 0);
    EXPECT_TRUE(store->boolForKey("refreshInterval"));
    EXPECT_EQ(readFile(dir / "p.ini"), "[Preferences]\nrefreshInterval=true\n");
}

TEST(KeyFilePreferenceStore, ValidFixtureReadsAndARewriteKeepsCommentsAndOtherGroups) {
    TempDir dir;
    RecordingLog log;
    const std::string path = dir / "preferences.ini";
    writeFile(path, readFile(fixturePath("config/valid.ini")));
    auto store = open(path, log, Status::Loaded);
    EXPECT_FALSE(store->boolForKey("isRunOnStartUp"));
    EXPECT_TRUE(store->boolForKey("isPercentage"));
    EXPECT_TRUE(store->boolForKey("isShowText"));         // "1"
    EXPECT_FALSE(store->boolForKey("isAutoFreeMemory"));  // "0"
    EXPECT_EQ(store->objectForKey("strTextSize"), "Large");
    EXPECT_EQ(store->integerForKey("refreshInterval"), 10);
    EXPECT_EQ(store->integerForKey("memoryLevel"), 512);
    EXPECT_EQ(store->integerForKey("significantThreshold"), -3);
    EXPECT_FALSE(store->valueForKey("x"));  // in [Window], not ours

    store->setInteger(1024, "memoryLevel");
    const std::string text = readFile(path);
    EXPECT_TRUE(contains(text, "# Headroom preferences")) << text;
    EXPECT_TRUE(contains(text, "[Window]\nx=100")) << text;
    EXPECT_TRUE(contains(text, "memoryLevel=1024")) << text;
    EXPECT_EQ(open(path, log, Status::Loaded)->integerForKey("memoryLevel"), 1024);
}

TEST(KeyFilePreferenceStore, WrongTypedValuesReadAsNoAndZeroAndStillCount) {
    TempDir dir;
    RecordingLog log;
    const std::string path = dir / "preferences.ini";
    writeFile(path, readFile(fixturePath("config/wrongtypes.ini")));
    auto store = open(path, log, Status::Loaded);
    // The program's booleans, holding text that is not a key-file boolean.
    for (const char* key :
         {"isShowIcon", "isPercentage", "isShowText", "isAutoFreeMemory", "isRunOnStartUp"}) {
        EXPECT_TRUE(store->valueForKey(key)) << key;
        EXPECT_FALSE(store->boolForKey(key)) << key;
        EXPECT_TRUE(store->objectForKey(key).has_value()) << key;
    }
    // The program's integers, holding text that is not a 64-bit decimal.
    for (const char* key : {"refreshInterval", "memoryLevel", "significantThreshold", "strTextSize",
                            "isRunOnStartUp"}) {
        EXPECT_TRUE(store->valueForKey(key)) << key;
        EXPECT_EQ(store->integerForKey(key), 0) << key;
    }
    // Each type read the other way: "2" is no boolean, "true" no integer.
    EXPECT_EQ(store->integerForKey("isShowText"), 2);
    EXPECT_TRUE(store->boolForKey("memoryLevel"));
    EXPECT_EQ(store->objectForKey("isShowIcon"), "yes");
    EXPECT_EQ(store->objectForKey("isAutoFreeMemory"), "");
    EXPECT_EQ(store->objectForKey("significantThreshold"), "99999999999999999999");
}

TEST(KeyFilePreferenceStore, IntegerAndBooleanSpellings) {
    TempDir dir;
    RecordingLog log;
    const std::string path = dir / "preferences.ini";
    writeFile(path,
              "[Preferences]\nplus=+7\nspaces=  12  \nminusZero=-0\n"
              "max=9223372036854775807\nover=9223372036854775808\n"
              "min=-9223372036854775808\nunder=-9223372036854775809\n"
              "plusMinus=+-1\nhex=0x10\nfloat=1.0\nempty=\n"
              "t=true\nf=false\none=1\nzero=0\ntrailing=true   \nupper=True\nyes=yes\n"
              "badEscape=a\\qb\n");
    auto store = open(path, log, Status::Loaded);
    EXPECT_EQ(store->integerForKey("plus"), 7);
    EXPECT_EQ(store->integerForKey("spaces"), 12);
    EXPECT_EQ(store->integerForKey("minusZero"), 0);
    EXPECT_EQ(store->integerForKey("max"), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(store->integerForKey("over"), 0);
    EXPECT_EQ(store->integerForKey("min"), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(store->integerForKey("under"), 0);
    EXPECT_EQ(store->integerForKey("plusMinus"), 0);
    EXPECT_EQ(store->integerForKey("hex"), 0);
    EXPECT_EQ(store->integerForKey("float"), 0);
    EXPECT_EQ(store->integerForKey("empty"), 0);
    EXPECT_TRUE(store->boolForKey("t"));
    EXPECT_FALSE(store->boolForKey("f"));
    EXPECT_TRUE(store->boolForKey("one"));
    EXPECT_FALSE(store->boolForKey("zero"));
    EXPECT_TRUE(store->boolForKey("trailing"));
    EXPECT_FALSE(store->boolForKey("upper"));
    EXPECT_FALSE(store->boolForKey("yes"));
    // An escape GLib cannot undo: the text as written.
    EXPECT_EQ(store->objectForKey("badEscape"), "a\\qb");
}

TEST(KeyFilePreferenceStore, AbsentKeysAndAbsentGroup) {
    TempDir dir;
    RecordingLog log;
    const std::string path = dir / "preferences.ini";
    writeFile(path, "[Window]\nx=1\n");
    auto store = open(path, log, Status::Loaded);
    EXPECT_FALSE(store->valueForKey("x"));
    EXPECT_FALSE(store->boolForKey("x"));
    EXPECT_EQ(store->integerForKey("x"), 0);
    EXPECT_EQ(store->objectForKey("x"), std::nullopt);
}

TEST(KeyFilePreferenceStore, EmptyFileIsLoaded) {
    TempDir dir;
    RecordingLog log;
    writeFile(dir / "preferences.ini", "");
    auto store = open(dir / "preferences.ini", log, Status::Loaded);
    EXPECT_FALSE(store->valueForKey("isShowIcon"));
}

TEST(KeyFilePreferenceStore, AtomicWritesLeaveNoTemporaryFiles) {
    TempDir dir;
    RecordingLog log;
    const std::string path = dir / "preferences.ini";
    auto store = open(path, log, Status::Missing);
    for (int i = 0; i < 25; ++i) {
        store->setInteger(i, "refreshInterval");
        store->setBool(i % 2 == 0, "isShowIcon");
    }
    EXPECT_EQ(dir.list(), std::vector<std::string>{"preferences.ini"});
    EXPECT_EQ(open(path, log, Status::Loaded)->integerForKey("refreshInterval"), 24);
    EXPECT_TRUE(log.lines.empty());
}

TEST(KeyFilePreferenceStore, ReloadReplacesWhatIsInMemory) {
    TempDir dir;
    RecordingLog log;
    const std::string path = dir / "preferences.ini";
    auto store = open(path, log, Status::Missing);
    store->setInteger(1, "a");
    writeFile(path, "[Preferences]\nb=2\n");
    std::string message;
    EXPECT_EQ(store->load(message), Status::Loaded);
    EXPECT_FALSE(store->valueForKey("a"));
    EXPECT_EQ(store->integerForKey("b"), 2);
}

TEST(KeyFilePreferenceStore, DefaultPathIsUnderTheUserConfigFolder) {
    const std::string path = KeyFilePreferenceStore::defaultPath();
    const std::string suffix = "/headroom/preferences.ini";
    ASSERT_GT(path.size(), suffix.size());
    EXPECT_EQ(path.substr(path.size() - suffix.size()), suffix);
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        EXPECT_EQ(path, std::string(xdg) + suffix);
    } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        EXPECT_EQ(path, std::string(home) + "/.config" + suffix);
    }
}

}  // namespace
}  // namespace headroom

// KeyFilePreferenceStore on real files in temporary folders: what each spelling of a value
// reads as, and what the writes leave in the file. The file as users keep it (read-only,
// linked, edited meanwhile, corrupt): PreferenceFileCasesTest.cpp.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <iterator>
#include <limits>
#include <optional>
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

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

struct Spelling {
    const char* line;  ///< as written under [Preferences]; its key is the text before '='
    bool boolean;
    std::int64_t integer;
    const char* text;  ///< objectForKey
};

TEST(KeyFilePreferenceStore, EachSpellingReadsAsTheKeyFileTypesSay) {
    const std::vector<Spelling> spellings = {
        {"t=true", true, 0, "true"},
        {"f=false", false, 0, "false"},
        {"one=1", true, 1, "1"},
        {"zero=0", false, 0, "0"},
        {"trailing=true   ", true, 0, "true   "},
        {"upper=True", false, 0, "True"},
        {"yes=yes", false, 0, "yes"},
        {"two=2", false, 2, "2"},
        {"plus=+7", false, 7, "+7"},
        {"spaces=  12  ", false, 12, "12  "},
        {"minusZero=-0", false, 0, "-0"},
        {"max=9223372036854775807", false, kMax, "9223372036854775807"},
        {"over=9223372036854775808", false, 0, "9223372036854775808"},
        {"min=-9223372036854775808", false, kMin, "-9223372036854775808"},
        {"under=-9223372036854775809", false, 0, "-9223372036854775809"},
        {"plusMinus=+-1", false, 0, "+-1"},
        {"hex=0x10", false, 0, "0x10"},
        {"float=1.0", false, 0, "1.0"},
        {"unit=5s", false, 0, "5s"},
        {"empty=", false, 0, ""},
        {"escapes=a\\tb\\nc\\\\", false, 0, "a\tb\nc\\"},
        {"badEscape=a\\qb", false, 0, "a\\qb"},  // GLib cannot undo it: the text as written
    };
    TempDir dir;
    RecordingLog log;
    std::string file = "[Window]\nx=1\n[Preferences]\n";
    for (const Spelling& s : spellings) {
        file += std::string(s.line) + "\n";
    }
    writeFile(dir / "p.ini", file);
    auto store = open(dir / "p.ini", log, Status::Loaded);
    for (const Spelling& s : spellings) {
        const std::string line(s.line);
        const std::string key = line.substr(0, line.find('='));
        EXPECT_TRUE(store->valueForKey(key)) << line;
        EXPECT_EQ(store->boolForKey(key), s.boolean) << line;
        EXPECT_EQ(store->integerForKey(key), s.integer) << line;
        EXPECT_EQ(store->objectForKey(key), s.text) << line;
    }
    // Absent here, though present in another group.
    EXPECT_FALSE(store->valueForKey("x"));
    EXPECT_FALSE(store->boolForKey("x"));
    EXPECT_EQ(store->integerForKey("x"), 0);
    EXPECT_EQ(store->objectForKey("x"), std::nullopt);
    // An empty file is a valid one.
    writeFile(dir / "empty.ini", "");
    EXPECT_FALSE(open(dir / "empty.ini", log, Status::Loaded)->valueForKey("t"));
}

TEST(KeyFilePreferenceStore, WritesMakeTheFoldersAndEveryTypeRoundTrips) {
    TempDir dir;
    RecordingLog log;
    const std::string path = dir / "config/headroom/preferences.ini";
    const std::vector<std::string> texts = {
        "Normal",      "",          " leading and trailing ", "line\nbreak",   "tab\there",
        "back\\slash", "ünïcødé ✓", "# not a comment",        "[not a group]", "key=value"};
    {
        auto store = open(path, log, Status::Missing);
        store->setBool(true, "isShowIcon");
        EXPECT_EQ(readFile(path), "[Preferences]\nisShowIcon=true\n");
        for (const char* folder : {"config", "config/headroom"}) {
            struct stat info {};
            ASSERT_EQ(::stat((dir / folder).c_str(), &info), 0);
            EXPECT_EQ(info.st_mode & 0777, 0700u) << folder;
        }
        store->setInteger(5, "changesType");
        store->setBool(false, "changesType");
        for (int i = 0; i < 20; ++i) {
            store->setInteger(i % 2 == 0 ? kMax : kMin, "extreme");
        }
        for (std::size_t i = 0; i < texts.size(); ++i) {
            store->setObject(texts[i], "text" + std::to_string(i));
        }
        store->setValue("n", "Show");
    }
    // No temporary file is left.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "config/headroom"), {}), 1);
    auto store = open(path, log, Status::Loaded);
    EXPECT_TRUE(store->boolForKey("isShowIcon"));
    EXPECT_TRUE(store->valueForKey("changesType"));
    EXPECT_EQ(store->objectForKey("changesType"), "false");
    EXPECT_EQ(store->integerForKey("extreme"), kMin);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(store->objectForKey("text" + std::to_string(i)), texts[i]) << i;
    }
    EXPECT_EQ(store->objectForKey("Show"), "n");
    EXPECT_TRUE(log.lines.empty());
}

TEST(KeyFilePreferenceStore, ARewriteKeepsCommentsAndOtherGroups) {
    TempDir dir;
    RecordingLog log;
    const std::string path = dir / "preferences.ini";
    writeFile(path, readFile(fixturePath("config/valid.ini")));
    auto store = open(path, log, Status::Loaded);
    EXPECT_EQ(store->integerForKey("memoryLevel"), 512);
    store->setInteger(1024, "memoryLevel");
    const std::string text = readFile(path);
    EXPECT_TRUE(contains(text, "# Headroom preferences")) << text;
    EXPECT_TRUE(contains(text, "[Window]\nx=100")) << text;
    EXPECT_TRUE(contains(text, "memoryLevel=1024\nsignificantThreshold=-3\nShow=true")) << text;
}

}  // namespace
}  // namespace headroom

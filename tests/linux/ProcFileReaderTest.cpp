// The kept-descriptor reader, on the real /proc and on ordinary files.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "TestSupport.h"
#include "platform/linux/ProcFileReader.h"

namespace headroom {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

TEST(ProcFileReader, ReadsProcMeminfoAgainThroughTheKeptDescriptor) {
    ProcFileReader reader("/proc/meminfo");
    ASSERT_TRUE(reader.isOpen()) << reader.error();
    EXPECT_TRUE(reader.keepsDescriptor());
    for (int i = 0; i < 3; ++i) {
        const auto text = reader.read();
        ASSERT_TRUE(text) << reader.error();
        EXPECT_EQ(text->substr(0, 9), "MemTotal:");
        EXPECT_EQ(text->back(), '\n');
        EXPECT_TRUE(reader.error().empty());
    }
}

TEST(ProcFileReader, ReadsAProcFileLargerThanItsFirstBuffer) {
    // smaps has a block of ~20 lines per mapping: well over the first 8 KiB buffer.
    ProcFileReader reader("/proc/self/smaps");
    const auto text = reader.read();
    ASSERT_TRUE(text) << reader.error();
    EXPECT_GT(text->size(), 8192u);
    EXPECT_EQ(text->back(), '\n');
    EXPECT_NE(text->find("VmFlags:"), std::string_view::npos);
}

TEST(ProcFileReader, ReadsAnOrdinaryFileLargerThanItsBufferExactly) {
    TempDir dir;
    std::string big;
    for (int i = 0; big.size() < 100000; ++i) {
        big += "line " + std::to_string(i) + "\n";
    }
    writeFile(dir / "big", big);
    ProcFileReader reader(dir / "big");
    const auto text = reader.read();
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, big);
    // The grown buffer is reused; a second read gives the same bytes.
    EXPECT_EQ(*reader.read(), big);
}

TEST(ProcFileReader, AnOrdinaryFileIsOpenedAfreshSoAReplacementIsSeen) {
    TempDir dir;
    writeFile(dir / "meminfo", "first\n");
    ProcFileReader reader(dir / "meminfo");
    EXPECT_FALSE(reader.keepsDescriptor());
    EXPECT_EQ(*reader.read(), "first\n");
    writeFile(dir / "next", "second\n");
    ASSERT_EQ(std::rename((dir / "next").c_str(), (dir / "meminfo").c_str()), 0);
    EXPECT_EQ(*reader.read(), "second\n");
}

TEST(ProcFileReader, EmptyFile) {
    TempDir dir;
    writeFile(dir / "empty", "");
    ProcFileReader reader(dir / "empty");
    const auto text = reader.read();
    ASSERT_TRUE(text);
    EXPECT_TRUE(text->empty());
}

TEST(ProcFileReader, MissingFileFailsWithAReasonAndIsPickedUpLater) {
    TempDir dir;
    ProcFileReader reader(dir / "meminfo");
    EXPECT_FALSE(reader.isOpen());
    EXPECT_FALSE(reader.read());
    EXPECT_NE(reader.error().find(dir / "meminfo"), std::string::npos) << reader.error();
    EXPECT_NE(reader.error().find("No such file"), std::string::npos) << reader.error();
    writeFile(dir / "meminfo", "now here\n");
    EXPECT_EQ(*reader.read(), "now here\n");
    EXPECT_TRUE(reader.error().empty());
}

TEST(ProcFileReader, MovesKeepTheDescriptor) {
    ProcFileReader first("/proc/meminfo");
    ProcFileReader second(std::move(first));
    EXPECT_TRUE(second.isOpen());
    EXPECT_TRUE(second.read());
    ProcFileReader third("/nonexistent");
    third = std::move(second);
    EXPECT_EQ(third.path(), "/proc/meminfo");
    EXPECT_TRUE(third.read());
}

}  // namespace
}  // namespace headroom

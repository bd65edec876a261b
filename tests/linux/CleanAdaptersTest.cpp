// The clean's Linux adapters: the bundled block image encoded by gdk-pixbuf, and the process's
// own OOM score adjustment in the real /proc.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "platform/linux/PixbufBundleResources.h"
#include "platform/linux/ProcSelfControl.h"

namespace headroom {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

TEST(PixbufBundleResources, EveryBlockIsANewUncompressedTiffOfThe64MiBImage) {
    PixbufBundleResources resources(HEADROOM_TEST_RESOURCES_DIR);
    std::string error;
    const TiffMaker hd = resources.tiffRepresentation("hd", error);
    ASSERT_TRUE(hd) << error;
    const std::vector<std::uint8_t> first = hd();
    const std::vector<std::uint8_t> second = hd();
    // 4096 x 4096 pixels of four 8-bit samples, and a header and directory of a few hundred
    // bytes: a clean's block count hangs on this length.
    ASSERT_GE(first.size(), std::size_t{64} << 20);
    EXPECT_LT(first.size(), (std::size_t{64} << 20) + 4096);
    EXPECT_EQ(std::string(first.begin(), first.begin() + 4), std::string("II*\0", 4));
    EXPECT_EQ(second, first);
    EXPECT_NE(second.data(), first.data());
}

TEST(PixbufBundleResources, ImagesThatCannotBeHadSayWhy) {
    TempDir dir;
    writeFile(dir / "broken.png", "not a PNG at all");
    PixbufBundleResources resources(dir.path());
    for (const char* name : {"missing", "broken", "../hd", ""}) {
        std::string error;
        EXPECT_FALSE(resources.tiffRepresentation(name, error)) << name;
        EXPECT_FALSE(error.empty()) << name;
    }
    std::string error;
    resources.tiffRepresentation("missing", error);
    EXPECT_NE(error.find(dir / "missing.png"), std::string::npos);
}

TEST(ProcSelfControl, ReadsAndSetsTheRealScoreAndPutsItBack) {
    ProcSelfControl control;
    const auto original = control.oomScoreAdj();
    ASSERT_TRUE(original) << control.lastError();
    EXPECT_EQ(std::to_string(*original) + "\n", readFile("/proc/self/oom_score_adj"));

    ASSERT_TRUE(control.setOomScoreAdj(1000)) << control.lastError();
    EXPECT_EQ(readFile("/proc/self/oom_score_adj"), "1000\n");
    // Past the kernel's bound: refused, said, and nothing changed.
    EXPECT_FALSE(control.setOomScoreAdj(1001));
    EXPECT_EQ(control.lastError(),
              "cannot write 1001 to /proc/self/oom_score_adj: Invalid argument");
    ASSERT_TRUE(control.setOomScoreAdj(*original)) << control.lastError();
    EXPECT_EQ(control.oomScoreAdj(), original);
}

TEST(ProcSelfControl, OnlyTheKernelsTextIsAScore) {
    EXPECT_EQ(parseOomScoreAdj("-1000\n"), -1000);
    EXPECT_EQ(parseOomScoreAdj("1000"), 1000);
    for (const char* text : {"abc\n", "2000\n", "", "5\n\n", " 5\n"}) {
        EXPECT_FALSE(parseOomScoreAdj(text)) << text;
    }
}

}  // namespace
}  // namespace headroom

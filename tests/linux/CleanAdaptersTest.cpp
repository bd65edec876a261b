// The clean's Linux adapters: the bundled block image through gdk-pixbuf, and the process's
// own OOM score adjustment in the real /proc.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
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

TEST(PixbufBundleResources, TheBlockImageDecodesTo64MiBAndIsSharedWhileHeld) {
    PixbufBundleResources resources(HEADROOM_TEST_RESOURCES_DIR);
    ImageLookup hd = resources.imageNamed("hd");
    ASSERT_TRUE(hd.image) << hd.error;
    EXPECT_EQ(hd.image->width, 4096u);
    EXPECT_EQ(hd.image->height, 4096u);
    ASSERT_EQ(hd.image->pixels.size(), std::size_t{64} << 20);
    EXPECT_EQ(hd.image->pixels[3], 0xFF);  // opaque

    EXPECT_EQ(resources.imageNamed("hd").image, hd.image);  // not decoded again
    const std::weak_ptr<const RgbaImage> watch = hd.image;
    hd.image.reset();
    EXPECT_TRUE(watch.expired()) << "the adapter must not keep 64 MiB between cleans";
}

TEST(PixbufBundleResources, OpaqueImagesGetAlphaAndBadOnesSayWhy) {
    TempDir dir;
    // A 2 x 1 RGB PNG (colour type 2): pixels (10,20,30) and (40,50,60).
    const std::vector<unsigned char> rgb = {
        0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44,
        0x52, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x08, 0x02, 0x00, 0x00, 0x00, 0x7b,
        0x40, 0xe8, 0xdd, 0x00, 0x00, 0x00, 0x0f, 0x49, 0x44, 0x41, 0x54, 0x78, 0xda, 0x63, 0xe0,
        0x12, 0x91, 0xd3, 0x30, 0xb2, 0x01, 0x00, 0x02, 0x37, 0x00, 0xd3, 0xe2, 0x2d, 0xed, 0x9f,
        0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};
    writeFile(dir / "rgb.png", std::string(rgb.begin(), rgb.end()));
    writeFile(dir / "broken.png", "not a PNG at all");
    PixbufBundleResources resources(dir.path());

    const ImageLookup opaque = resources.imageNamed("rgb");
    ASSERT_TRUE(opaque.image) << opaque.error;
    EXPECT_EQ(opaque.image->pixels, (std::vector<std::uint8_t>{10, 20, 30, 255, 40, 50, 60, 255}));

    for (const char* name : {"missing", "broken", "../rgb", ""}) {
        const ImageLookup bad = resources.imageNamed(name);
        EXPECT_FALSE(bad.image) << name;
        EXPECT_FALSE(bad.error.empty()) << name;
    }
    EXPECT_NE(resources.imageNamed("missing").error.find(dir / "missing.png"), std::string::npos);
}

TEST(ProcSelfControl, ReadsAndSetsTheRealScoreAndPutsItBack) {
    ProcSelfControl control;
    const auto original = control.oomScoreAdj();
    ASSERT_TRUE(original) << control.lastError();
    EXPECT_EQ(std::to_string(*original) + "\n", readFile("/proc/self/oom_score_adj"));

    ASSERT_TRUE(control.setOomScoreAdj(1000)) << control.lastError();
    EXPECT_EQ(readFile("/proc/self/oom_score_adj"), "1000\n");
    ASSERT_TRUE(control.setOomScoreAdj(*original)) << control.lastError();
    EXPECT_EQ(control.oomScoreAdj(), original);
}

TEST(ProcSelfControl, FailuresSayWhy) {
    TempDir dir;
    ProcSelfControl missing(dir / "none/oom_score_adj");
    EXPECT_FALSE(missing.oomScoreAdj());
    EXPECT_NE(missing.lastError().find("No such file or directory"), std::string::npos);
    EXPECT_FALSE(missing.setOomScoreAdj(1000));
    EXPECT_FALSE(missing.lastError().empty());

    for (const char* text : {"abc\n", "2000\n", ""}) {
        writeFile(dir / "score", text);
        ProcSelfControl garbled(dir / "score");
        EXPECT_FALSE(garbled.oomScoreAdj()) << text;
        EXPECT_NE(garbled.lastError().find("-1000 to 1000"), std::string::npos);
    }
}

}  // namespace
}  // namespace headroom

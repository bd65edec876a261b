// The block's TIFF encoding, read back field by field as a TIFF reader would.

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <vector>

#include "cleaner/TiffEncoder.h"

namespace headroom {
namespace {

struct Entry {
    std::uint16_t type;
    std::uint32_t count;
    std::uint32_t value;  ///< the value itself for one SHORT or LONG, else the offset
};

std::uint16_t u16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b.at(at) | b.at(at + 1) << 8);
}
std::uint32_t u32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return u16(b, at) | static_cast<std::uint32_t>(u16(b, at + 2)) << 16;
}

TEST(TiffEncoder, BaselineRgbaWithOneStripReadsBack) {
    RgbaImage image{3, 2, {}};
    for (std::uint8_t i = 0; i < 24; ++i) {
        image.pixels.push_back(static_cast<std::uint8_t>(i * 7 + 1));
    }
    const std::vector<std::uint8_t> tiff = encodeTiff(image);
    ASSERT_EQ(tiff.size(), tiffEncodedLength(image));

    ASSERT_EQ(std::vector<std::uint8_t>(tiff.begin(), tiff.begin() + 4),
              (std::vector<std::uint8_t>{'I', 'I', 42, 0}));
    const std::uint32_t ifd = u32(tiff, 4);
    const std::uint16_t count = u16(tiff, ifd);
    std::map<std::uint16_t, Entry> entries;
    std::uint16_t previousTag = 0;
    for (std::uint16_t i = 0; i < count; ++i) {
        const std::size_t at = ifd + 2 + std::size_t{i} * 12;
        const std::uint16_t tag = u16(tiff, at);
        EXPECT_GT(tag, previousTag) << "entries must be sorted by tag";
        previousTag = tag;
        const Entry e{u16(tiff, at + 2), u32(tiff, at + 4), u32(tiff, at + 8)};
        entries[tag] = e.type == 3 && e.count == 1 ? Entry{e.type, 1, u16(tiff, at + 8)} : e;
    }
    EXPECT_EQ(u32(tiff, ifd + 2 + std::size_t{count} * 12), 0u);  // the only directory

    auto value = [&](std::uint16_t tag) { return entries.at(tag).value; };
    EXPECT_EQ(value(256), 3u);             // ImageWidth
    EXPECT_EQ(value(257), 2u);             // ImageLength
    ASSERT_EQ(entries.at(258).count, 4u);  // BitsPerSample 8,8,8,8
    for (std::uint32_t s = 0; s < 4; ++s) {
        EXPECT_EQ(u16(tiff, value(258) + 2 * s), 8u);
    }
    EXPECT_EQ(value(259), 1u);  // no compression
    EXPECT_EQ(value(262), 2u);  // RGB
    EXPECT_EQ(value(277), 4u);  // SamplesPerPixel
    EXPECT_EQ(value(278), 2u);  // RowsPerStrip: one strip
    EXPECT_EQ(value(284), 1u);  // chunky
    EXPECT_EQ(value(338), 2u);  // ExtraSamples: unassociated alpha
    EXPECT_EQ(u32(tiff, value(282)), 72u);
    EXPECT_EQ(u32(tiff, value(282) + 4), 1u);
    EXPECT_EQ(value(296), 2u);  // inches

    // The strip is the last thing in the file and holds the pixels as given.
    const std::uint32_t offset = value(273);
    ASSERT_EQ(value(279), 24u);
    EXPECT_EQ(offset % 2, 0u);
    EXPECT_EQ(offset + value(279), tiff.size());
    EXPECT_EQ(std::vector<std::uint8_t>(tiff.begin() + offset, tiff.end()), image.pixels);
    EXPECT_EQ(tiff.size(), 8u + (2 + 14 * 12 + 4) + 8 + 8 + 8 + 24);
}

TEST(TiffEncoder, ImagesItCannotEncodeGiveNothing) {
    const RgbaImage empty{0, 0, {}};
    const RgbaImage shortPixels{2, 2, std::vector<std::uint8_t>(15, 0)};
    for (const RgbaImage& image : {empty, shortPixels}) {
        EXPECT_EQ(tiffEncodedLength(image), 0u);
        EXPECT_TRUE(encodeTiff(image).empty());
    }
}

}  // namespace
}  // namespace headroom

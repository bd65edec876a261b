#include "cleaner/TiffEncoder.h"

namespace headroom {

namespace {

// Field types and tags, TIFF 6.0 sections 2 and 8 (baseline RGB, section 6; extra samples,
// section 18).
constexpr std::uint16_t kShort = 3;
constexpr std::uint16_t kLong = 4;
constexpr std::uint16_t kRational = 5;

constexpr std::uint16_t kImageWidth = 256;
constexpr std::uint16_t kImageLength = 257;
constexpr std::uint16_t kBitsPerSample = 258;
constexpr std::uint16_t kCompression = 259;
constexpr std::uint16_t kPhotometricInterpretation = 262;
constexpr std::uint16_t kStripOffsets = 273;
constexpr std::uint16_t kSamplesPerPixel = 277;
constexpr std::uint16_t kRowsPerStrip = 278;
constexpr std::uint16_t kStripByteCounts = 279;
constexpr std::uint16_t kXResolution = 282;
constexpr std::uint16_t kYResolution = 283;
constexpr std::uint16_t kPlanarConfiguration = 284;
constexpr std::uint16_t kResolutionUnit = 296;
constexpr std::uint16_t kExtraSamples = 338;

constexpr std::uint16_t kNoCompression = 1;
constexpr std::uint16_t kPhotometricRgb = 2;
constexpr std::uint16_t kChunky = 1;
constexpr std::uint16_t kInch = 2;
constexpr std::uint16_t kUnassociatedAlpha = 2;
constexpr std::uint32_t kDotsPerInch = 72;

constexpr std::uint32_t kHeaderLength = 8;
constexpr std::uint16_t kEntryCount = 14;
constexpr std::uint32_t kDirectoryLength = 2 + kEntryCount * 12 + 4;
constexpr std::uint32_t kBitsPerSampleOffset = kHeaderLength + kDirectoryLength;
constexpr std::uint32_t kXResolutionOffset = kBitsPerSampleOffset + 4 * 2;
constexpr std::uint32_t kYResolutionOffset = kXResolutionOffset + 8;
constexpr std::uint32_t kPixelOffset = kYResolutionOffset + 8;
static_assert(kPixelOffset % 2 == 0, "values begin on a word boundary");

constexpr std::uint64_t kLargestFile = 0xFFFFFFFFull;

class LittleEndianWriter {
  public:
    explicit LittleEndianWriter(std::vector<std::uint8_t>& out) : out_(out) {}
    void u16(std::uint16_t value) {
        out_.push_back(static_cast<std::uint8_t>(value));
        out_.push_back(static_cast<std::uint8_t>(value >> 8));
    }
    void u32(std::uint32_t value) {
        u16(static_cast<std::uint16_t>(value));
        u16(static_cast<std::uint16_t>(value >> 16));
    }
    /// One directory entry; a SHORT value sits in the low bytes of the value field.
    void entry(std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t value) {
        u16(tag);
        u16(type);
        u32(count);
        if (type == kShort && count == 1) {
            u16(static_cast<std::uint16_t>(value));
            u16(0);
        } else {
            u32(value);
        }
    }

  private:
    std::vector<std::uint8_t>& out_;
};

}  // namespace

std::uint64_t tiffEncodedLength(const RgbaImage& image) {
    const std::uint64_t pixelBytes = std::uint64_t{image.width} * image.height * 4;
    if (pixelBytes == 0 || image.pixels.size() != pixelBytes ||
        pixelBytes > kLargestFile - kPixelOffset) {
        return 0;
    }
    return kPixelOffset + pixelBytes;
}

std::vector<std::uint8_t> encodeTiff(const RgbaImage& image) {
    const std::uint64_t length = tiffEncodedLength(image);
    if (length == 0) {
        return {};
    }
    const auto pixelBytes = static_cast<std::uint32_t>(image.pixels.size());

    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(length));
    LittleEndianWriter put(out);

    // Header: byte order, the TIFF version number 42, where the directory starts.
    out.push_back('I');
    out.push_back('I');
    put.u16(42);
    put.u32(kHeaderLength);

    // The directory, its entries in ascending tag order.
    put.u16(kEntryCount);
    put.entry(kImageWidth, kLong, 1, image.width);
    put.entry(kImageLength, kLong, 1, image.height);
    put.entry(kBitsPerSample, kShort, 4, kBitsPerSampleOffset);
    put.entry(kCompression, kShort, 1, kNoCompression);
    put.entry(kPhotometricInterpretation, kShort, 1, kPhotometricRgb);
    put.entry(kStripOffsets, kLong, 1, kPixelOffset);
    put.entry(kSamplesPerPixel, kShort, 1, 4);
    put.entry(kRowsPerStrip, kLong, 1, image.height);
    put.entry(kStripByteCounts, kLong, 1, pixelBytes);
    put.entry(kXResolution, kRational, 1, kXResolutionOffset);
    put.entry(kYResolution, kRational, 1, kYResolutionOffset);
    put.entry(kPlanarConfiguration, kShort, 1, kChunky);
    put.entry(kResolutionUnit, kShort, 1, kInch);
    put.entry(kExtraSamples, kShort, 1, kUnassociatedAlpha);
    put.u32(0);  // no further directory

    // Values too large for their entries.
    for (int sample = 0; sample < 4; ++sample) {
        put.u16(8);
    }
    for (int resolution = 0; resolution < 2; ++resolution) {
        put.u32(kDotsPerInch);
        put.u32(1);
    }

    out.insert(out.end(), image.pixels.begin(), image.pixels.end());
    return out;
}

}  // namespace headroom

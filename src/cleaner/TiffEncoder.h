#pragma once

#include <cstdint>
#include <vector>

#include "platform/RgbaImage.h"

namespace headroom {

/// Length in bytes of what `encodeTiff` makes of `image`: the 8-byte header, the one image file
/// directory with its out-of-line values, then the pixels. 0 when the image cannot be encoded:
/// no pixels, a pixel buffer that is not width × height × 4 bytes, or a file past the 4 GiB
/// that 32-bit TIFF offsets reach.
std::uint64_t tiffEncodedLength(const RgbaImage& image);

/// The image as an uncompressed baseline TIFF (TIFF 6.0, little-endian "II*\0"): RGB with one
/// extra sample of unassociated alpha, 8 bits each, chunky, in a single strip, 72 dpi. Every
/// byte is written into a newly allocated buffer, so the whole length is really claimed.
/// Empty when `tiffEncodedLength` is 0.
std::vector<std::uint8_t> encodeTiff(const RgbaImage& image);

}  // namespace headroom

#pragma once

#include <cstdint>
#include <vector>

namespace headroom {

/// A decoded image: rows from top to bottom, four bytes per pixel (red, green, blue, alpha),
/// alpha not premultiplied. `pixels` holds exactly width × height × 4 bytes.
struct RgbaImage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> pixels;
};

}  // namespace headroom

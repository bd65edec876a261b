#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace headroom {

/// Makes the TIFF representation of one image anew at every call, every byte written into
/// memory of its own; empty when the memory is refused.
using TiffMaker = std::function<std::vector<std::uint8_t>()>;

/// The images shipped with the application, found by name (without extension).
class BundleResources {
  public:
    virtual ~BundleResources() = default;
    /// The maker of image `name`'s TIFF representation, which holds what it needs for as long
    /// as it is held; none, with the reason in `error`, when the image cannot be had.
    virtual TiffMaker tiffRepresentation(const std::string& name, std::string& error) = 0;
};

}  // namespace headroom

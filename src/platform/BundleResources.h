#pragma once

#include <memory>
#include <string>

#include "platform/RgbaImage.h"

namespace headroom {

/// An image of the application's resources, or why there is none.
struct ImageLookup {
    std::shared_ptr<const RgbaImage> image;  ///< null when the image cannot be had
    std::string error;                       ///< why, when `image` is null
};

/// The images shipped with the application, found by name (without extension).
class BundleResources {
  public:
    virtual ~BundleResources() = default;
    /// The decoded image. Looking the same name up again while a previous result is still held
    /// gives the same pixels without decoding them again.
    virtual ImageLookup imageNamed(const std::string& name) = 0;
};

}  // namespace headroom

#pragma once

#include <map>
#include <memory>
#include <string>

#include "platform/BundleResources.h"

namespace headroom {

/// The application's images as PNG files `<folder>/<name>.png`, decoded by gdk-pixbuf into
/// 8-bit RGBA (an image without alpha gets an opaque one).
///
/// A decoded image is shared, not kept: while any caller still holds the result of a lookup,
/// looking the same name up again returns those pixels; once the last holder lets go, the
/// memory goes with it and the next lookup decodes the file again. (The block image of a clean
/// is 64 MiB decoded; a memory monitor should not keep that between cleans.)
class PixbufBundleResources final : public BundleResources {
  public:
    explicit PixbufBundleResources(std::string folder);

    /// Nothing, with the file and gdk-pixbuf's reason in `error`, when the file cannot be read
    /// or decoded, is not 8 bits per sample, or `name` is not a plain file name.
    ImageLookup imageNamed(const std::string& name) override;

  private:
    std::string folder_;
    std::map<std::string, std::weak_ptr<const RgbaImage>> shared_;
};

}  // namespace headroom

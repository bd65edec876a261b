#pragma once

#include <string>

#include "platform/BundleResources.h"

namespace headroom {

/// The application's images as PNG files `<folder>/<name>.png`, decoded and encoded as TIFF by
/// gdk-pixbuf.
///
/// The encoding lives in the maker, not here: the block image of a clean is 64 MiB, which a
/// memory monitor should not keep between cleans.
class PixbufBundleResources final : public BundleResources {
  public:
    explicit PixbufBundleResources(std::string folder);

    /// None, with the file and gdk-pixbuf's reason in `error`, when the file cannot be read,
    /// decoded or encoded, or `name` is not a plain file name.
    TiffMaker tiffRepresentation(const std::string& name, std::string& error) override;

  private:
    std::string folder_;
};

}  // namespace headroom

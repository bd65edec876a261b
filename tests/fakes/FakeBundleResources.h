#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/BundleResources.h"

namespace headroom::test {

/// A bundle whose one image, "hd", encodes to `blockLength` bytes (256 out of the box), or
/// that lacks it.
class FakeBundleResources final : public BundleResources {
  public:
    TiffMaker tiffRepresentation(const std::string& name, std::string& error) override {
        if (name != "hd" || !hasImage) {
            error = "no such image in the fake bundle";
            return nullptr;
        }
        return [length = blockLength] { return std::vector<std::uint8_t>(length, 'I'); };
    }

    bool hasImage = true;
    std::size_t blockLength = 256;
};

}  // namespace headroom::test

#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "CallJournal.h"
#include "platform/BundleResources.h"

namespace headroom::test {

/// Images the test puts in the bundle. Out of the box it holds "hd", 4 × 4 opaque pixels, so
/// that a clean's block is 270 bytes long (206 of header and directory, 64 of pixels).
class FakeBundleResources final : public BundleResources, public Journaled {
  public:
    FakeBundleResources() { setImage("hd", solidImage(4, 4)); }

    ImageLookup imageNamed(const std::string& name) override {
        note("bundleResources.imageNamed");
        ++lookups_;
        const auto found = images_.find(name);
        if (found == images_.end()) {
            return ImageLookup{nullptr, "no such image in the fake bundle"};
        }
        return ImageLookup{found->second, ""};
    }

    void setImage(const std::string& name, RgbaImage image) {
        images_[name] = std::make_shared<const RgbaImage>(std::move(image));
    }
    void removeImage(const std::string& name) { images_.erase(name); }
    std::size_t lookups() const { return lookups_; }

    static RgbaImage solidImage(std::uint32_t width, std::uint32_t height) {
        RgbaImage image{width, height, {}};
        image.pixels.assign(std::size_t{width} * height * 4, 0xFF);
        return image;
    }

  private:
    std::map<std::string, std::shared_ptr<const RgbaImage>> images_;
    std::size_t lookups_ = 0;
};

}  // namespace headroom::test

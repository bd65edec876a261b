#include "platform/linux/PixbufBundleResources.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstddef>
#include <cstring>
#include <utility>

namespace headroom {

namespace {

struct PixbufUnref {
    void operator()(GdkPixbuf* pixbuf) const { g_object_unref(pixbuf); }
};
using PixbufPtr = std::unique_ptr<GdkPixbuf, PixbufUnref>;

bool isPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

}  // namespace

PixbufBundleResources::PixbufBundleResources(std::string folder) : folder_(std::move(folder)) {}

ImageLookup PixbufBundleResources::imageNamed(const std::string& name) {
    if (!isPlainName(name)) {
        return ImageLookup{nullptr, "\"" + name + "\" is not a resource name"};
    }
    if (auto held = shared_[name].lock()) {
        return ImageLookup{std::move(held), ""};
    }

    const std::string path = folder_ + "/" + name + ".png";
    GError* error = nullptr;
    PixbufPtr pixbuf(gdk_pixbuf_new_from_file(path.c_str(), &error));
    if (!pixbuf) {
        const std::string reason = error != nullptr ? error->message : "gdk-pixbuf gave no reason";
        g_clear_error(&error);
        return ImageLookup{nullptr, "cannot load " + path + ": " + reason};
    }
    if (gdk_pixbuf_get_colorspace(pixbuf.get()) != GDK_COLORSPACE_RGB ||
        gdk_pixbuf_get_bits_per_sample(pixbuf.get()) != 8) {
        return ImageLookup{nullptr, path + " is not an image of 8-bit RGB samples"};
    }
    if (!gdk_pixbuf_get_has_alpha(pixbuf.get())) {
        pixbuf.reset(gdk_pixbuf_add_alpha(pixbuf.get(), FALSE, 0, 0, 0));
        if (!pixbuf) {
            return ImageLookup{nullptr, "cannot add an alpha channel to " + path};
        }
    }

    auto image = std::make_shared<RgbaImage>();
    image->width = static_cast<std::uint32_t>(gdk_pixbuf_get_width(pixbuf.get()));
    image->height = static_cast<std::uint32_t>(gdk_pixbuf_get_height(pixbuf.get()));
    const std::size_t rowBytes = std::size_t{image->width} * 4;
    const auto stride = static_cast<std::size_t>(gdk_pixbuf_get_rowstride(pixbuf.get()));
    const guint8* source = gdk_pixbuf_read_pixels(pixbuf.get());
    // Rows are padded to the stride in the pixbuf, never in the image.
    image->pixels.resize(rowBytes * image->height);
    for (std::size_t row = 0; row < image->height; ++row) {
        std::memcpy(image->pixels.data() + row * rowBytes, source + row * stride, rowBytes);
    }

    std::shared_ptr<const RgbaImage> shared = std::move(image);
    shared_[name] = shared;
    return ImageLookup{std::move(shared), ""};
}

}  // namespace headroom

#include "platform/linux/PixbufBundleResources.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace headroom {

namespace {

bool isPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

/// gdk-pixbuf hands the encoding over in pieces (the TIFF saver in one); each is appended.
gboolean appendBytes(const gchar* bytes, gsize count, GError** error, gpointer data) {
    auto& out = *static_cast<std::vector<std::uint8_t>*>(data);
    try {
        out.insert(out.end(), bytes, bytes + count);
        return TRUE;
    } catch (const std::bad_alloc&) {
        g_set_error_literal(error, GDK_PIXBUF_ERROR, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY,
                            "no memory for the block");
        return FALSE;
    }
}

}  // namespace

PixbufBundleResources::PixbufBundleResources(std::string folder) : folder_(std::move(folder)) {}

TiffMaker PixbufBundleResources::tiffRepresentation(const std::string& name, std::string& error) {
    if (!isPlainName(name)) {
        error = "\"" + name + "\" is not a resource name";
        return nullptr;
    }
    const std::string path = folder_ + "/" + name + ".png";
    g_autoptr(GError) failure = nullptr;
    auto tiff = std::make_shared<std::vector<std::uint8_t>>();
    if (g_autoptr(GdkPixbuf) pixbuf = gdk_pixbuf_new_from_file(path.c_str(), &failure)) {
        // Uncompressed (libtiff's COMPRESSION_NONE is 1), so that the block is as long as the
        // pixels.
        gdk_pixbuf_save_to_callback(pixbuf, appendBytes, tiff.get(), "tiff", &failure,
                                    "compression", "1", nullptr);
    }
    if (failure != nullptr) {
        error = "cannot make a TIFF of " + path + ": " + failure->message;
        return nullptr;
    }
    // gdk-pixbuf's TIFF saver takes several times as long as a copy of what it made, so the
    // image is encoded once per maker and every block is a copy: the same bytes in memory of
    // its own, every byte written.
    return [tiff] { return *tiff; };
}

}  // namespace headroom

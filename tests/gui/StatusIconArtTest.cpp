// The tray's images and label guide. Images are checked by rendering them with librsvg (through
// gdk-pixbuf, no display needed) and sampling pixels, so that a wrong placement shows.

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>

#include "ui/gtk/StatusIconArt.h"

namespace headroom {
namespace {

/// A rendered image; pixels are sampled at whole coordinates (the pixel from x to x + 1).
class Rendered {
  public:
    explicit Rendered(const std::string& svg) {
        GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("svg", nullptr);
        const auto* bytes = reinterpret_cast<const guchar*>(svg.data());
        if (gdk_pixbuf_loader_write(loader, bytes, svg.size(), nullptr) != FALSE &&
            gdk_pixbuf_loader_close(loader, nullptr) != FALSE) {
            pixbuf_ = gdk_pixbuf_loader_get_pixbuf(loader);
            g_object_ref(pixbuf_);
        }
        g_object_unref(loader);
    }
    ~Rendered() {
        if (pixbuf_ != nullptr) {
            g_object_unref(pixbuf_);
        }
    }
    Rendered(const Rendered&) = delete;
    Rendered& operator=(const Rendered&) = delete;

    bool valid() const { return pixbuf_ != nullptr && gdk_pixbuf_get_has_alpha(pixbuf_) != FALSE; }
    int width() const { return gdk_pixbuf_get_width(pixbuf_); }
    int height() const { return gdk_pixbuf_get_height(pixbuf_); }
    int channel(int x, int y, int c) const {
        const guchar* row = gdk_pixbuf_get_pixels(pixbuf_) + y * gdk_pixbuf_get_rowstride(pixbuf_);
        return row[x * gdk_pixbuf_get_n_channels(pixbuf_) + c];
    }
    int alpha(int x, int y) const { return channel(x, y, 3); }

  private:
    GdkPixbuf* pixbuf_ = nullptr;
};

constexpr int kOpaque = 200;
constexpr int kClear = 60;

std::string resource(const std::string& name) {
    std::ifstream in(std::string(HEADROOM_RESOURCES_DIR) + "/" + name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

const SvgArtwork& outline() {
    static const SvgArtwork artwork = parseSvgArtwork(resource("h4_n.svg")).value();
    return artwork;
}

TEST(StatusIconArtTest, BarGrowsFromTheLeftInsideTheOutlineAtTheDrawnHeight) {
    struct Case {
        float width;
        bool at3, at7, at10, at13;  // bar present at pixel columns 3, 7, 10, 13 of row 8
    };
    for (const Case c :
         {Case{0.0f, false, false, false, false}, Case{5.7f, true, true, false, false},
          Case{11.4f, true, true, true, true}}) {
        SCOPED_TRACE(c.width);
        const Rendered image(barIconSvg(&outline(), c.width, kIconGrey));
        ASSERT_TRUE(image.valid());
        ASSERT_EQ(image.width(), 22);
        ASSERT_EQ(image.height(), 18);
        EXPECT_GT(image.alpha(1, 8), kOpaque) << "the outline's left side";
        EXPECT_LT(image.alpha(19, 8), kClear) << "right of the outline the canvas is empty";
        const int columns[] = {3, 7, 10, 13};
        const bool expected[] = {c.at3, c.at7, c.at10, c.at13};
        for (int i = 0; i < 4; ++i) {
            if (expected[i]) {
                EXPECT_GT(image.alpha(columns[i], 8), kOpaque) << "column " << columns[i];
            } else {
                EXPECT_LT(image.alpha(columns[i], 8), kClear) << "column " << columns[i];
            }
        }
    }
    // The bar spans y 6.8 to 12.2 from the bottom, that is 5.8 to 11.2 from the top: row 6 is
    // covered, rows 5 and 11 only by a fifth.
    const Rendered full(barIconSvg(&outline(), 11.4f, kIconGrey));
    EXPECT_GT(full.alpha(8, 6), kOpaque);
    EXPECT_LT(full.alpha(8, 5), 100);
    EXPECT_LT(full.alpha(8, 11), 100);
    EXPECT_GT(full.alpha(8, 10), kOpaque);
}

TEST(StatusIconArtTest, ColourOutOfRangeWidthsAndTheBarWithoutOutline) {
    const Rendered red(barIconSvg(&outline(), 11.4f, kIconRed));
    EXPECT_GT(red.channel(8, 8, 0), kOpaque);
    EXPECT_LT(red.channel(8, 8, 1), kClear);

    // Widths that cannot be drawn are clamped; widths that draw alike give the same text.
    EXPECT_EQ(barIconSvg(nullptr, std::nanf(""), kIconGrey), barIconSvg(nullptr, 0.0f, kIconGrey));
    EXPECT_EQ(barIconSvg(nullptr, -3.0f, kIconGrey), barIconSvg(nullptr, 0.0f, kIconGrey));
    EXPECT_EQ(barIconSvg(nullptr, 50.0f, kIconGrey), barIconSvg(nullptr, 11.4f, kIconGrey));
    EXPECT_EQ(barIconSvg(nullptr, 8.549999f, kIconGrey), barIconSvg(nullptr, 8.55f, kIconGrey));
    EXPECT_NE(barIconSvg(nullptr, 8.55f, kIconGrey), barIconSvg(nullptr, 8.6f, kIconGrey));

    const Rendered bare(barIconSvg(nullptr, 11.4f, kIconGrey));
    ASSERT_TRUE(bare.valid());
    EXPECT_LT(bare.alpha(1, 8), kClear);
    EXPECT_GT(bare.alpha(8, 8), kOpaque);

    const Rendered blank(blankIconSvg());
    ASSERT_TRUE(blank.valid());
    EXPECT_EQ(blank.alpha(0, 9), 0);
}

TEST(StatusIconArtTest, ArtworkIsReadFromItsViewBoxOrSize) {
    const auto placeholder = parseSvgArtwork(resource("h2_n.svg"));
    ASSERT_TRUE(placeholder.has_value());
    EXPECT_EQ(placeholder->viewWidth, 22.0);
    EXPECT_EQ(placeholder->viewHeight, 18.0);
    const Rendered drawn(artworkSvg(*placeholder, kIconRed));
    ASSERT_TRUE(drawn.valid());
    EXPECT_GT(drawn.channel(4, 9, 0), kOpaque) << "a cell of the placeholder, in red";

    const auto sized = parseSvgArtwork(
        "<?xml version=\"1.0\"?>\n<!-- <svg viewBox=\"9 9 9 9\"> -->\n"
        "<svg width=\"24px\" height='12'><rect width=\"1\" height=\"1\"/></svg>");
    ASSERT_TRUE(sized.has_value());
    EXPECT_EQ(sized->viewWidth, 24.0);
    EXPECT_EQ(sized->viewHeight, 12.0);
    EXPECT_EQ(sized->body, "<rect width=\"1\" height=\"1\"/>");

    for (const char* bad :
         {"", "not an image", "<svgx viewBox=\"0 0 1 1\"></svgx>",
          "<svg viewBox=\"0 0 0 5\"></svg>", "<svg width=\"1em\" height=\"5\"></svg>",
          "<svg viewBox=\"0 0 1 1\"><rect/>", "<svg data-viewBox=\"0 0 1 1\"></svg>"}) {
        EXPECT_FALSE(parseSvgArtwork(bad).has_value()) << bad;
    }
}

TEST(StatusIconArtTest, LabelGuideIsTheWidestTextOfTheTitlesForm) {
    EXPECT_EQ(labelGuide("2.00 GB"), "8888.88 MB");
    EXPECT_EQ(labelGuide("512.00 KB"), "8888.88 MB");
    EXPECT_EQ(labelGuide("1023.99 MB"), "8888.88 MB");
    EXPECT_EQ(labelGuide("12288.00 GB"), "88888.88 MB");
    EXPECT_EQ(labelGuide("26.62%"), "100.00%");
    EXPECT_EQ(labelGuide("100.00%"), "100.00%");
    EXPECT_EQ(labelGuide("7%"), "100%");
    EXPECT_EQ(labelGuide(""), "");
    EXPECT_EQ(labelGuide("Error"), "Error");
    EXPECT_EQ(labelGuide("2.0 GB"), "2.0 GB");
}

}  // namespace
}  // namespace headroom

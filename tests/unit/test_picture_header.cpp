// Picture headers read before decoding: format by bytes, sizes, JPEG frame
// types and marks, EXIF orientation, and the refusals.
#include <gtest/gtest.h>

#include <string>

#include "pictures/pictureheader.h"

namespace {

PictureHeader read(const std::string& bytes)
{
    PictureHeader h;
    pictureheader_read(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), &h);
    return h;
}

std::string be16(unsigned v) { return std::string{char(v >> 8), char(v & 0xFF)}; }
std::string be32(unsigned v) { return be16(v >> 16) + be16(v & 0xFFFF); }

std::string png(unsigned w, unsigned h, int depth, int type, int interlace, const std::string& chunks = "")
{
    return std::string("\x89PNG\r\n\x1a\n", 8) + be32(13) + "IHDR" + be32(w) + be32(h) + char(depth) + char(type) +
           std::string(2, '\0') + char(interlace) + be32(0) + chunks + be32(0) + "IDAT" + be32(0);
}

std::string segment(int marker, const std::string& body)
{
    return std::string{'\xFF', char(marker)} + be16(body.size() + 2) + body;
}

std::string sof(int marker, int precision, unsigned w, unsigned h, int comps)
{
    return segment(marker,
                   std::string(1, char(precision)) + be16(h) + be16(w) + char(comps) + std::string(3 * comps, '\x11'));
}

// A big-endian TIFF with one IFD entry: orientation.
std::string exif(int orientation, bool little = false)
{
    std::string t = little ? std::string("II\x2A\0\x08\0\0\0", 8) : std::string("MM\0\x2A\0\0\0\x08", 8);
    auto u16 = [&](unsigned v) { return little ? std::string{char(v & 0xFF), char(v >> 8)} : be16(v); };
    auto u32 = [&](unsigned v) { return little ? u16(v & 0xFFFF) + u16(v >> 16) : be32(v); };
    t += u16(1) + u16(0x0112) + u16(3) + u32(1) + u16(orientation) + u16(0) + u32(0);
    return std::string("Exif\0\0", 6) + t;
}

const std::string kSoi = "\xFF\xD8";

}  // namespace

TEST(PictureHeader, FormatFromBytesAndSizes)
{
    PictureHeader h = read(std::string("GIF89a") + "\x40\x01\xF0\x00" + std::string(10, '\0'));
    EXPECT_EQ(h.format, PICFMT_GIF);
    EXPECT_EQ(h.width, 320u);
    EXPECT_EQ(h.height, 240u);

    h = read(png(640, 480, 8, 6, 0));
    EXPECT_EQ(h.format, PICFMT_PNG);
    EXPECT_TRUE(h.complete);
    EXPECT_EQ(h.width * 1000 + h.height, 640480u);
    EXPECT_TRUE(h.alpha);
    EXPECT_FALSE(h.interlaced);
    h = read(png(10, 10, 8, 3, 1, be32(1) + "tRNS" + std::string(1, '\0') + be32(0)));
    EXPECT_TRUE(h.alpha);
    EXPECT_TRUE(h.interlaced);
    EXPECT_FALSE(read(png(10, 10, 3, 2, 0)).complete);  // no 3-bit depth

    // VP8L: 14-bit width-1 and height-1 after the 0x2F signature.
    unsigned bits = (100 - 1) | (50 - 1) << 14 | 1u << 28;
    std::string vp8l = std::string("RIFF\0\0\0\0WEBPVP8L\0\0\0\0\x2F", 21) + char(bits) + char(bits >> 8) +
                       char(bits >> 16) + char(bits >> 24) + std::string(10, '\0');
    h = read(vp8l);
    EXPECT_EQ(h.format, PICFMT_WEBP);
    EXPECT_EQ(h.width, 100u);
    EXPECT_EQ(h.height, 50u);
    EXPECT_TRUE(h.alpha);
    // VP8X: flags (animation 0x02), 24-bit sizes minus one.
    std::string vp8x = std::string("RIFF\0\0\0\0WEBPVP8X\x0A\0\0\0\x02\0\0\0\xFF\x03\0\x01\x00\x00", 30);
    h = read(vp8x);
    EXPECT_TRUE(h.animated);
    EXPECT_EQ(h.width, 1024u);
    EXPECT_EQ(h.height, 2u);

    // A name says nothing: bytes of no known format.
    EXPECT_EQ(read("<svg xmlns=...>").format, PICFMT_UNKNOWN);
}

TEST(PictureHeader, JpegFramesAndMarks)
{
    PictureHeader h = read(kSoi + segment(0xE1, exif(1)) + sof(0xC0, 8, 300, 200, 3));
    EXPECT_TRUE(h.exif);
    EXPECT_FALSE(h.jfif);
    EXPECT_EQ(h.orientation, 1);
    EXPECT_EQ(h.width * 1000 + h.height, 300200u);
    EXPECT_TRUE(pictureheader_jpegasis(h));

    h = read(kSoi + segment(0xE0, std::string("JFIF\0\1\1", 7)) + sof(0xC1, 8, 10, 10, 1));
    EXPECT_TRUE(h.jfif);
    EXPECT_TRUE(pictureheader_jpegasis(h));

    // Re-encoded: progressive, arithmetic, 12-bit, CMYK, turned.
    EXPECT_FALSE(pictureheader_jpegasis(read(kSoi + sof(0xC2, 8, 10, 10, 3))));
    EXPECT_TRUE(read(kSoi + sof(0xC2, 8, 10, 10, 3)).interlaced);
    EXPECT_FALSE(pictureheader_jpegasis(read(kSoi + sof(0xC9, 8, 10, 10, 3))));
    EXPECT_FALSE(pictureheader_jpegasis(read(kSoi + sof(0xC1, 12, 10, 10, 3))));
    h = read(kSoi + segment(0xEE, std::string("Adobe\0\x64\0\0\0\0\x02", 12)) + sof(0xC0, 8, 10, 10, 4));
    EXPECT_TRUE(h.adobe);
    EXPECT_EQ(h.adobe_transform, 2);
    EXPECT_FALSE(pictureheader_jpegasis(h));
    h = read(kSoi + segment(0xE1, exif(6, true)) + sof(0xC0, 8, 10, 10, 3));
    EXPECT_EQ(h.orientation, 6);
    EXPECT_FALSE(pictureheader_jpegasis(h));

    // Tables before the frame (DHT C4 is not a frame); scan data before
    // any frame, or a cut frame, leaves the size unknown.
    h = read(kSoi + segment(0xC4, std::string(20, '\0')) + sof(0xC0, 8, 7, 9, 3));
    EXPECT_EQ(h.width * 100 + h.height, 709u);
    EXPECT_FALSE(read(kSoi + segment(0xDA, "xx") + sof(0xC0, 8, 7, 9, 3)).complete);
    EXPECT_FALSE(read((kSoi + sof(0xC0, 8, 7, 9, 3)).substr(0, 8)).complete);
}

TEST(PictureHeader, ExifOrientationIsBounded)
{
    std::string t = exif(8).substr(6);
    auto orient = [](const std::string& s) {
        return exif_orientation(reinterpret_cast<const unsigned char*>(s.data()), s.size());
    };
    EXPECT_EQ(orient(t), 8);
    EXPECT_EQ(orient(exif(3, true).substr(6)), 3);
    // The entry cut off, an IFD offset past the end, a value out of range.
    EXPECT_EQ(orient(t.substr(0, 20)), 0);
    std::string far = t;
    far[7] = '\x7F';
    EXPECT_EQ(orient(far), 0);
    EXPECT_EQ(orient(exif(9).substr(6)), 0);
    EXPECT_EQ(orient("XX"), 0);
}

TEST(PictureHeader, RefusalReasons)
{
    EXPECT_STREQ(pictureheader_refusal(read("BM...."), true), "not GIF or JPEG");
    EXPECT_STREQ(pictureheader_refusal(read(png(10, 10, 8, 2, 0)), false), "not GIF or JPEG");
    EXPECT_EQ(pictureheader_refusal(read(png(10, 10, 8, 2, 0)), true), nullptr);
    EXPECT_STREQ(pictureheader_refusal(read(png(0, 10, 8, 2, 0)), true), "damaged");
    // 50 megapixels pass, one more row does not; whatever the file's size.
    EXPECT_EQ(pictureheader_refusal(read(png(10000, 5000, 8, 2, 0)), true), nullptr);
    EXPECT_STREQ(pictureheader_refusal(read(png(10000, 5001, 8, 2, 0)), true), "too large");
    // WebP is decoded whole: RGBA plus the YUV planes, 5.5 bytes a pixel,
    // so 49 megapixels pass the pixel limit but not the memory one.
    auto webp = [](unsigned w, unsigned h) {
        std::string s("RIFF\0\0\0\0WEBPVP8X\x0A\0\0\0\0\0\0\0", 24);
        for (unsigned v : {w - 1, h - 1}) s += std::string{char(v & 0xFF), char(v >> 8 & 0xFF), char(v >> 16)};
        return s;
    };
    EXPECT_STREQ(pictureheader_refusal(read(webp(7000, 7000)), true), "too large");
    EXPECT_EQ(pictureheader_refusal(read(webp(6000, 6000)), true), nullptr);
    // Progressive JPEG of 65535 x 1000 keeps its coefficients: too large.
    EXPECT_STREQ(pictureheader_refusal(read(kSoi + sof(0xC2, 8, 65535, 1000, 3)), true), "too large");
    EXPECT_EQ(pictureheader_refusal(read(kSoi + sof(0xC0, 8, 65535, 700, 3)), true), nullptr);
}

// The transcode's decisions: what each kind of file becomes, and that the
// result decodes to the source's pixels.
#include <gtest/gtest.h>

#include "pictures/picturedecode.h"
#include "pictures/picturetranscode.h"
#include "pictures/picturewrite.h"
#include "test_picture_make.h"

using namespace picturetest;

namespace {

struct Result {
    const char* why;
    PictureFormat format;
    Bytes out;
};

[[maybe_unused]] Result transcode(const Bytes& file)
{
    PictureHeader h;
    pictureheader_read(data(file), file.size(), &h);
    Result r;
    r.why = picture_transcode(data(file), file.size(), h, &r.out, &r.format);
    return r;
}

[[maybe_unused]] PictureImage decoded(const Result& r)
{
    PictureImage img;
    const char* why = r.format == PICFMT_GIF ? picturedecode_gif(data(r.out), r.out.size(), &img)
                                             : picturedecode_jpeg(data(r.out), r.out.size(), &img);
    EXPECT_EQ(why, nullptr);
    return img;
}

[[maybe_unused]] int sof(const Bytes& jpg)
{
    PictureHeader h;
    pictureheader_read(data(jpg), jpg.size(), &h);
    return h.sof;
}

}  // namespace

#if defined(QUILLET_HAVE_PNG) && defined(QUILLET_HAVE_GIF) && defined(QUILLET_HAVE_JPEG)

TEST(PictureTranscode, PngBecomesGifOrJpegByItsColours)
{
    // Three colours and transparency, the transparent pixels only on the
    // last row: the row-by-row count must not have decided before.
    PictureImage few = flat(30, 20, 0x336699FF);
    put(&few, 5, 5, 0xFF0000FF);
    put(&few, 6, 5, 0x00FF00FF);
    put(&few, 29, 19, 0x12345600);
    for (bool interlaced : {false, true}) {
        Result r = transcode(png(few, interlaced));
        ASSERT_EQ(r.why, nullptr) << interlaced;
        EXPECT_EQ(r.format, PICFMT_GIF);
        PictureImage back = decoded(r);
        EXPECT_EQ(at(back, 29, 19), 0u);
        put(&back, 29, 19, 0x12345600);
        EXPECT_EQ(back.rgba, few.rgba) << interlaced;
    }

    // Partial alpha over few colours: a GIF of the colours over white.
    PictureImage half = flat(8, 8, 0x000000FF);
    put(&half, 1, 1, 0x00000080);
    Result r = transcode(png(half));
    ASSERT_EQ(r.format, PICFMT_GIF);
    EXPECT_EQ(at(decoded(r), 1, 1), 0x7F7F7FFFu);

    // Few colours for many rows, then a photograph's last rows: a JPEG.
    PictureImage late = flat(64, 64, 0x808080FF);
    PictureImage noise = photo(64, 8);
    std::copy(noise.rgba.begin(), noise.rgba.end(), late.rgba.end() - static_cast<long>(noise.rgba.size()));
    for (bool interlaced : {false, true}) {
        r = transcode(png(late, interlaced));
        ASSERT_EQ(r.why, nullptr);
        EXPECT_EQ(r.format, PICFMT_JPEG);
        EXPECT_EQ(sof(r.out), 0xC0);
        double mean = 0;
        maxdiff(late, decoded(r), &mean);
        EXPECT_LT(mean, 4.0) << interlaced;
    }

    PictureImage photo_alpha = photo(40, 40);
    put(&photo_alpha, 10, 10, 0x00000080);
    r = transcode(png(photo_alpha));
    ASSERT_EQ(r.format, PICFMT_JPEG);
    EXPECT_NEAR(decoded(r).rgba[(10 * 40 + 10) * 4], 127, 24);  // black at half over white

    Bytes cut = png(late);
    cut.resize(cut.size() / 2);
    r = transcode(cut);
    EXPECT_STREQ(r.why, "damaged");
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(r.format, PICFMT_UNKNOWN);
}

TEST(PictureTranscode, LargePngThroughTheTwoThreads)
{
    // Past a megapixel, decoding and encoding run on two threads.
    PictureImage big = photo(1100, 1000);
    Bytes file = png(big);
    Result r = transcode(file);
    ASSERT_EQ(r.why, nullptr);
    EXPECT_EQ(r.format, PICFMT_JPEG);
    double mean = 0;
    maxdiff(big, decoded(r), &mean);
    EXPECT_LT(mean, 4.0);
    file.resize(file.size() * 3 / 4);
    r = transcode(file);
    EXPECT_STREQ(r.why, "damaged");
    EXPECT_TRUE(r.out.empty());
}

TEST(PictureTranscode, JpegKeptReencodedOrTurned)
{
    PictureImage src = photo(32, 16);
    Bytes baseline;
    ASSERT_TRUE(picturewrite_jpeg(src, 90, &baseline));
    Result r = transcode(baseline);
    EXPECT_EQ(r.why, nullptr);
    EXPECT_EQ(r.format, PICFMT_JPEG);
    EXPECT_TRUE(r.out.empty());  // embedded as it is
    Bytes cut(baseline.begin(), baseline.end() - 40);
    EXPECT_STREQ(transcode(cut).why, "damaged");

    JpegKind kind;
    kind.progressive = true;
    r = transcode(jpeg(src, kind));
    ASSERT_EQ(r.why, nullptr);
    EXPECT_EQ(r.format, PICFMT_JPEG);
    EXPECT_EQ(sof(r.out), 0xC0);
    double mean = 0;
    maxdiff(src, decoded(r), &mean);
    EXPECT_LT(mean, 4.0);

    // Orientation 6: the stored picture's top row is the shown right
    // column, so a red left half and a blue right half show red on top.
    PictureImage halves = flat(32, 16, 0xFF0000FF);
    for (unsigned y = 0; y < 16; ++y)
        for (unsigned x = 16; x < 32; ++x) put(&halves, x, y, 0x0000FFFF);
    kind = JpegKind();
    kind.orientation = 6;
    r = transcode(jpeg(halves, kind));
    ASSERT_EQ(r.why, nullptr);
    PictureImage up = decoded(r);
    ASSERT_EQ(up.width, 16u);
    ASSERT_EQ(up.height, 32u);
    EXPECT_GT(up.rgba[(4 * 16 + 8) * 4], 230);  // red near the top
    EXPECT_LT(up.rgba[(4 * 16 + 8) * 4 + 2], 25);
    EXPECT_GT(up.rgba[(28 * 16 + 8) * 4 + 2], 230);  // blue near the bottom
    EXPECT_LT(up.rgba[(28 * 16 + 8) * 4], 25);

    // 25 megapixels progressive and turned: the coefficients (225 MB by the
    // header's estimate) and the turned picture (100 MB) pass 256 MB.
    kind.progressive = true;
    Bytes big = jpeg(halves, kind);
    for (size_t i = 0; i + 8 < big.size(); ++i)
        if (big[i] == 0xFF && big[i + 1] == 0xC2) {
            big[i + 5] = big[i + 7] = 5000 >> 8;
            big[i + 6] = big[i + 8] = 5000 & 0xFF;
            break;
        }
    PictureHeader h;
    pictureheader_read(data(big), big.size(), &h);
    ASSERT_EQ(pictureheader_refusal(h, true), nullptr);
    EXPECT_STREQ(transcode(big).why, "too large");
}

TEST(PictureTranscode, GifKeptAndHeadersRefused)
{
    PictureImage two = flat(9, 9, 0x000000FF);
    put(&two, 4, 4, 0x00000000);
    Bytes gif;
    ASSERT_TRUE(picturewrite_gif(two, &gif));
    Result r = transcode(gif);
    EXPECT_EQ(r.why, nullptr);
    EXPECT_EQ(r.format, PICFMT_GIF);
    EXPECT_TRUE(r.out.empty());
    gif.resize(gif.size() - 8);
    EXPECT_STREQ(transcode(gif).why, "damaged");

    // 60 megapixels claimed by a PNG header with no data behind it.
    Bytes big = png(flat(2, 2, 0xFFFFFFFF));
    big[16] = 0;
    big[17] = 0;
    big[18] = 0x1F;
    big[19] = 0x40;  // 8000 wide
    big[22] = 0x1D;
    big[23] = 0x4C;  // 7500 high
    EXPECT_STREQ(transcode(big).why, "too large");
    EXPECT_STREQ(transcode(Bytes{'B', 'M', 0, 0}).why, "not GIF or JPEG");
}

#endif

TEST(PictureTranscode, WhatABuildWithoutTheLibrariesDoes)
{
    // Headers alone: a 2 x 2 PNG and a 2 x 2 GIF screen, with no picture
    // data. With the library each is damaged; without, the PNG cannot be
    // read and the GIF goes in unchecked.
    Bytes png_header = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0,
                        0,    0,   2,   0,   0,    0,    2,    8,    2, 0, 0, 0,  0,   0,   0,   0};
    Bytes gif_header = {'G', 'I', 'F', '8', '9', 'a', 2, 0, 2, 0, 0, 0, 0, ';'};
    Result png_r = transcode(png_header), gif_r = transcode(gif_header);
#ifdef QUILLET_HAVE_PNG
    EXPECT_STREQ(png_r.why, "damaged");
#else
    EXPECT_STREQ(png_r.why, "not GIF or JPEG");
#endif
#ifdef QUILLET_HAVE_GIF
    EXPECT_STREQ(gif_r.why, "damaged");
#else
    EXPECT_EQ(gif_r.why, nullptr);
    EXPECT_EQ(gif_r.format, PICFMT_GIF);
    EXPECT_TRUE(gif_r.out.empty());
#endif
#if defined(QUILLET_HAVE_PNG) && !defined(QUILLET_HAVE_GIF)
    // Two colours, which would make a GIF: a JPEG, or nothing without libjpeg.
    PictureImage two = flat(16, 16, 0x204060FF);
    put(&two, 3, 3, 0xFFFFFF00);
    Result r = transcode(png(two));
#ifdef QUILLET_HAVE_JPEG
    ASSERT_EQ(r.why, nullptr);
    EXPECT_EQ(r.format, PICFMT_JPEG);
    EXPECT_GT(decoded(r).rgba[(3 * 16 + 3) * 4 + 2], 230);  // the transparent pixel over white
#else
    EXPECT_STREQ(r.why, "not GIF or JPEG");
#endif
#endif
}

#ifdef QUILLET_HAVE_WEBP
TEST(PictureTranscode, WebpBecomesJpeg)
{
#ifndef QUILLET_HAVE_JPEG
    GTEST_SKIP() << "built without libjpeg";
#else
    PictureImage src = photo(24, 24);
    uint8_t* out = nullptr;
    size_t size = WebPEncodeLosslessRGBA(src.rgba.data(), 24, 24, 96, &out);
    Bytes webp(out, out + size);
    WebPFree(out);
    Result r = transcode(webp);
    ASSERT_EQ(r.why, nullptr);
    EXPECT_EQ(r.format, PICFMT_JPEG);
    double mean = 0;
    maxdiff(src, decoded(r), &mean);
    EXPECT_LT(mean, 4.0);
#endif
}
#endif

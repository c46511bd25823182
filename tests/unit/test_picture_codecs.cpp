// The decoders (WebP, JPEG, GIF), the embedding checks and the GIF and JPEG
// writers, on pictures the libraries make here, of known pixels.
#include <gtest/gtest.h>

#include <fstream>

#include "pictures/picturedecode.h"
#include "pictures/picturewrite.h"
#include "test_picture_make.h"

#ifdef QUILLET_HAVE_GIF
#include <gif_lib.h>
#endif
#ifdef QUILLET_HAVE_WEBP
#include <webp/encode.h>
#endif

using namespace picturetest;

namespace {

// The process's peak resident memory in kB.
[[maybe_unused]] long peak_kb()
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    return 0;
}

#ifdef QUILLET_HAVE_GIF
int gif_append(GifFileType* g, const GifByteType* p, int n)
{
    static_cast<Bytes*>(g->UserData)->insert(static_cast<Bytes*>(g->UserData)->end(), p, p + n);
    return n;
}

// A 4 x 3 screen whose first frame is 2 x 2 at (1, 1): indices 0 1 / 2 0,
// index 1 transparent; a second frame, all index 2, covers the screen.
Bytes two_frame_gif()
{
    Bytes out;
    int err;
    GifFileType* g = EGifOpen(&out, gif_append, &err);
    GifColorType colours[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {9, 9, 9}};
    ColorMapObject* map = GifMakeMapObject(4, colours);
    EGifSetGifVersion(g, true);
    EGifPutScreenDesc(g, 4, 3, 8, 0, map);
    GraphicsControlBlock gcb = {DISPOSAL_UNSPECIFIED, false, 0, 1};
    GifByteType ext[4];
    EGifGCBToExtension(&gcb, ext);
    EGifPutExtension(g, GRAPHICS_EXT_FUNC_CODE, 4, ext);
    EGifPutImageDesc(g, 1, 1, 2, 2, false, nullptr);
    GifPixelType rows[2][2] = {{0, 1}, {2, 0}};
    EGifPutLine(g, rows[0], 2);
    EGifPutLine(g, rows[1], 2);
    EGifPutImageDesc(g, 0, 0, 4, 3, false, nullptr);
    GifPixelType all[4] = {2, 2, 2, 2};
    for (int y = 0; y < 3; ++y) EGifPutLine(g, all, 4);
    EGifCloseFile(g, &err);
    GifFreeMapObject(map);
    return out;
}
#endif

}  // namespace

TEST(PictureCodecs, GifRoundTripKeepsColoursAndTransparency)
{
#ifndef QUILLET_HAVE_GIF
    GTEST_SKIP() << "built without giflib";
#else
    PictureImage img = flat(7, 5, 0x102030FF);
    put(&img, 0, 0, 0xFF000000);  // transparent: its colour does not count
    put(&img, 6, 4, 0x00000000);
    put(&img, 3, 2, 0xFEFEFEFF);
    Bytes gif;
    ASSERT_TRUE(picturewrite_gif(img, &gif));
    EXPECT_EQ(std::string(gif.begin(), gif.begin() + 6), "GIF89a");
    PictureImage back;
    ASSERT_EQ(picturedecode_gif(data(gif), gif.size(), &back), nullptr);
    put(&img, 0, 0, 0);  // a transparent pixel decodes as transparent black
    EXPECT_EQ(back.rgba, img.rgba);
    EXPECT_EQ(picturedecode_checks(PICFMT_GIF, data(gif), gif.size()), nullptr);

    // 256 opaque colours: GIF87a, every one exact.
    PictureImage many = flat(16, 17, 0);
    for (unsigned i = 0; i < 256; ++i)
        put(&many, i % 16, i / 16, i << 24 | (255 - i) << 16 | (i * 7 & 255) << 8 | 0xFF);
    for (unsigned x = 0; x < 16; ++x) put(&many, x, 16, at(many, x, 0));  // the first row again
    ASSERT_TRUE(picturewrite_gif(many, &gif));
    EXPECT_EQ(std::string(gif.begin(), gif.begin() + 6), "GIF87a");
    ASSERT_EQ(picturedecode_gif(data(gif), gif.size(), &back), nullptr);
    EXPECT_EQ(back.rgba, many.rgba);
    // 256 colours and transparency, or 257 colours, do not fit.
    put(&many, 0, 16, 0);
    EXPECT_FALSE(picturewrite_gif(many, &gif));
    put(&many, 0, 16, 0xFFFFFEFF);
    EXPECT_FALSE(picturewrite_gif(many, &gif));
    EXPECT_TRUE(gif.empty());
#endif
}

TEST(PictureCodecs, GifFirstFrameOnTheScreen)
{
#ifndef QUILLET_HAVE_GIF
    GTEST_SKIP() << "built without giflib";
#else
    Bytes gif = two_frame_gif();
    PictureImage img;
    ASSERT_EQ(picturedecode_gif(data(gif), gif.size(), &img), nullptr);
    ASSERT_EQ(img.width, 4u);
    ASSERT_EQ(img.height, 3u);
    EXPECT_EQ(at(img, 0, 0), 0u);  // outside the frame
    EXPECT_EQ(at(img, 3, 2), 0u);
    EXPECT_EQ(at(img, 1, 1), 0xFF0000FFu);
    EXPECT_EQ(at(img, 2, 1), 0u);  // the transparent index
    EXPECT_EQ(at(img, 1, 2), 0x0000FFFFu);
    EXPECT_EQ(at(img, 2, 2), 0xFF0000FFu);
    // Cut inside the first frame's data, the frame does not decode.
    Bytes cut(gif.begin(), gif.begin() + 40);
    EXPECT_STREQ(picturedecode_gif(data(cut), cut.size(), &img), "damaged");
    EXPECT_TRUE(img.rgba.empty());
    EXPECT_STREQ(picturedecode_checks(PICFMT_GIF, data(cut), cut.size()), "damaged");
#endif
}

TEST(PictureCodecs, JpegWriterGivesBaselineNearTheSource)
{
#ifndef QUILLET_HAVE_JPEG
    GTEST_SKIP() << "built without libjpeg";
#else
    PictureImage src = photo(48, 32);
    Bytes jpg;
    ASSERT_TRUE(picturewrite_jpeg(src, kPictureJpegQuality, &jpg));
    PictureHeader h;
    ASSERT_TRUE(pictureheader_read(data(jpg), jpg.size(), &h));
    EXPECT_EQ(h.sof, 0xC0);
    EXPECT_TRUE(h.jfif);
    EXPECT_TRUE(pictureheader_jpegasis(h));
    PictureImage back;
    ASSERT_EQ(picturedecode_jpeg(data(jpg), jpg.size(), &back), nullptr);
    double mean = 0;
    EXPECT_LT(maxdiff(src, back, &mean), 48);
    EXPECT_LT(mean, 4.0);
    EXPECT_EQ(picturedecode_checks(PICFMT_JPEG, data(jpg), jpg.size()), nullptr);
#endif
}

TEST(PictureCodecs, JpegProgressiveGreyAndAdobeCmyk)
{
#ifndef QUILLET_HAVE_JPEG
    GTEST_SKIP() << "built without libjpeg";
#else
    PictureImage left_right = flat(32, 16, 0xE01020FF);
    for (unsigned y = 0; y < 16; ++y)
        for (unsigned x = 16; x < 32; ++x) put(&left_right, x, y, 0x2040C0FF);
    JpegKind progressive;
    progressive.progressive = true;
    Bytes jpg = jpeg(left_right, progressive);
    PictureImage img;
    ASSERT_EQ(picturedecode_jpeg(data(jpg), jpg.size(), &img), nullptr);
    for (unsigned x : {4u, 28u}) {
        uint32_t want = at(left_right, x, 8), got = at(img, x, 8);
        for (int c = 8; c < 32; c += 8) EXPECT_NEAR(got >> c & 0xFF, want >> c & 0xFF, 6) << x;
    }
    EXPECT_EQ(picturedecode_checks(PICFMT_JPEG, data(jpg), jpg.size()), nullptr);

    // Sequential, one scan a component: every coefficient is kept, as the
    // header's estimate allows for.
    JpegKind scans;
    scans.scans = true;
    PictureImage wide = photo(320, 240);
    jpg = jpeg(wide, scans);
    PictureHeader h;
    ASSERT_TRUE(pictureheader_read(data(jpg), jpg.size(), &h));
    EXPECT_EQ(h.sof, 0xC0);
    EXPECT_GE(h.memory, 320u * 240 * 3 * 2);
    ASSERT_EQ(picturedecode_jpeg(data(jpg), jpg.size(), &img), nullptr);
    double mean = 0;
    maxdiff(wide, img, &mean);
    EXPECT_LT(mean, 4.0);

    JpegKind grey;
    grey.grey = true;
    jpg = jpeg(left_right, grey);
    ASSERT_EQ(picturedecode_jpeg(data(jpg), jpg.size(), &img), nullptr);
    EXPECT_NEAR(img.rgba[0], 0xE0, 2);  // grey spread to R, G and B
    EXPECT_NEAR(img.rgba[1], 0xE0, 2);
    EXPECT_EQ(img.rgba[3], 255);

    // Adobe's inverted inks: C 255, M 0, Y 128, K 255 stored means no cyan,
    // full magenta, half yellow, no black: red 255, green 0, blue 128.
    JpegKind cmyk;
    cmyk.cmyk = true;
    jpg = jpeg(flat(16, 16, 0xFF0080FF), cmyk);
    ASSERT_EQ(picturedecode_jpeg(data(jpg), jpg.size(), &img), nullptr);
    EXPECT_NEAR(img.rgba[0], 255, 3);
    EXPECT_NEAR(img.rgba[1], 0, 3);
    EXPECT_NEAR(img.rgba[2], 128, 3);
#endif
}

TEST(PictureCodecs, WebpLossyLosslessAndAnimationFirstFrame)
{
#ifndef QUILLET_HAVE_WEBP
    GTEST_SKIP() << "built without libwebp";
#else
    PictureImage src = photo(20, 10);
    put(&src, 3, 3, 0x11223300);
    put(&src, 4, 3, 0x44556680);
    uint8_t* out = nullptr;
    size_t size = WebPEncodeLosslessRGBA(src.rgba.data(), 20, 10, 80, &out);
    Bytes lossless(out, out + size);
    WebPFree(out);
    PictureImage img;
    ASSERT_EQ(picturedecode_webp(data(lossless), lossless.size(), &img), nullptr);
    ASSERT_EQ(img.rgba.size(), src.rgba.size());
    EXPECT_EQ(at(img, 3, 3) & 0xFF, 0u);
    put(&img, 3, 3, 0x11223300);  // the encoder may change colour under alpha 0
    EXPECT_EQ(img.rgba, src.rgba);

    size = WebPEncodeRGBA(src.rgba.data(), 20, 10, 80, 90, &out);
    Bytes lossy(out, out + size);
    WebPFree(out);
    ASSERT_EQ(picturedecode_webp(data(lossy), lossy.size(), &img), nullptr);
    double mean = 0;
    maxdiff(src, img, &mean);
    EXPECT_LT(mean, 6.0);
    Bytes cut(lossy.begin(), lossy.begin() + static_cast<long>(lossy.size() / 2));
    EXPECT_STREQ(picturedecode_webp(data(cut), cut.size(), &img), "damaged");

    // An animation on a 6 x 4 canvas whose first frame, the lossless
    // picture's VP8L chunk cut to 2 x 2, sits at (2, 2).
    PictureImage tile = flat(2, 2, 0x0A0B0CFF);
    put(&tile, 1, 1, 0xC0C0C000);
    size = WebPEncodeLosslessRGBA(tile.rgba.data(), 2, 2, 8, &out);
    Bytes vp8l(out + 12, out + size);  // after RIFF size WEBP
    WebPFree(out);
    if (vp8l.size() % 2) vp8l.push_back(0);
    auto le = [](Bytes* b, uint32_t v, int n) {
        for (int i = 0; i < n; ++i) b->push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    Bytes body = {'W', 'E', 'B', 'P', 'V', 'P', '8', 'X'};
    le(&body, 10, 4);
    le(&body, 0x12, 4);  // animation and alpha
    le(&body, 5, 3);
    le(&body, 3, 3);
    body.insert(body.end(), {'A', 'N', 'I', 'M'});
    le(&body, 6, 4);
    le(&body, 0xFF00FF00, 4);  // a background colour browsers ignore
    le(&body, 0, 2);
    body.insert(body.end(), {'A', 'N', 'M', 'F'});
    le(&body, static_cast<uint32_t>(16 + vp8l.size()), 4);
    le(&body, 1, 3);  // x / 2
    le(&body, 1, 3);  // y / 2
    le(&body, 1, 3);
    le(&body, 1, 3);
    le(&body, 100, 3);
    body.push_back(0);
    body.insert(body.end(), vp8l.begin(), vp8l.end());
    Bytes anim = {'R', 'I', 'F', 'F'};
    le(&anim, static_cast<uint32_t>(body.size()), 4);
    anim.insert(anim.end(), body.begin(), body.end());
    ASSERT_EQ(picturedecode_webp(data(anim), anim.size(), &img), nullptr);
    ASSERT_EQ(img.width, 6u);
    ASSERT_EQ(img.height, 4u);
    EXPECT_EQ(at(img, 0, 0), 0u);
    EXPECT_EQ(at(img, 5, 1), 0u);
    EXPECT_EQ(at(img, 2, 2), 0x0A0B0CFFu);
    EXPECT_EQ(at(img, 3, 2), 0x0A0B0CFFu);
    EXPECT_EQ(at(img, 3, 3) & 0xFF, 0u);
#endif
}

TEST(PictureCodecs, CutFilesAreDamagedAndLimitsComeFirst)
{
#ifndef QUILLET_HAVE_JPEG
    GTEST_SKIP() << "built without libjpeg";
#else
    Bytes jpg;
    ASSERT_TRUE(picturewrite_jpeg(photo(64, 64), 85, &jpg));
    PictureImage img;
    for (size_t keep : {jpg.size() - 2, jpg.size() / 2, size_t(200), size_t(3)}) {
        Bytes cut(jpg.begin(), jpg.begin() + static_cast<long>(keep));
        // Without its end marker only, every row is there to decode; the
        // file is still not whole enough to embed.
        if (keep != jpg.size() - 2) {
            EXPECT_STREQ(picturedecode_jpeg(data(cut), cut.size(), &img), "damaged") << keep;
            EXPECT_TRUE(img.rgba.empty());
        }
        EXPECT_STREQ(picturedecode_checks(PICFMT_JPEG, data(cut), cut.size()), "damaged") << keep;
    }
    // Frames claiming 60 megapixels (8000 x 7500), the rest of the file a
    // small valid picture's: refused without the 240 MB a decoder would
    // have taken.
    long before = peak_kb();
    Bytes big = jpg;
    for (size_t i = 0; i + 8 < big.size(); ++i)
        if (big[i] == 0xFF && big[i + 1] == 0xC0) {
            big[i + 5] = 7500 >> 8;
            big[i + 6] = 7500 & 0xFF;
            big[i + 7] = 8000 >> 8;
            big[i + 8] = 8000 & 0xFF;
            break;
        }
    EXPECT_STREQ(picturedecode_jpeg(data(big), big.size(), &img), "too large");
    EXPECT_STREQ(picturedecode_checks(PICFMT_JPEG, data(big), big.size()), "too large");
#ifdef QUILLET_HAVE_GIF
    Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 0x40, 0x1F, 0x4C, 0x1D, 0, 0, 0, ';'};
    EXPECT_STREQ(picturedecode_gif(data(gif), gif.size(), &img), "too large");
#endif
    EXPECT_LT(peak_kb() - before, 100 * 1024);
    EXPECT_STREQ(picturedecode_checks(PICFMT_PNG, data(jpg), jpg.size()), "not GIF or JPEG");
#endif
}

// What a decoded picture becomes (GIF with transparency, GIF, JPEG) and
// the EXIF turns, checked on pixels of known colour.
#include <gtest/gtest.h>

#include "pictures/pictureconvert.h"

namespace {

PictureImage image(unsigned w, unsigned h)
{
    PictureImage img;
    img.width = w;
    img.height = h;
    img.rgba.assign(static_cast<size_t>(w) * h * 4, 255);
    return img;
}

void set(PictureImage* img, unsigned x, unsigned y, uint8_t r, uint8_t g, uint8_t b, uint8_t a)
{
    uint8_t* p = &img->rgba[(static_cast<size_t>(y) * img->width + x) * 4];
    p[0] = r;
    p[1] = g;
    p[2] = b;
    p[3] = a;
}

const uint8_t* at(const PictureImage& img, unsigned x, unsigned y)
{
    return &img.rgba[(static_cast<size_t>(y) * img.width + x) * 4];
}

// n distinct colours in the first n pixels of a 32 x 32 picture.
PictureImage colours(unsigned n)
{
    PictureImage img = image(32, 32);
    for (unsigned i = 0; i < 1024; ++i) {
        unsigned c = i < n ? i : 0;
        set(&img, i % 32, i / 32, static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8), 7, 255);
    }
    return img;
}

}  // namespace

TEST(PictureConvert, Choices)
{
    // 255 colours and a transparent pixel: a GIF keeps the transparency.
    PictureImage img = colours(255);
    set(&img, 31, 31, 1, 2, 3, 0);
    EXPECT_EQ(pictureconvert_choose(&img), PICTURE_TO_GIFTRANSPARENT);
    EXPECT_EQ(at(img, 31, 31)[3], 0);
    // 256 besides the transparent one: laid over white, then 257 colours
    // (white joins), so JPEG.
    img = colours(256);
    set(&img, 31, 31, 1, 2, 3, 0);
    EXPECT_EQ(pictureconvert_choose(&img), PICTURE_TO_JPEG);
    EXPECT_EQ(at(img, 31, 31)[0], 255);
    EXPECT_EQ(at(img, 31, 31)[3], 255);
    // Opaque: 256 colours are a GIF, 257 a JPEG.
    img = colours(256);
    EXPECT_EQ(pictureconvert_choose(&img), PICTURE_TO_GIF);
    img = colours(257);
    EXPECT_EQ(pictureconvert_choose(&img), PICTURE_TO_JPEG);
    // Partial alpha is laid over white: black at alpha 128 becomes 127.
    img = image(2, 1);
    set(&img, 0, 0, 0, 0, 0, 128);
    EXPECT_EQ(pictureconvert_choose(&img), PICTURE_TO_GIF);
    EXPECT_EQ(at(img, 0, 0)[0], 127);
}

TEST(PictureConvert, OrientationTurns)
{
    // A 3 x 2 picture with a red pixel at the stored top left.
    struct Case {
        int orientation;
        unsigned w, h, x, y;  // where red shows
    } cases[] = {{1, 3, 2, 0, 0}, {2, 3, 2, 2, 0}, {3, 3, 2, 2, 1}, {4, 3, 2, 0, 1},
                 {5, 2, 3, 0, 0}, {6, 2, 3, 1, 0}, {7, 2, 3, 1, 2}, {8, 2, 3, 0, 2}};
    for (const Case& c : cases) {
        PictureImage img = image(3, 2);
        set(&img, 0, 0, 255, 0, 0, 255);
        pictureconvert_orient(&img, c.orientation);
        ASSERT_EQ(img.width, c.w) << c.orientation;
        ASSERT_EQ(img.height, c.h) << c.orientation;
        EXPECT_EQ(at(img, c.x, c.y)[1], 0) << c.orientation;
        int reds = 0;
        for (unsigned i = 0; i < 6; ++i) reds += img.rgba[i * 4 + 1] == 0;
        EXPECT_EQ(reds, 1) << c.orientation;
    }
}

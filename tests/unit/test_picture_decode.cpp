// PNG decoding to RGBA, on the pictures tools/make_test_pictures.py makes:
// 5 x 3, red at the top left on blue, the bottom right transparent where
// the format holds alpha.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "pictures/picturedecode.h"

namespace {

std::string file(const char* name)
{
    std::ifstream in(std::string(QUILLET_SUPPORT_DIR) + "/../tests/data/pictures/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const char* decode(const std::string& bytes, PictureImage* img)
{
    return picturedecode_png(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), img);
}

uint32_t pixel(const PictureImage& img, unsigned x, unsigned y)
{
    const uint8_t* p = &img.rgba[(y * img.width + x) * 4];
    return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

}  // namespace

TEST(PictureDecode, PngColourTypesDepthsAndInterlace)
{
    if (!picturedecode_readable(PICFMT_PNG)) GTEST_SKIP() << "built without libpng";
    for (const char* name : {"rgba.png", "rgb-interlaced.png", "palette-trns.png"}) {
        std::string bytes = file(name);
        ASSERT_FALSE(bytes.empty()) << name;
        PictureImage img;
        ASSERT_EQ(decode(bytes, &img), nullptr) << name;
        EXPECT_EQ(img.width, 5u);
        EXPECT_EQ(img.height, 3u);
        EXPECT_EQ(pixel(img, 0, 0), 0xFF0000FFu) << name;
        EXPECT_EQ(pixel(img, 1, 0), 0x0000FFFFu) << name;
        bool alpha = std::string(name) != "rgb-interlaced.png";
        EXPECT_EQ(pixel(img, 4, 2) & 0xFF, alpha ? 0u : 0xFFu) << name;
    }
    // 16-bit grey: white at the top left, black elsewhere, opaque.
    PictureImage img;
    ASSERT_EQ(decode(file("grey16.png"), &img), nullptr);
    EXPECT_EQ(pixel(img, 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(pixel(img, 1, 1), 0x000000FFu);
}

TEST(PictureDecode, DamagedPngIsRefused)
{
    if (!picturedecode_readable(PICFMT_PNG)) GTEST_SKIP() << "built without libpng";
    PictureImage img;
    EXPECT_STREQ(decode(file("cut.png"), &img), "damaged");
    EXPECT_TRUE(img.rgba.empty());
    EXPECT_STREQ(decode("\x89PNG", &img), "damaged");
    std::string bytes = file("rgba.png");
    bytes[30] ^= 0x55;  // the header's CRC no longer matches
    EXPECT_STREQ(decode(bytes, &img), "damaged");
}

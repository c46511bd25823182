// What a decoded picture becomes, and the EXIF turn.
#include "pictures/pictureconvert.h"

#include <cstddef>

#include "pictures/picturestream.h"

namespace {

// Counts distinct RGB colours of the pixels (all, or only opaque ones)
// up to limit + 1 (limit at most 256). A run of one colour costs one
// comparison a pixel.
size_t count_colours(const PictureImage& img, bool opaque_only, size_t limit)
{
    PicturePalette seen;
    const uint8_t* p = img.rgba.data();
    size_t n = static_cast<size_t>(img.width) * img.height;
    uint32_t last = 0xFFFFFFFFu;  // no RGB value
    for (size_t i = 0; i < n; ++i, p += 4) {
        if (opaque_only && p[3] == 0) continue;
        uint32_t rgb = static_cast<uint32_t>(p[0]) << 16 | p[1] << 8 | p[2];
        if (rgb == last) continue;
        last = rgb;
        if (seen.add(rgb, limit) < 0) return limit + 1;
    }
    return seen.size();
}

void over_white(PictureImage* img)
{
    pictureconvert_overwhite(img->rgba.data(), static_cast<size_t>(img->width) * img->height);
}

}  // namespace

void pictureconvert_overwhite(uint8_t* p, size_t pixels)
{
    for (size_t i = 0; i < pixels; ++i, p += 4) {
        unsigned a = p[3];
        if (a == 255) continue;
        for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>((p[c] * a + 255 * (255 - a) + 127) / 255);
        p[3] = 255;
    }
}

PictureChoice pictureconvert_choose(PictureImage* img)
{
    size_t n = static_cast<size_t>(img->width) * img->height;
    bool binary = true, transparent = false;
    for (size_t i = 0; i < n; ++i) {
        uint8_t a = img->rgba[i * 4 + 3];
        if (a == 0) transparent = true;
        if (a != 0 && a != 255) binary = false;
    }
    if (transparent && binary && count_colours(*img, true, 255) <= 255) return PICTURE_TO_GIFTRANSPARENT;
    over_white(img);
    return count_colours(*img, false, 256) <= 256 ? PICTURE_TO_GIF : PICTURE_TO_JPEG;
}

void pictureconvert_orientrow(const uint8_t* row, unsigned y, unsigned w, unsigned h, int o, uint8_t* out)
{
    unsigned ow = o >= 5 ? h : w;
    for (unsigned x = 0; x < w; ++x) {
        // Where the source pixel (x, y) lands, per the EXIF meaning of
        // each orientation (the stored picture's row 0 is at ...).
        unsigned dx = x, dy = y;
        switch (o) {
        case 2: dx = w - 1 - x; break;
        case 3:
            dx = w - 1 - x;
            dy = h - 1 - y;
            break;
        case 4: dy = h - 1 - y; break;
        case 5:
            dx = y;
            dy = x;
            break;
        case 6:
            dx = h - 1 - y;
            dy = x;
            break;
        case 7:
            dx = h - 1 - y;
            dy = w - 1 - x;
            break;
        case 8:
            dx = y;
            dy = w - 1 - x;
            break;
        }
        const uint8_t* s = row + static_cast<size_t>(x) * 4;
        uint8_t* d = out + (static_cast<size_t>(dy) * ow + dx) * 4;
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
        d[3] = s[3];
    }
}

void pictureconvert_orient(PictureImage* img, int o)
{
    if (o < 2 || o > 8) return;
    unsigned w = img->width, h = img->height;
    std::vector<uint8_t> out(img->rgba.size());
    for (unsigned y = 0; y < h; ++y)
        pictureconvert_orientrow(img->rgba.data() + static_cast<size_t>(y) * w * 4, y, w, h, o, out.data());
    img->rgba.swap(out);
    if (o >= 5) {
        img->width = h;
        img->height = w;
    }
}

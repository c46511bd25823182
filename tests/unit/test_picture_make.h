// Test pictures made through the libraries themselves: pixels of known
// colour, and PNG, JPEG (progressive, CMYK, EXIF-turned), WebP and GIF
// files of them, so the tests need no fixture files.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "pictures/pictureconvert.h"

#ifdef QUILLET_HAVE_PNG
#include <png.h>
#endif
#ifdef QUILLET_HAVE_JPEG
#include <cstdio>
#include <jpeglib.h>
#endif
#ifdef QUILLET_HAVE_WEBP
#include <webp/encode.h>
#endif

namespace picturetest {

using Bytes = std::vector<uint8_t>;

inline PictureImage flat(unsigned w, unsigned h, uint32_t rgba)
{
    PictureImage img;
    img.width = w;
    img.height = h;
    for (size_t i = 0; i < static_cast<size_t>(w) * h; ++i)
        for (int s = 24; s >= 0; s -= 8) img.rgba.push_back(static_cast<uint8_t>(rgba >> s));
    return img;
}

inline void put(PictureImage* img, unsigned x, unsigned y, uint32_t rgba)
{
    uint8_t* p = &img->rgba[(static_cast<size_t>(y) * img->width + x) * 4];
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(rgba >> (24 - 8 * i));
}

inline uint32_t at(const PictureImage& img, unsigned x, unsigned y)
{
    const uint8_t* p = &img.rgba[(static_cast<size_t>(y) * img.width + x) * 4];
    return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

// Gradients with a little noise: thousands of colours, as a photograph.
inline PictureImage photo(unsigned w, unsigned h)
{
    PictureImage img = flat(w, h, 0);
    uint32_t seed = 12345;
    for (unsigned y = 0; y < h; ++y)
        for (unsigned x = 0; x < w; ++x) {
            seed = seed * 1103515245u + 12345u;
            int noise = static_cast<int>((seed >> 16) % 9) - 4;
            auto c = [&](unsigned v) {
                return static_cast<uint32_t>(std::min(255, std::max(0, static_cast<int>(v) + noise)));
            };
            put(&img, x, y, c(x * 255 / w) << 24 | c(y * 255 / h) << 16 | c((x + y) * 127 / (w + h)) << 8 | 0xFF);
        }
    return img;
}

// The largest difference of any channel between two pictures of one size,
// and the mean difference.
inline int maxdiff(const PictureImage& a, const PictureImage& b, double* mean = nullptr)
{
    if (a.width != b.width || a.height != b.height || a.rgba.size() != b.rgba.size()) return 1000;
    int worst = 0;
    double sum = 0;
    for (size_t i = 0; i < a.rgba.size(); ++i) {
        int d = std::abs(static_cast<int>(a.rgba[i]) - static_cast<int>(b.rgba[i]));
        worst = std::max(worst, d);
        sum += d;
    }
    if (mean) *mean = a.rgba.empty() ? 0 : sum / static_cast<double>(a.rgba.size());
    return worst;
}

inline const unsigned char* data(const Bytes& b) { return b.data(); }

#ifdef QUILLET_HAVE_PNG
inline void png_append(png_structp png, png_bytep p, size_t n)
{
    Bytes* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), p, p + n);
}

inline Bytes png(const PictureImage& img, bool interlaced = false)
{
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, png_append, nullptr);
    png_set_IHDR(png, info, img.width, img.height, 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_bytep> rows(img.height);
    for (unsigned y = 0; y < img.height; ++y)
        rows[y] = const_cast<png_bytep>(&img.rgba[static_cast<size_t>(y) * img.width * 4]);
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}
#endif

#ifdef QUILLET_HAVE_JPEG
struct JpegKind {
    bool progressive = false;
    bool scans = false;  // sequential, one scan per component
    bool cmyk = false;  // the RGBA bytes taken as inverted CMYK, with an Adobe segment
    bool grey = false;  // the red channel only
    int orientation = 0;  // an EXIF segment when 1-8
};

inline Bytes jpeg(const PictureImage& img, JpegKind kind)
{
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &mem, &size);
    c.image_width = img.width;
    c.image_height = img.height;
    c.input_components = kind.grey ? 1 : 4;
    c.in_color_space = kind.grey ? JCS_GRAYSCALE : kind.cmyk ? JCS_CMYK : JCS_EXT_RGBA;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 95, TRUE);
    if (kind.progressive) jpeg_simple_progression(&c);
    jpeg_scan_info scans[4];
    if (kind.scans) {
        for (int i = 0; i < c.num_components; ++i) scans[i] = jpeg_scan_info{1, {i, 0, 0, 0}, 0, 63, 0, 0};
        c.scan_info = scans;
        c.num_scans = c.num_components;
    }
    jpeg_start_compress(&c, TRUE);
    if (kind.orientation) {
        // Exif, a big-endian TIFF header and one IFD entry: orientation.
        unsigned char exif[] = {
            'E', 'x', 'i', 'f',  0,    0, 'M', 'M', 0, 42, 0, 0, 0,
            8,   0,   1,   0x01, 0x12, 0, 3,   0,   0, 0,  1, 0, static_cast<unsigned char>(kind.orientation),
            0,   0,   0,   0,    0,    0};
        jpeg_write_marker(&c, JPEG_APP0 + 1, exif, sizeof exif);
    }
    std::vector<uint8_t> row(static_cast<size_t>(img.width) * 4);
    for (unsigned y = 0; y < img.height; ++y) {
        const uint8_t* src = &img.rgba[static_cast<size_t>(y) * img.width * 4];
        if (kind.grey)
            for (unsigned x = 0; x < img.width; ++x) row[x] = src[x * 4];
        else
            std::memcpy(row.data(), src, row.size());
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    Bytes out(mem, mem + size);
    jpeg_destroy_compress(&c);
    std::free(mem);
    return out;
}
#endif

}  // namespace picturetest

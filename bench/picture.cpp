// Timing and peak memory of picture_transcode on large pictures.
//
//   quillet_picturebench make DIR       writes DIR/photo10.png, photo10.webp,
//                                        photo10p.jpg (10 MP), photo50.png and
//                                        bands50.png (50 MP, 200 colours: a GIF)
//   quillet_picturebench time FILE...   best and slowest of 5 transcodes each
//   quillet_picturebench peak FILE      peak resident memory of one transcode
//                                        above the memory with the file read
//
// The photographs are gradients with noise, so each becomes a JPEG; the
// PNG and JPEG pictures are made row by row, without a whole picture in
// memory.
#include <png.h>
#include <webp/encode.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "pictures/pictureheader.h"
#include "pictures/picturetranscode.h"

namespace {

struct Noise {
    uint32_t seed = 12345;
    int next()
    {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 16) % 13) - 6;
    }
};

void photo_row(unsigned w, unsigned h, unsigned y, Noise* noise, uint8_t* rgb)
{
    for (unsigned x = 0; x < w; ++x) {
        int v[3] = {static_cast<int>(x * 255ull / w), static_cast<int>(y * 255ull / h),
                    static_cast<int>((x + y) * 127ull / (w + h)) + 64};
        for (int c = 0; c < 3; ++c) {
            int s = v[c] + noise->next();
            rgb[x * 3 + c] = static_cast<uint8_t>(s < 0 ? 0 : s > 255 ? 255 : s);
        }
    }
}

// 200 colours in diagonal bands: a picture that becomes a GIF.
void bands_row(unsigned w, unsigned y, uint8_t* rgb)
{
    for (unsigned x = 0; x < w; ++x) {
        unsigned c = (x / 37 + y / 23) % 200;
        rgb[x * 3] = static_cast<uint8_t>(c);
        rgb[x * 3 + 1] = static_cast<uint8_t>(255 - c);
        rgb[x * 3 + 2] = static_cast<uint8_t>(c * 7);
    }
}

void make_png(const std::string& path, unsigned w, unsigned h, bool bands = false)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_set_compression_level(png, 3);
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<uint8_t> row(w * 3ull);
    Noise noise;
    for (unsigned y = 0; y < h; ++y) {
        if (bands)
            bands_row(w, y, row.data());
        else
            photo_row(w, h, y, &noise, row.data());
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
}

void make_jpeg(const std::string& path, unsigned w, unsigned h)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = w;
    c.image_height = h;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 90, TRUE);
    jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(w * 3ull);
    Noise noise;
    for (unsigned y = 0; y < h; ++y) {
        photo_row(w, h, y, &noise, row.data());
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(f);
}

void make_webp(const std::string& path, unsigned w, unsigned h)
{
    std::vector<uint8_t> rgb(w * 3ull * h);
    Noise noise;
    for (unsigned y = 0; y < h; ++y) photo_row(w, h, y, &noise, &rgb[w * 3ull * y]);
    uint8_t* out = nullptr;
    size_t n = WebPEncodeRGB(rgb.data(), static_cast<int>(w), static_cast<int>(h), static_cast<int>(w * 3), 85, &out);
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(out, 1, n, f);
    std::fclose(f);
    WebPFree(out);
}

std::vector<uint8_t> slurp(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

long status_kb(const char* field)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
    return -1;
}

const char* name(PictureFormat f) { return f == PICFMT_GIF ? "GIF" : f == PICFMT_JPEG ? "JPEG" : "?"; }

const char* transcode(const std::vector<uint8_t>& file, std::vector<uint8_t>* out, PictureFormat* fmt)
{
    PictureHeader h;
    pictureheader_read(file.data(), file.size(), &h);
    return picture_transcode(file.data(), file.size(), h, out, fmt);
}

}  // namespace

int main(int argc, char** argv)
{
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "make" && argc == 3) {
        std::string dir = argv[2];
        make_png(dir + "/photo10.png", 4000, 2500);
        make_webp(dir + "/photo10.webp", 4000, 2500);
        make_jpeg(dir + "/photo10p.jpg", 4000, 2500);
        make_png(dir + "/photo50.png", 10000, 5000);
        make_png(dir + "/bands50.png", 10000, 5000, true);
        return 0;
    }
    if (mode == "time" && argc >= 3) {
        for (int i = 2; i < argc; ++i) {
            std::vector<uint8_t> file = slurp(argv[i]), out;
            double best = 1e9, worst = 0;
            PictureFormat fmt = PICFMT_UNKNOWN;
            const char* why = nullptr;
            for (int run = 0; run < 5; ++run) {
                auto t0 = std::chrono::steady_clock::now();
                why = transcode(file, &out, &fmt);
                double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
                best = s < best ? s : best;
                worst = s > worst ? s : worst;
            }
            std::printf("%s: %zu bytes -> %s %zu bytes, best %.3f s, slowest %.3f s%s%s\n", argv[i], file.size(),
                        name(fmt), out.size(), best, worst, why ? ", refused: " : "", why ? why : "");
        }
        return 0;
    }
    if (mode == "peak" && argc == 3) {
        std::vector<uint8_t> file = slurp(argv[2]), out;
        // Peak resident memory starts again from the current one.
        std::ofstream("/proc/self/clear_refs") << "5";
        long base = status_kb("VmRSS:");
        PictureFormat fmt = PICFMT_UNKNOWN;
        const char* why = transcode(file, &out, &fmt);
        long peak = status_kb("VmHWM:");
        std::printf(
            "%s: %zu bytes -> %s %zu bytes%s%s; resident with the file read %ld kB, peak %ld kB, above %ld kB\n",
            argv[2], file.size(), name(fmt), out.size(), why ? ", refused: " : "", why ? why : "", base, peak,
            peak - base);
        return 0;
    }
    std::fprintf(stderr, "usage: quillet_picturebench make DIR | time FILE... | peak FILE\n");
    return 2;
}

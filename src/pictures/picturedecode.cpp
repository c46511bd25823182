// Picture decoders over the system's libraries. libpng reports errors by
// longjmp: the frames it jumps over hold no C++ object, and the output
// buffer is sized before the jump point and only written through a raw
// pointer inside it.
#include "pictures/picturedecode.h"

#include <csetjmp>
#include <cstring>

#ifdef QUILLET_HAVE_PNG
#include <png.h>
#endif

bool picturedecode_readable(PictureFormat format)
{
    switch (format) {
    case PICFMT_PNG:
#ifdef QUILLET_HAVE_PNG
        return true;
#else
        return false;
#endif
    case PICFMT_WEBP:
#ifdef QUILLET_HAVE_WEBP
        return true;
#else
        return false;
#endif
    case PICFMT_GIF:
    case PICFMT_JPEG: return true;
    default: return false;
    }
}

#ifdef QUILLET_HAVE_PNG
namespace {

struct PngSource {
    const unsigned char* p;
    size_t n;
    size_t at;
    png_bytep* rows;  // kept here, not in a local, since longjmp may lose a local
};

void png_readbytes(png_structp png, png_bytep out, size_t len)
{
    PngSource* s = static_cast<PngSource*>(png_get_io_ptr(png));
    if (len > s->n - s->at) png_error(png, "cut");
    std::memcpy(out, s->p + s->at, len);
    s->at += len;
}

void png_quietwarning(png_structp, png_const_charp) {}

// The decode proper, in a frame of plain C data only. Returns 0, 1
// (damaged) or 2 (too large).
int png_decode(PngSource* src, PictureImage* out)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, png_quietwarning);
    if (!png) return 1;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return 1;
    }
    src->rows = nullptr;
    if (setjmp(png_jmpbuf(png))) {
        png_free(png, src->rows);
        png_destroy_read_struct(&png, &info, nullptr);
        return 1;
    }
    png_set_user_limits(png, 65535, 65535);
    png_set_chunk_malloc_max(png, 8u << 20);
    png_set_chunk_cache_max(png, 1000);
    png_set_read_fn(png, src, png_readbytes);
    png_read_info(png, info);
    png_uint_32 w = png_get_image_width(png, info);
    png_uint_32 h = png_get_image_height(png, info);
    if (static_cast<uint64_t>(w) * h > kPictureMaxPixels) {
        png_destroy_read_struct(&png, &info, nullptr);
        return 2;
    }
    png_set_expand(png);  // palette to RGB, grey below 8 bits to 8, tRNS to alpha
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != static_cast<size_t>(w) * 4) png_error(png, "layout");
    // The caller's buffer is resized here, before any further jump can
    // happen, and then only written through raw row pointers.
    out->width = w;
    out->height = h;
    out->rgba.resize(static_cast<size_t>(w) * h * 4);
    unsigned char* base = out->rgba.data();
    src->rows = static_cast<png_bytep*>(png_malloc(png, sizeof(png_bytep) * h));
    for (png_uint_32 y = 0; y < h; ++y) src->rows[y] = base + static_cast<size_t>(y) * w * 4;
    png_read_image(png, src->rows);
    png_read_end(png, nullptr);
    png_free(png, src->rows);
    png_destroy_read_struct(&png, &info, nullptr);
    return 0;
}

}  // namespace
#endif

const char* picturedecode_png(const unsigned char* p, size_t n, PictureImage* out)
{
#ifdef QUILLET_HAVE_PNG
    PngSource src{p, n, 0, nullptr};
    int r = png_decode(&src, out);
    if (r == 0) return nullptr;
    out->rgba.clear();
    out->width = out->height = 0;
    return r == 2 ? "too large" : "damaged";
#else
    (void)p;
    (void)n;
    (void)out;
    return "not GIF or JPEG";
#endif
}

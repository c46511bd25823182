// PNG and WebP decoding, the PNG row reader, and the dispatch of the
// checks. libpng reports errors by longjmp: the frames it jumps over hold
// no C++ object, and the output buffer is sized before the jump point and
// only written through a raw pointer inside it.
#include "pictures/picturedecode.h"

#include <csetjmp>
#include <cstring>

#include "pictures/picturestream.h"

#ifdef QUILLET_HAVE_PNG
#include <png.h>
#endif
#ifdef QUILLET_HAVE_WEBP
#include <webp/decode.h>
#include <webp/demux.h>
#endif

namespace {

// The header's verdict on the bytes, which must be of `format`.
[[maybe_unused]] const char* header_limits(const unsigned char* p, size_t n, PictureFormat format)
{
    PictureHeader h;
    if (!pictureheader_read(p, n, &h) || h.format != format) return "damaged";
    return pictureheader_refusal(h, true);
}

}  // namespace

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

// libpng's own error handler prints before it jumps.
void png_quieterror(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// The decode proper, in a frame of plain C data only. Returns 0, 1
// (damaged) or 2 (too large).
int png_decode(PngSource* src, PictureImage* out)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, png_quieterror, png_quietwarning);
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
    if (const char* why = header_limits(p, n, PICFMT_PNG)) return why;
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

#ifdef QUILLET_HAVE_PNG
namespace {

// One PNG read row by row. Plain data: the functions below jump within it.
struct PngRead {
    png_structp png;
    png_infop info;
    PngSource src;
};

// 0, 1 (damaged) or 2 (too large).
int pngread_open(PngRead* r)
{
    r->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, png_quieterror, png_quietwarning);
    r->info = r->png ? png_create_info_struct(r->png) : nullptr;
    if (!r->info) return 1;
    if (setjmp(png_jmpbuf(r->png))) return 1;
    png_set_user_limits(r->png, 65535, 65535);
    png_set_chunk_malloc_max(r->png, 8u << 20);
    png_set_chunk_cache_max(r->png, 1000);
    png_set_read_fn(r->png, &r->src, png_readbytes);
    png_read_info(r->png, r->info);
    png_uint_32 w = png_get_image_width(r->png, r->info);
    png_uint_32 h = png_get_image_height(r->png, r->info);
    if (static_cast<uint64_t>(w) * h > kPictureMaxPixels) return 2;
    // Row by row holds only for a picture stored in one pass.
    if (png_get_interlace_type(r->png, r->info) != PNG_INTERLACE_NONE) return 1;
    png_set_expand(r->png);
    png_set_strip_16(r->png);
    png_set_gray_to_rgb(r->png);
    png_set_add_alpha(r->png, 0xFF, PNG_FILLER_AFTER);
    png_read_update_info(r->png, r->info);
    if (png_get_rowbytes(r->png, r->info) != static_cast<size_t>(w) * 4) return 1;
    return 0;
}

int pngread_row(PngRead* r, png_bytep row)
{
    if (setjmp(png_jmpbuf(r->png))) return 1;
    png_read_row(r->png, row, nullptr);
    return 0;
}

class PngRows : public PictureRows {
public:
    PngRead r{};
    ~PngRows() override
    {
        if (r.png) png_destroy_read_struct(&r.png, r.info ? &r.info : nullptr, nullptr);
    }
    bool next(uint8_t* row) override { return pngread_row(&r, row) == 0; }
};

}  // namespace
#endif

std::unique_ptr<PictureRows> picturerows_png(const unsigned char* p, size_t n, const char** why)
{
#ifdef QUILLET_HAVE_PNG
    if ((*why = header_limits(p, n, PICFMT_PNG))) return nullptr;
    std::unique_ptr<PngRows> rows(new PngRows);
    rows->r.src = PngSource{p, n, 0, nullptr};
    int r = pngread_open(&rows->r);
    if (r != 0) {
        *why = r == 2 ? "too large" : "damaged";
        return nullptr;
    }
    rows->width = png_get_image_width(rows->r.png, rows->r.info);
    rows->height = png_get_image_height(rows->r.png, rows->r.info);
    return rows;
#else
    (void)p;
    (void)n;
    *why = "not GIF or JPEG";
    return nullptr;
#endif
}

const char* picturedecode_webp(const unsigned char* p, size_t n, PictureImage* out)
{
    out->width = out->height = 0;
    out->rgba.clear();
#ifdef QUILLET_HAVE_WEBP
    if (const char* why = header_limits(p, n, PICFMT_WEBP)) return why;
    WebPData data = {p, n};
    WebPDemuxer* demux = WebPDemux(&data);
    if (!demux) return "damaged";
    uint32_t cw = WebPDemuxGetI(demux, WEBP_FF_CANVAS_WIDTH);
    uint32_t ch = WebPDemuxGetI(demux, WEBP_FF_CANVAS_HEIGHT);
    WebPIterator it;
    const char* why = nullptr;
    if (static_cast<uint64_t>(cw) * ch > kPictureMaxPixels) {
        why = "too large";
    } else if (cw == 0 || ch == 0 || !WebPDemuxGetFrame(demux, 1, &it)) {
        why = "damaged";
    } else {
        uint64_t right = static_cast<uint64_t>(it.x_offset) + static_cast<uint64_t>(it.width);
        uint64_t bottom = static_cast<uint64_t>(it.y_offset) + static_cast<uint64_t>(it.height);
        if (it.width <= 0 || it.height <= 0 || right > cw || bottom > ch) {
            why = "damaged";
        } else {
            // The frame is decoded straight into its place on the canvas.
            std::vector<uint8_t> rgba(static_cast<size_t>(cw) * ch * 4, 0);
            WebPDecoderConfig config;
            WebPInitDecoderConfig(&config);
            size_t stride = static_cast<size_t>(cw) * 4;
            config.output.colorspace = MODE_RGBA;
            config.output.is_external_memory = 1;
            config.output.u.RGBA.rgba =
                rgba.data() + stride * static_cast<size_t>(it.y_offset) + static_cast<size_t>(it.x_offset) * 4;
            config.output.u.RGBA.stride = static_cast<int>(stride);
            config.output.u.RGBA.size = stride * static_cast<size_t>(it.height - 1) + static_cast<size_t>(it.width) * 4;
            VP8StatusCode status = WebPDecode(it.fragment.bytes, it.fragment.size, &config);
            WebPFreeDecBuffer(&config.output);
            if (status == VP8_STATUS_OK) {
                out->width = cw;
                out->height = ch;
                out->rgba.swap(rgba);
            } else {
                why = status == VP8_STATUS_OUT_OF_MEMORY ? "too large" : "damaged";
            }
        }
        WebPDemuxReleaseIterator(&it);
    }
    WebPDemuxDelete(demux);
    return why;
#else
    (void)p;
    (void)n;
    return "not GIF or JPEG";
#endif
}

const char* picturedecode_checks(PictureFormat format, const unsigned char* p, size_t n)
{
    if (format == PICFMT_JPEG) return picturecheck_jpeg(p, n);
    if (format == PICFMT_GIF) return picturecheck_gif(p, n);
    return "not GIF or JPEG";
}

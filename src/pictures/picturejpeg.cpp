// JPEG through libjpeg-turbo: reading row by row (to RGBA, or only to check
// that it decodes), whole-picture decoding, and baseline writing. libjpeg
// reports errors through error_exit, which jumps back to the setjmp in the
// one small function that called the library; those functions hold plain
// C data only. Warnings are counted, and the one of a cut file (premature
// end) makes the picture damaged.
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

#include "pictures/picturedecode.h"
#include "pictures/picturestream.h"
#include "pictures/picturewrite.h"

#ifdef QUILLET_HAVE_JPEG
#include <jpeglib.h>
#include <jerror.h>
#endif

#ifdef QUILLET_HAVE_JPEG
namespace {

// More scans than any encoder writes: each scan is a pass over the
// coefficients, so a file of endless tiny scans would run for ever.
const int kMaxScans = 500;
// Past this many warnings the data is noise.
const int kMaxWarnings = 1000;

enum { JPEG_OK = 0, JPEG_DAMAGED = 1, JPEG_TOOLARGE = 2 };

struct JpegError {
    jpeg_error_mgr pub;
    jmp_buf jump;
    int result;  // what the jump means
    int warnings;
};

void jpeg_fail(j_common_ptr c)
{
    JpegError* e = reinterpret_cast<JpegError*>(c->err);
    int code = c->err->msg_code;
    e->result = code == JERR_NO_BACKING_STORE || code == JERR_OUT_OF_MEMORY ? JPEG_TOOLARGE : JPEG_DAMAGED;
    std::longjmp(e->jump, 1);
}

void jpeg_message(j_common_ptr c, int level)
{
    if (level >= 0) return;  // trace messages
    JpegError* e = reinterpret_cast<JpegError*>(c->err);
    if (c->err->msg_code == JWRN_JPEG_EOF || ++e->warnings > kMaxWarnings) {
        e->result = JPEG_DAMAGED;
        std::longjmp(e->jump, 1);
    }
}

void jpeg_quiet(j_common_ptr) {}

void jpeg_progress(j_common_ptr c)
{
    if (!c->is_decompressor) return;
    if (reinterpret_cast<j_decompress_ptr>(c)->input_scan_number > kMaxScans) {
        JpegError* e = reinterpret_cast<JpegError*>(c->err);
        e->result = JPEG_DAMAGED;
        std::longjmp(e->jump, 1);
    }
}

void jpeg_errors(JpegError* e)
{
    jpeg_std_error(&e->pub);
    e->pub.error_exit = jpeg_fail;
    e->pub.emit_message = jpeg_message;
    e->pub.output_message = jpeg_quiet;
    e->result = JPEG_OK;
    e->warnings = 0;
}

enum JpegMode { JPEG_TO_RGBA, JPEG_CHECK };

// One JPEG being read. Plain data: the functions below jump within it.
struct JpegRead {
    jpeg_decompress_struct cinfo;
    JpegError err;
    jpeg_progress_mgr progress;
    bool created;
    bool cmyk;  // rows come as CMYK, Adobe-inverted when `inverted`
    bool inverted;
    JSAMPARRAY scratch;  // one row for checking
};

int jpegread_open(JpegRead* r, const unsigned char* p, size_t n, JpegMode mode, uint64_t memory)
{
    jpeg_errors(&r->err);
    r->cinfo.err = &r->err.pub;
    r->created = false;
    if (setjmp(r->err.jump)) return r->err.result;
    jpeg_create_decompress(&r->cinfo);
    r->created = true;
    r->progress.progress_monitor = jpeg_progress;
    r->cinfo.progress = &r->progress;
    r->cinfo.mem->max_memory_to_use = static_cast<long>(memory);
    jpeg_mem_src(&r->cinfo, p, static_cast<unsigned long>(n));
    if (jpeg_read_header(&r->cinfo, TRUE) != JPEG_HEADER_OK) return JPEG_DAMAGED;
    if (static_cast<uint64_t>(r->cinfo.image_width) * r->cinfo.image_height > kPictureMaxPixels) return JPEG_TOOLARGE;
    J_COLOR_SPACE cs = r->cinfo.jpeg_color_space;
    r->cmyk = cs == JCS_CMYK || cs == JCS_YCCK;
    r->inverted = r->cmyk && r->cinfo.saw_Adobe_marker;
    if (mode == JPEG_CHECK) {
        r->cinfo.out_color_space = cs;  // no conversion
        r->cinfo.do_fancy_upsampling = FALSE;
    } else if (r->cmyk) {
        r->cinfo.out_color_space = JCS_CMYK;
    } else if (cs == JCS_GRAYSCALE || cs == JCS_YCbCr || cs == JCS_RGB) {
        r->cinfo.out_color_space = JCS_EXT_RGBA;
    } else {
        return JPEG_DAMAGED;
    }
    jpeg_start_decompress(&r->cinfo);
    if (mode == JPEG_CHECK) {
        JDIMENSION stride = r->cinfo.output_width * static_cast<JDIMENSION>(r->cinfo.output_components);
        r->scratch = (*r->cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&r->cinfo), JPOOL_IMAGE, stride, 1);
    }
    return JPEG_OK;
}

int jpegread_row(JpegRead* r, JSAMPROW row)
{
    if (setjmp(r->err.jump)) return r->err.result;
    if (jpeg_read_scanlines(&r->cinfo, &row, 1) != 1) return JPEG_DAMAGED;
    return JPEG_OK;
}

int jpegread_finish(JpegRead* r)
{
    if (setjmp(r->err.jump)) return r->err.result;
    jpeg_finish_decompress(&r->cinfo);
    return JPEG_OK;
}

void jpegread_close(JpegRead* r)
{
    if (r->created) jpeg_destroy_decompress(&r->cinfo);
    r->created = false;
}

// CMYK as libjpeg gives it to RGBA in place: Adobe's files store the inks
// inverted (255 no ink), others plainly; black multiplies each channel.
void cmyk_to_rgba(uint8_t* p, size_t pixels, bool inverted)
{
    for (size_t i = 0; i < pixels; ++i, p += 4) {
        unsigned c = p[0], m = p[1], y = p[2], k = p[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        p[0] = static_cast<uint8_t>((c * k + 127) / 255);
        p[1] = static_cast<uint8_t>((m * k + 127) / 255);
        p[2] = static_cast<uint8_t>((y * k + 127) / 255);
        p[3] = 255;
    }
}

const char* reason(int r) { return r == JPEG_TOOLARGE ? "too large" : "damaged"; }

// The header's verdict and working-memory estimate, before any library
// call allocates.
const char* jpeg_limits(const unsigned char* p, size_t n, uint64_t* memory)
{
    PictureHeader h;
    if (!pictureheader_read(p, n, &h) || h.format != PICFMT_JPEG) return "damaged";
    if (const char* why = pictureheader_refusal(h, true)) return why;
    *memory = h.memory;
    return nullptr;
}

class JpegRows : public PictureRows {
public:
    JpegRead r;
    ~JpegRows() override { jpegread_close(&r); }
    bool next(uint8_t* row) override
    {
        if (jpegread_row(&r, row) != JPEG_OK) return false;
        if (r.cmyk) cmyk_to_rgba(row, width, r.inverted);
        return true;
    }
};

}  // namespace
#endif

std::unique_ptr<PictureRows> picturerows_jpeg(const unsigned char* p, size_t n, const char** why)
{
#ifdef QUILLET_HAVE_JPEG
    uint64_t memory = 0;
    if ((*why = jpeg_limits(p, n, &memory))) return nullptr;
    std::unique_ptr<JpegRows> rows(new JpegRows);
    int r = jpegread_open(&rows->r, p, n, JPEG_TO_RGBA, memory);
    if (r != JPEG_OK) {
        *why = reason(r);
        return nullptr;
    }
    rows->width = rows->r.cinfo.output_width;
    rows->height = rows->r.cinfo.output_height;
    return rows;
#else
    (void)p;
    (void)n;
    *why = "not GIF or JPEG";
    return nullptr;
#endif
}

const char* picturedecode_jpeg(const unsigned char* p, size_t n, PictureImage* out)
{
    const char* why = nullptr;
    std::unique_ptr<PictureRows> rows = picturerows_jpeg(p, n, &why);
    out->width = out->height = 0;
    out->rgba.clear();
    if (!rows) return why;
    size_t stride = static_cast<size_t>(rows->width) * 4;
    out->rgba.resize(stride * rows->height);
    for (unsigned y = 0; y < rows->height; ++y)
        if (!rows->next(out->rgba.data() + stride * y)) {
            out->rgba.clear();
            return "damaged";
        }
    out->width = rows->width;
    out->height = rows->height;
    return nullptr;
}

const char* picturecheck_jpeg(const unsigned char* p, size_t n)
{
#ifdef QUILLET_HAVE_JPEG
    uint64_t memory = 0;
    if (const char* why = jpeg_limits(p, n, &memory)) return why;
    JpegRead r;
    int result = jpegread_open(&r, p, n, JPEG_CHECK, memory);
    for (JDIMENSION y = 0; result == JPEG_OK && y < r.cinfo.output_height; ++y) result = jpegread_row(&r, r.scratch[0]);
    if (result == JPEG_OK) result = jpegread_finish(&r);
    jpegread_close(&r);
    return result == JPEG_OK ? nullptr : reason(result);
#else
    (void)p;
    (void)n;
    return "not GIF or JPEG";
#endif
}

// Writing.

#ifdef QUILLET_HAVE_JPEG
namespace {

const size_t kOutChunk = 1 << 16;

struct JpegWrite {
    jpeg_compress_struct cinfo;
    JpegError err;
    jpeg_destination_mgr dest;
    std::vector<uint8_t>* out;
    bool created;
    JOCTET chunk[kOutChunk];
};

// Appends what the destination holds; a failed append ends the encoding.
bool jpegwrite_flush(JpegWrite* w, size_t len)
{
    try {
        w->out->insert(w->out->end(), w->chunk, w->chunk + len);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void jpegdest_init(j_compress_ptr c)
{
    JpegWrite* w = static_cast<JpegWrite*>(c->client_data);
    w->dest.next_output_byte = w->chunk;
    w->dest.free_in_buffer = kOutChunk;
}

boolean jpegdest_empty(j_compress_ptr c)
{
    JpegWrite* w = static_cast<JpegWrite*>(c->client_data);
    if (!jpegwrite_flush(w, kOutChunk)) ERREXIT1(c, JERR_OUT_OF_MEMORY, 0);
    w->dest.next_output_byte = w->chunk;
    w->dest.free_in_buffer = kOutChunk;
    return TRUE;
}

void jpegdest_term(j_compress_ptr c)
{
    JpegWrite* w = static_cast<JpegWrite*>(c->client_data);
    if (!jpegwrite_flush(w, kOutChunk - w->dest.free_in_buffer)) ERREXIT1(c, JERR_OUT_OF_MEMORY, 0);
}

int jpegwrite_begin(JpegWrite* w, unsigned width, unsigned height, int quality)
{
    jpeg_errors(&w->err);
    w->cinfo.err = &w->err.pub;
    w->created = false;
    if (setjmp(w->err.jump)) return w->err.result;
    jpeg_create_compress(&w->cinfo);
    w->created = true;
    w->cinfo.client_data = w;
    w->dest.init_destination = jpegdest_init;
    w->dest.empty_output_buffer = jpegdest_empty;
    w->dest.term_destination = jpegdest_term;
    w->cinfo.dest = &w->dest;
    w->cinfo.image_width = width;
    w->cinfo.image_height = height;
    w->cinfo.input_components = 4;
    w->cinfo.in_color_space = JCS_EXT_RGBA;
    jpeg_set_defaults(&w->cinfo);  // YCbCr 4:2:0, Huffman tables of the standard: baseline
    jpeg_set_quality(&w->cinfo, quality, TRUE);
    jpeg_start_compress(&w->cinfo, TRUE);
    return JPEG_OK;
}

int jpegwrite_row(JpegWrite* w, const uint8_t* rgba)
{
    if (setjmp(w->err.jump)) return w->err.result;
    JSAMPROW row = const_cast<JSAMPROW>(rgba);
    if (jpeg_write_scanlines(&w->cinfo, &row, 1) != 1) return JPEG_DAMAGED;
    return JPEG_OK;
}

int jpegwrite_finish(JpegWrite* w)
{
    if (setjmp(w->err.jump)) return w->err.result;
    jpeg_finish_compress(&w->cinfo);
    return JPEG_OK;
}

}  // namespace

struct PictureJpegWriter::State : JpegWrite {};

PictureJpegWriter::PictureJpegWriter() : s_(nullptr) {}

PictureJpegWriter::~PictureJpegWriter()
{
    if (s_ && s_->created) jpeg_destroy_compress(&s_->cinfo);
    delete s_;
}

bool PictureJpegWriter::begin(unsigned width, unsigned height, int quality, std::vector<uint8_t>* out)
{
    if (s_ || width == 0 || height == 0 || width > JPEG_MAX_DIMENSION || height > JPEG_MAX_DIMENSION) return false;
    s_ = new State;
    s_->out = out;
    return jpegwrite_begin(s_, width, height, quality) == JPEG_OK;
}

bool PictureJpegWriter::row(const uint8_t* rgba) { return s_ && jpegwrite_row(s_, rgba) == JPEG_OK; }

bool PictureJpegWriter::finish() { return s_ && jpegwrite_finish(s_) == JPEG_OK; }

#else

struct PictureJpegWriter::State {};
PictureJpegWriter::PictureJpegWriter() : s_(nullptr) {}
PictureJpegWriter::~PictureJpegWriter() {}
bool PictureJpegWriter::begin(unsigned, unsigned, int, std::vector<uint8_t>*) { return false; }
bool PictureJpegWriter::row(const uint8_t*) { return false; }
bool PictureJpegWriter::finish() { return false; }

#endif

bool picturewrite_jpeg(const PictureImage& img, int quality, std::vector<uint8_t>* out)
{
    out->clear();
    PictureJpegWriter w;
    if (img.rgba.size() != static_cast<size_t>(img.width) * img.height * 4) return false;
    bool ok = w.begin(img.width, img.height, quality, out);
    size_t stride = static_cast<size_t>(img.width) * 4;
    for (unsigned y = 0; ok && y < img.height; ++y) ok = w.row(img.rgba.data() + stride * y);
    ok = ok && w.finish();
    if (!ok) out->clear();
    return ok;
}

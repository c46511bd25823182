// GIF through giflib: the first frame decoded onto the logical screen, the
// check that it decodes, and writing a picture of at most 256 exact
// colours. giflib reports errors by return codes, so plain C++ is safe
// around it; its input and output run through callbacks over memory.
#include <cstring>
#include <new>

#include "pictures/picturedecode.h"
#include "pictures/picturestream.h"
#include "pictures/picturewrite.h"

#ifdef QUILLET_HAVE_GIF
#include <gif_lib.h>
#endif

PicturePalette::PicturePalette() { std::memset(slot_, 0, sizeof slot_); }

namespace {

unsigned palette_hash(uint32_t rgb) { return (rgb * 2654435761u) >> 22; }  // 10 bits: 1024 slots

}  // namespace

int PicturePalette::find(uint32_t rgb) const
{
    for (unsigned h = palette_hash(rgb);; h = (h + 1) & 1023) {
        int32_t s = slot_[h];
        if (s == 0) return -1;
        if (colours_[s - 1] == rgb) return s - 1;
    }
}

int PicturePalette::add(uint32_t rgb, size_t limit)
{
    unsigned h = palette_hash(rgb);
    for (;; h = (h + 1) & 1023) {
        int32_t s = slot_[h];
        if (s == 0) break;
        if (colours_[s - 1] == rgb) return s - 1;
    }
    // At most 256 colours in 1024 slots: a free slot is always found.
    if (colours_.size() >= limit || colours_.size() >= 256) return -1;
    colours_.push_back(rgb);
    slot_[h] = static_cast<int32_t>(colours_.size());
    return static_cast<int>(colours_.size()) - 1;
}

#ifdef QUILLET_HAVE_GIF
namespace {

struct GifSource {
    const unsigned char* p;
    size_t n;
    size_t at;
};

int gif_read(GifFileType* g, GifByteType* out, int len)
{
    GifSource* s = static_cast<GifSource*>(g->UserData);
    size_t want = len > 0 ? static_cast<size_t>(len) : 0;
    if (want > s->n - s->at) want = s->n - s->at;
    std::memcpy(out, s->p + s->at, want);
    s->at += want;
    return static_cast<int>(want);
}

struct GifCloser {
    GifFileType* g;
    ~GifCloser()
    {
        int err;
        if (g) DGifCloseFile(g, &err);
    }
};

// Opens the GIF and reads up to its first frame's descriptor, noting the
// transparent index of a Graphic Control Extension before it (-1 when
// none). Returns nullptr or the reason.
const char* gif_first_frame(const unsigned char* p, size_t n, GifSource* src, GifCloser* gif, int* transparent)
{
    PictureHeader h;
    if (!pictureheader_read(p, n, &h) || h.format != PICFMT_GIF) return "damaged";
    if (const char* why = pictureheader_refusal(h, true)) return why;
    *src = GifSource{p, n, 0};
    int err = 0;
    gif->g = DGifOpen(src, gif_read, &err);
    if (!gif->g) return "damaged";
    GifFileType* g = gif->g;
    *transparent = -1;
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(g, &type) != GIF_OK) return "damaged";
        if (type == IMAGE_DESC_RECORD_TYPE) break;
        if (type != EXTENSION_RECORD_TYPE) return "damaged";  // the end, with no frame
        int code;
        GifByteType* ext;
        if (DGifGetExtension(g, &code, &ext) != GIF_OK) return "damaged";
        bool first = true;
        while (ext) {
            GraphicsControlBlock gcb;
            if (code == GRAPHICS_EXT_FUNC_CODE && first && DGifExtensionToGCB(ext[0], ext + 1, &gcb) == GIF_OK)
                *transparent = gcb.TransparentColor;
            first = false;
            if (DGifGetExtensionNext(g, &ext) != GIF_OK) return "damaged";
        }
    }
    if (DGifGetImageDesc(g) != GIF_OK) return "damaged";
    const GifImageDesc& d = g->Image;
    if (d.Width <= 0 || d.Height <= 0) return "damaged";
    if (static_cast<uint64_t>(d.Width) * static_cast<uint64_t>(d.Height) > kPictureMaxPixels) return "too large";
    if (!d.ColorMap && !g->SColorMap) return "damaged";
    return nullptr;
}

// Reads the frame's lines in their stored order (the four passes of an
// interlaced frame), handing each to `take(row, line)`.
template <typename Take>
bool gif_lines(GifFileType* g, GifPixelType* line, Take take)
{
    const GifImageDesc& d = g->Image;
    static const int kStart[4] = {0, 4, 2, 1};
    static const int kStep[4] = {8, 8, 4, 2};
    int passes = d.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass)
        for (int y = d.Interlace ? kStart[pass] : 0; y < d.Height; y += d.Interlace ? kStep[pass] : 1) {
            if (DGifGetLine(g, line, d.Width) != GIF_OK) return false;
            take(y, line);
        }
    return true;
}

}  // namespace
#endif

const char* picturedecode_gif(const unsigned char* p, size_t n, PictureImage* out)
{
    out->width = out->height = 0;
    out->rgba.clear();
#ifdef QUILLET_HAVE_GIF
    GifSource src;
    GifCloser gif{nullptr};
    int transparent = -1;
    if (const char* why = gif_first_frame(p, n, &src, &gif, &transparent)) return why;
    GifFileType* g = gif.g;
    const GifImageDesc& d = g->Image;
    const ColorMapObject* map = d.ColorMap ? d.ColorMap : g->SColorMap;
    unsigned w = static_cast<unsigned>(g->SWidth), h = static_cast<unsigned>(g->SHeight);
    std::vector<uint8_t> rgba(static_cast<size_t>(w) * h * 4, 0);
    std::vector<GifPixelType> line(static_cast<size_t>(d.Width));
    bool ok = gif_lines(g, line.data(), [&](int y, const GifPixelType* l) {
        unsigned sy = static_cast<unsigned>(d.Top) + static_cast<unsigned>(y);
        if (sy >= h) return;
        uint8_t* row = rgba.data() + static_cast<size_t>(sy) * w * 4;
        for (int x = 0; x < d.Width; ++x) {
            unsigned sx = static_cast<unsigned>(d.Left) + static_cast<unsigned>(x);
            if (sx >= w) break;
            int i = l[x];
            if (i == transparent || i >= map->ColorCount) continue;
            uint8_t* px = row + sx * 4;
            px[0] = map->Colors[i].Red;
            px[1] = map->Colors[i].Green;
            px[2] = map->Colors[i].Blue;
            px[3] = 255;
        }
    });
    if (!ok) return "damaged";
    out->width = w;
    out->height = h;
    out->rgba.swap(rgba);
    return nullptr;
#else
    (void)p;
    (void)n;
    return "not GIF or JPEG";
#endif
}

const char* picturecheck_gif(const unsigned char* p, size_t n)
{
#ifdef QUILLET_HAVE_GIF
    GifSource src;
    GifCloser gif{nullptr};
    int transparent = -1;
    if (const char* why = gif_first_frame(p, n, &src, &gif, &transparent)) return why;
    std::vector<GifPixelType> line(static_cast<size_t>(gif.g->Image.Width));
    return gif_lines(gif.g, line.data(), [](int, const GifPixelType*) {}) ? nullptr : "damaged";
#else
    (void)p;
    (void)n;
    return "not GIF or JPEG";
#endif
}

// Writing.

#ifdef QUILLET_HAVE_GIF
namespace {

int gif_write(GifFileType* g, const GifByteType* data, int len)
{
    auto* out = static_cast<std::vector<uint8_t>*>(g->UserData);
    try {
        out->insert(out->end(), data, data + len);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return len;
}

}  // namespace

struct PictureGifWriter::State {
    GifFileType* g = nullptr;
    unsigned width = 0;
};

PictureGifWriter::PictureGifWriter() : s_(nullptr) {}

PictureGifWriter::~PictureGifWriter()
{
    if (s_ && s_->g) {
        int err;
        EGifCloseFile(s_->g, &err);
    }
    delete s_;
}

bool PictureGifWriter::begin(unsigned width, unsigned height, const std::vector<uint32_t>& palette, int transparent,
                             std::vector<uint8_t>* out)
{
    if (s_ || width == 0 || height == 0 || width > 65535 || height > 65535 || palette.size() > 256) return false;
    if (transparent >= 0 && (palette.size() >= 256 || transparent != static_cast<int>(palette.size()))) return false;
    s_ = new State;
    s_->width = width;
    int err = 0;
    s_->g = EGifOpen(out, gif_write, &err);
    if (!s_->g) return false;
    size_t entries = palette.size() + (transparent >= 0 ? 1 : 0);
    int size = 2;
    while (static_cast<size_t>(size) < entries) size *= 2;
    GifColorType colours[256] = {};
    for (size_t i = 0; i < palette.size(); ++i) {
        colours[i].Red = static_cast<GifByteType>(palette[i] >> 16);
        colours[i].Green = static_cast<GifByteType>(palette[i] >> 8);
        colours[i].Blue = static_cast<GifByteType>(palette[i]);
    }
    ColorMapObject* map = GifMakeMapObject(size, colours);
    if (!map) return false;
    EGifSetGifVersion(s_->g, transparent >= 0);
    bool ok = EGifPutScreenDesc(s_->g, static_cast<int>(width), static_cast<int>(height), 8, 0, map) == GIF_OK;
    GifFreeMapObject(map);
    if (ok && transparent >= 0) {
        GraphicsControlBlock gcb = {DISPOSAL_UNSPECIFIED, false, 0, transparent};
        GifByteType ext[4];
        EGifGCBToExtension(&gcb, ext);
        ok = EGifPutExtension(s_->g, GRAPHICS_EXT_FUNC_CODE, 4, ext) == GIF_OK;
    }
    return ok &&
           EGifPutImageDesc(s_->g, 0, 0, static_cast<int>(width), static_cast<int>(height), false, nullptr) == GIF_OK;
}

bool PictureGifWriter::row(uint8_t* indices)
{
    return s_ && s_->g && EGifPutLine(s_->g, indices, static_cast<int>(s_->width)) == GIF_OK;
}

bool PictureGifWriter::finish()
{
    if (!s_ || !s_->g) return false;
    int err;
    bool ok = EGifCloseFile(s_->g, &err) == GIF_OK;
    s_->g = nullptr;  // closed and freed whatever the result
    return ok;
}

#else

struct PictureGifWriter::State {};
PictureGifWriter::PictureGifWriter() : s_(nullptr) {}
PictureGifWriter::~PictureGifWriter() {}
bool PictureGifWriter::begin(unsigned, unsigned, const std::vector<uint32_t>&, int, std::vector<uint8_t>*)
{
    return false;
}
bool PictureGifWriter::row(uint8_t*) { return false; }
bool PictureGifWriter::finish() { return false; }

#endif

bool picturewrite_gif(const PictureImage& img, std::vector<uint8_t>* out)
{
    out->clear();
    size_t pixels = static_cast<size_t>(img.width) * img.height;
    if (img.rgba.size() != pixels * 4) return false;
    const uint8_t* px = img.rgba.data();
    bool transparent = false;
    for (size_t i = 0; i < pixels; ++i)
        if (px[i * 4 + 3] == 0) transparent = true;
    PicturePalette palette;
    size_t limit = transparent ? 255 : 256;
    uint32_t last = 0xFFFFFFFFu;  // no RGB value
    for (size_t i = 0; i < pixels; ++i, px += 4) {
        uint32_t rgb = static_cast<uint32_t>(px[0]) << 16 | px[1] << 8 | px[2];
        if (px[3] == 0 || rgb == last) continue;
        last = rgb;
        if (palette.add(rgb, limit) < 0) return false;
    }
    int tindex = transparent ? static_cast<int>(palette.size()) : -1;
    PictureGifWriter w;
    bool ok = w.begin(img.width, img.height, palette.colours(), tindex, out);
    std::vector<uint8_t> line(img.width);
    px = img.rgba.data();
    last = 0xFFFFFFFFu;
    int index = 0;
    for (unsigned y = 0; ok && y < img.height; ++y) {
        for (unsigned x = 0; x < img.width; ++x, px += 4) {
            uint32_t rgb = static_cast<uint32_t>(px[0]) << 16 | px[1] << 8 | px[2];
            if (px[3] == 0) {
                line[x] = static_cast<uint8_t>(tindex);
                continue;
            }
            if (rgb != last) {
                last = rgb;
                index = palette.find(rgb);
            }
            line[x] = static_cast<uint8_t>(index);
        }
        ok = w.row(line.data());
    }
    ok = ok && w.finish();
    if (!ok) out->clear();
    return ok;
}

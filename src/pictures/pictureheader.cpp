// Picture headers: format, size, JPEG segments, EXIF orientation and the
// decoder's working-memory estimate. Every read is bounded by n.
#include "pictures/pictureheader.h"

#include <cstring>

namespace {

uint32_t be16(const unsigned char* p) { return static_cast<uint32_t>(p[0]) << 8 | p[1]; }
uint32_t be32(const unsigned char* p) { return be16(p) << 16 | be16(p + 2); }
uint32_t le16(const unsigned char* p) { return static_cast<uint32_t>(p[1]) << 8 | p[0]; }
uint32_t le24(const unsigned char* p) { return le16(p) | static_cast<uint32_t>(p[2]) << 16; }
uint32_t le32(const unsigned char* p) { return le16(p) | le16(p + 2) << 16; }

void read_gif(const unsigned char* p, size_t n, PictureHeader* h)
{
    if (n < 10) return;
    h->width = le16(p + 6);
    h->height = le16(p + 8);
    h->complete = h->width > 0 && h->height > 0;
    // giflib keeps one screen of bytes and a row.
    h->memory = static_cast<uint64_t>(h->width) * h->height + h->width * 4ull;
}

void read_png(const unsigned char* p, size_t n, PictureHeader* h)
{
    // Signature, then IHDR first: length 13, type, width, height, depth,
    // colour type, compression, filter, interlace.
    if (n < 33 || be32(p + 8) != 13 || std::memcmp(p + 12, "IHDR", 4) != 0) return;
    h->width = be32(p + 16);
    h->height = be32(p + 20);
    h->bitdepth = p[24];
    h->colourtype = p[25];
    h->interlaced = p[28] == 1;
    h->alpha = h->colourtype == 4 || h->colourtype == 6;
    // A tRNS chunk before IDAT gives alpha too.
    for (size_t at = 33; at + 8 <= n;) {
        uint32_t len = be32(p + at);
        if (std::memcmp(p + at + 4, "tRNS", 4) == 0) h->alpha = true;
        if (std::memcmp(p + at + 4, "IDAT", 4) == 0 || len > n - at - 8) break;
        at += 12ull + len;
    }
    bool valid_depth =
        h->bitdepth == 1 || h->bitdepth == 2 || h->bitdepth == 4 || h->bitdepth == 8 || h->bitdepth == 16;
    h->complete =
        h->width > 0 && h->height > 0 && h->width < 0x80000000u && h->height < 0x80000000u && valid_depth &&
        (h->colourtype == 0 || h->colourtype == 2 || h->colourtype == 3 || h->colourtype == 4 || h->colourtype == 6);
    // Decoded to 8-bit RGBA: an interlaced picture is held whole, another
    // two rows at a time (the raw row at its own depth plus the output).
    uint64_t row = static_cast<uint64_t>(h->width) * 8;
    h->memory = h->interlaced ? static_cast<uint64_t>(h->width) * h->height * 4 + row : 2 * row + (1u << 16);
}

void read_webp(const unsigned char* p, size_t n, PictureHeader* h)
{
    if (n < 30) return;
    const unsigned char* c = p + 12;
    if (std::memcmp(c, "VP8 ", 4) == 0) {
        // Frame tag (3 bytes), start code 9D 01 2A, 14-bit sizes.
        if (c[11] != 0x9D || c[12] != 0x01 || c[13] != 0x2A) return;
        h->width = le16(c + 14) & 0x3FFF;
        h->height = le16(c + 16) & 0x3FFF;
    } else if (std::memcmp(c, "VP8L", 4) == 0) {
        if (c[8] != 0x2F) return;
        uint32_t bits = le32(c + 9);
        h->width = (bits & 0x3FFF) + 1;
        h->height = ((bits >> 14) & 0x3FFF) + 1;
        h->alpha = (bits >> 28) & 1;
    } else if (std::memcmp(c, "VP8X", 4) == 0) {
        h->alpha = (c[8] & 0x10) != 0;
        h->animated = (c[8] & 0x02) != 0;
        h->width = le24(c + 12) + 1;
        h->height = le24(c + 15) + 1;
    } else {
        return;
    }
    h->complete = h->width > 0 && h->height > 0;
    // libwebp decodes the whole picture (RGBA), and the lossy decoder keeps
    // its YUV planes beside it.
    h->memory = static_cast<uint64_t>(h->width) * h->height * 4 + static_cast<uint64_t>(h->width) * h->height * 3 / 2;
}

void read_app(const unsigned char* s, size_t len, int marker, PictureHeader* h)
{
    if (marker == 0xE0 && len >= 5 && std::memcmp(s, "JFIF\0", 5) == 0) h->jfif = true;
    if (marker == 0xE1 && len >= 6 && std::memcmp(s, "Exif\0\0", 6) == 0) {
        h->exif = true;
        if (!h->orientation) h->orientation = exif_orientation(s + 6, len - 6);
    }
    if (marker == 0xEE && len >= 12 && std::memcmp(s, "Adobe", 5) == 0) {
        h->adobe = true;
        h->adobe_transform = s[11];
    }
}

// Every coefficient (2 bytes each, per component) and the output rows.
uint64_t all_coefficients(const PictureHeader& h)
{
    uint64_t px = static_cast<uint64_t>(h.width) * h.height;
    return px * h.components * 2 + px * 3;
}

// The segments up to the first scan: the marks before the frame, the frame,
// and whether the first scan holds all of the frame's components.
void read_jpeg(const unsigned char* p, size_t n, PictureHeader* h)
{
    size_t at = 2;
    while (at + 4 <= n) {
        if (p[at] != 0xFF) return;  // segments follow one another
        int m = p[at + 1];
        if (m == 0xFF) {
            ++at;  // fill byte
            continue;
        }
        if (m == 0xD8 || (m >= 0xD0 && m <= 0xD7) || m == 0x01) {
            at += 2;
            continue;
        }
        if (m == 0xDA) {
            // The first scan: when it holds fewer of the frame's components
            // than all, the scans follow one another and the decoder keeps
            // every coefficient, as for a progressive picture.
            if (h->sof && !h->interlaced && at + 4 < n && p[at + 4] < h->components) h->memory = all_coefficients(*h);
            return;
        }
        if (m == 0xD9) return;
        size_t len = be16(p + at + 2);
        if (len < 2) return;
        const unsigned char* s = p + at + 4;
        size_t have = n - at - 4 < len - 2 ? n - at - 4 : len - 2;
        if (m >= 0xE0 && m <= 0xEF) read_app(s, have, m, h);
        bool frame = m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
        if (frame && !h->sof) {
            if (have < 6) return;
            h->sof = m;
            h->precision = s[0];
            h->height = be16(s + 1);
            h->width = be16(s + 3);
            h->components = s[5];
            h->interlaced = m == 0xC2 || m == 0xC6 || m == 0xCA || m == 0xCE;
            h->complete = h->width > 0 && h->height > 0 && h->components >= 1 && h->components <= 4;
            uint64_t bytes = h->precision > 8 ? 2 : 1;
            // A progressive picture keeps every coefficient; a sequential
            // one a row of MCUs, unless its first scan says otherwise.
            h->memory = h->interlaced ? all_coefficients(*h)
                                      : static_cast<uint64_t>(h->width) * 16 * h->components * bytes * 2 + (1u << 16);
        }
        at += 2 + len;
    }
}

}  // namespace

int exif_orientation(const unsigned char* t, size_t n)
{
    if (n < 8) return 0;
    bool little;
    if (t[0] == 'I' && t[1] == 'I')
        little = true;
    else if (t[0] == 'M' && t[1] == 'M')
        little = false;
    else
        return 0;
    auto u16 = [&](size_t at) { return little ? le16(t + at) : be16(t + at); };
    auto u32 = [&](size_t at) { return little ? le32(t + at) : be32(t + at); };
    if (u16(2) != 42) return 0;
    uint32_t ifd = u32(4);
    if (ifd > n || n - ifd < 2) return 0;
    uint32_t count = u16(ifd);
    for (uint32_t i = 0; i < count; ++i) {
        uint64_t e = ifd + 2ull + 12ull * i;
        if (e + 12 > n) return 0;
        if (u16(e) != 0x0112) continue;
        // SHORT, count 1: the value is in the entry's first two bytes.
        if (u16(e + 2) != 3 || u32(e + 4) != 1) return 0;
        uint32_t v = u16(e + 8);
        return v >= 1 && v <= 8 ? static_cast<int>(v) : 0;
    }
    return 0;
}

bool pictureheader_read(const unsigned char* p, size_t n, PictureHeader* h)
{
    *h = PictureHeader();
    if (n >= 6 && (std::memcmp(p, "GIF87a", 6) == 0 || std::memcmp(p, "GIF89a", 6) == 0)) {
        h->format = PICFMT_GIF;
        read_gif(p, n, h);
    } else if (n >= 3 && p[0] == 0xFF && p[1] == 0xD8 && p[2] == 0xFF) {
        h->format = PICFMT_JPEG;
        read_jpeg(p, n, h);
    } else if (n >= 8 && std::memcmp(p, "\x89PNG\r\n\x1a\n", 8) == 0) {
        h->format = PICFMT_PNG;
        read_png(p, n, h);
    } else if (n >= 12 && std::memcmp(p, "RIFF", 4) == 0 && std::memcmp(p + 8, "WEBP", 4) == 0) {
        h->format = PICFMT_WEBP;
        read_webp(p, n, h);
    } else {
        return false;
    }
    return true;
}

bool pictureheader_jpegasis(const PictureHeader& h)
{
    if (h.format != PICFMT_JPEG || !h.complete) return false;
    if ((h.sof != 0xC0 && h.sof != 0xC1) || h.precision != 8) return false;
    if (h.components != 1 && h.components != 3) return false;
    return h.orientation <= 1;
}

const char* pictureheader_refusal(const PictureHeader& h, bool png_webp_readable)
{
    if (h.format == PICFMT_UNKNOWN) return "not GIF or JPEG";
    if ((h.format == PICFMT_PNG || h.format == PICFMT_WEBP) && !png_webp_readable) return "not GIF or JPEG";
    if (!h.complete) return "damaged";
    if (static_cast<uint64_t>(h.width) * h.height > kPictureMaxPixels || h.memory > kPictureMaxMemory)
        return "too large";
    return nullptr;
}

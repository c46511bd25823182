// Picture headers, read from the file's first bytes before any decoding:
// the format (from the bytes, never the name), the pixel size, for JPEG
// its frame type, APPn marks and EXIF orientation, and the decoder's
// working-memory estimate, against which a picture is refused.
#pragma once

#include <cstddef>
#include <cstdint>

enum PictureFormat { PICFMT_UNKNOWN, PICFMT_GIF, PICFMT_JPEG, PICFMT_PNG, PICFMT_WEBP };

struct PictureHeader {
    PictureFormat format = PICFMT_UNKNOWN;
    bool complete = false;  // the header was read to the size
    unsigned width = 0;
    unsigned height = 0;
    bool interlaced = false;  // PNG Adam7, progressive JPEG
    bool alpha = false;  // PNG colour type 4/6 or tRNS seen; WebP alpha
    bool animated = false;  // WebP animation
    // JPEG: the start-of-frame marker (0xC0..0xCF), sample precision and
    // component count, and the APPn marks before the frame.
    int sof = 0;
    int precision = 0;
    int components = 0;
    bool jfif = false;
    bool exif = false;
    bool adobe = false;
    int adobe_transform = -1;  // -1 without an Adobe segment
    int orientation = 0;  // EXIF orientation 1-8, 0 when absent
    // PNG: bit depth and colour type.
    int bitdepth = 0;
    int colourtype = -1;
    // The decoder's working memory in bytes: the whole picture for
    // interlaced PNG and WebP, coefficient buffers for progressive JPEG
    // and sequential JPEG in several scans, a few rows otherwise.
    uint64_t memory = 0;
};

// The limits that hold whatever the file's size.
const uint64_t kPictureMaxPixels = 50000000ull;
const uint64_t kPictureMaxMemory = 256ull << 20;

// Reads the header from the first n bytes of the file (the whole file, or
// enough to reach a JPEG's frame header: 64 KB passes most EXIF
// segments). Returns whether the format was recognised; h->complete says
// whether its size was found.
bool pictureheader_read(const unsigned char* p, size_t n, PictureHeader* h);

// Whether a JPEG may be embedded as it is: baseline (SOF0/SOF1), 8-bit,
// grey or YCbCr (not CMYK/YCCK), orientation 1 or absent. Decoding fully
// is checked apart.
bool pictureheader_jpegasis(const PictureHeader& h);

// The short reason a picture is refused before decoding, for the summary
// message ("not GIF or JPEG" when the format is not one this build reads,
// "damaged" when the header is cut or says nothing sensible, "too large"
// past the pixel or memory limits), or nullptr when it may be decoded.
// `readable` says whether this build decodes PNG and WebP.
const char* pictureheader_refusal(const PictureHeader& h, bool png_webp_readable);

// The orientation (1-8) in an EXIF segment's TIFF structure (the bytes
// after "Exif\0\0"), either byte order, every offset checked; 0 when
// absent or damaged.
int exif_orientation(const unsigned char* tiff, size_t n);

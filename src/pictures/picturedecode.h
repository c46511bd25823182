// Decoding pictures to 8-bit RGBA in memory with the system's codecs
// (each optional: picturedecode_readable says which this build has).
// Every decoder reads the header itself and refuses by
// pictureheader_refusal before the library allocates anything, then holds
// the library to the header's working-memory estimate beside the output
// picture (width * height * 4 bytes), and refuses again what the
// libraries' own limits catch. Each returns nullptr, or the short reason
// it failed ("damaged", "too large", "not GIF or JPEG" when this build
// lacks the library); on failure the picture is left empty.
#pragma once

#include <cstddef>

#include "pictures/pictureconvert.h"
#include "pictures/pictureheader.h"

// Whether this build reads the format (GIF and JPEG always: without their
// libraries they are still embedded as they are).
bool picturedecode_readable(PictureFormat format);

// A PNG: every colour type and bit depth, interlaced, tRNS or alpha.
const char* picturedecode_png(const unsigned char* p, size_t n, PictureImage* out);

// A WebP (libwebp): lossy, lossless, with alpha; of an animation, the first
// frame placed on the canvas (transparent around it).
const char* picturedecode_webp(const unsigned char* p, size_t n, PictureImage* out);

// A JPEG (libjpeg-turbo): baseline, extended or progressive; grey, YCbCr,
// RGB, CMYK or YCCK (Adobe's inverted CMYK taken as inverted when the
// Adobe segment is there, as libjpeg's users do). A file cut short (the
// library's premature-end warning), more than 1000 warnings or 500 scans
// make it damaged; 12-bit samples, which this libjpeg does not read, too.
const char* picturedecode_jpeg(const unsigned char* p, size_t n, PictureImage* out);

// A GIF (giflib): the first frame placed on the logical screen, clipped to
// it; the screen around it, the frame's transparent index and indices past
// its colour table are transparent (alpha 0). A frame over 50 megapixels
// is too large even when the screen is smaller.
const char* picturedecode_gif(const unsigned char* p, size_t n, PictureImage* out);

// Whether a GIF or JPEG to be embedded as it is decodes fully, without
// keeping the picture: a JPEG row by row (no colour conversion), a GIF's
// first frame line by line. nullptr when it does, or the reason ("not GIF
// or JPEG" for other formats or when this build lacks the library).
const char* picturedecode_checks(PictureFormat format, const unsigned char* p, size_t n);

// What a picture file becomes in DDL, which holds GIF and JPEG only: the
// file as it is, a GIF or JPEG made from it, or a refusal.
//
// - A GIF is embedded as it is once its first frame decodes fully.
// - A JPEG that pictureheader_jpegasis passes is embedded as it is once it
//   decodes fully; any other JPEG (progressive, CMYK, 12-bit is refused,
//   EXIF orientation 2-8) is re-encoded as a baseline JPEG, turned upright.
// - A PNG or WebP is decoded and becomes what pictureconvert_choose says: a
//   GIF (with transparency) of its exact colours, or a JPEG laid over white.
// - Without giflib a GIF, and without libjpeg a JPEG that may be embedded,
//   go in unchecked, having nothing to check them; a JPEG that needs re-encoding is
//   then "not GIF or JPEG", as is a PNG or WebP without its library.
//   Without giflib a picture that would become a GIF becomes a JPEG over
//   white; without libjpeg one that must become a JPEG is "not GIF or JPEG".
//
// Memory: a non-interlaced PNG and a JPEG without a turn go through row by
// row (a few rows of the picture held at once, well under 64 MB at 50
// megapixels; a progressive JPEG adds libjpeg's coefficients, within the
// header's estimate). A PNG first has its colours counted row by row,
// stopping as soon as the count proves it a photograph (more than 256
// colours over white, and more than 255 opaque ones or partial alpha), and
// is then read a second time into the encoder: a GIF needs its palette
// before its first row. An interlaced PNG, a WebP and a turned JPEG are
// held whole (width * height * 4 bytes, at most 200 MB); a turned JPEG is
// too large when that and the header's estimate pass 256 MB (a progressive
// one past about 20 megapixels). The output grows in `out` as it is
// written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "pictures/pictureheader.h"

// Decides and does the conversion for the file p[0..n) whose header is h.
// Returns nullptr with *outfmt set to PICFMT_GIF or PICFMT_JPEG, `out`
// empty when the file is embedded as it is and holding the new file
// otherwise; or the short reason it is refused ("not GIF or JPEG",
// "damaged", "too large"), `out` empty.
const char* picture_transcode(const unsigned char* p, size_t n, const PictureHeader& h, std::vector<uint8_t>* out,
                              PictureFormat* outfmt);

// Decoding pictures to 8-bit RGBA in memory with the system's codecs
// (each optional: picturedecode_readable says which this build has).
// Decoders run only after pictureheader_refusal has passed the header,
// and refuse again what the libraries' own limits catch.
#pragma once

#include <cstddef>

#include "pictures/pictureconvert.h"
#include "pictures/pictureheader.h"

// Whether this build decodes the format.
bool picturedecode_readable(PictureFormat format);

// Decodes a PNG (every colour type and bit depth, interlaced, tRNS or
// alpha) to RGBA. Returns nullptr, or the short reason it failed
// ("damaged", "too large", "not GIF or JPEG" without libpng).
const char* picturedecode_png(const unsigned char* p, size_t n, PictureImage* out);

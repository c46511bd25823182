// Encoding an RGBA picture as GIF or JPEG, the two formats DDL holds, into
// a byte vector (cleared first, left empty on failure).
#pragma once

#include <cstdint>
#include <vector>

#include "pictures/pictureconvert.h"

// The JPEG quality used for every re-encoded picture: 85 is the usual point
// past which artefacts stop being visible on photographs while the file
// stays near a tenth of the raw size; higher qualities grow the file fast
// for no difference a reader sees on the page.
const int kPictureJpegQuality = 85;

// A GIF of the picture's exact colours: at most 256 opaque colours, or at
// most 255 and transparency (alpha 0 pixels share one transparent index,
// named by a Graphic Control Extension, which makes the file GIF89a; a GIF
// without one is GIF87a). Partial alpha is not expected: pictureconvert_choose
// has laid it over white. False past 256 colours, past 65535 pixels a side,
// or without giflib.
bool picturewrite_gif(const PictureImage& img, std::vector<uint8_t>* out);

// A baseline JPEG (SOF0, Huffman tables of the standard, JFIF), YCbCr with
// chroma at half resolution both ways (4:2:0, as cameras and browsers
// expect), at `quality`; alpha is ignored. False past 65500 pixels a side or
// without libjpeg.
bool picturewrite_jpeg(const PictureImage& img, int quality, std::vector<uint8_t>* out);

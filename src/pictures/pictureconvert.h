// The choice of what a decoded picture becomes in DDL, which holds only
// GIF and JPEG, and the EXIF turn, on an RGBA picture in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// 8-bit RGBA, rows top to bottom, no padding.
struct PictureImage {
    unsigned width = 0;
    unsigned height = 0;
    std::vector<uint8_t> rgba;
};

enum PictureChoice {
    PICTURE_TO_GIFTRANSPARENT,  // alpha only 0/255, at most 255 other colours
    PICTURE_TO_GIF,  // at most 256 colours once laid over white
    PICTURE_TO_JPEG  // anything else, laid over white
};

// Chooses the output and, unless the choice keeps transparency, lays all
// transparency (full and partial) over white in place. The counting stops
// at the first colour past the limit, so a photograph costs one pass.
PictureChoice pictureconvert_choose(PictureImage* img);

// Turns the picture as browsers do for EXIF orientation 2-8 (1, 0 and
// others leave it); 5-8 swap its width and height.
void pictureconvert_orient(PictureImage* img, int orientation);

// Lays `pixels` RGBA pixels over white in place (alpha becomes 255), as
// pictureconvert_choose does: for a picture read row by row.
void pictureconvert_overwhite(uint8_t* rgba, size_t pixels);

// Places row y of a w x h picture where orientation o (2-8) sends it, in
// `out`, which holds the turned picture (h x w for 5-8): the turn of a
// picture read row by row, without keeping the unturned one.
void pictureconvert_orientrow(const uint8_t* row, unsigned y, unsigned w, unsigned h, int o, uint8_t* out);

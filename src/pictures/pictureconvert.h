// The choice of what a decoded picture becomes in DDL, which holds only
// GIF and JPEG, and the EXIF turn, on an RGBA picture in memory.
#pragma once

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

// The picture an <img> tag shows, chosen in the first pass as browsers
// choose it (under the pictures setting): a <picture>'s first <source>
// whose type this program reads and whose file exists, else the largest
// srcset candidate whose file can be read, else the lazy-loading source
// or src. Files are looked for through the page-folder reader.
#pragma once

#include <string>

#include "pictures/pictureheader.h"

struct PicturePick {
    bool data = false;  // a data: URI, whose bytes are in `bytes`
    std::string name;  // the file's name as the page-folder reader takes it
    std::string bytes;
    std::string leaf;  // what comments and markers call it
};

// At <picture> and </picture>: the sources met between them are kept.
void picturepick_open();
void picturepick_close();
// At a <source> inside a <picture>: its srcset (or src) and type kept.
void picturepick_source();

// The choice for the <img> tag just read (its attributes from the
// attribute reader).
PicturePick picturepick_img();

// Reads the header of the page's file `name` (its first 64 KB). False
// when it does not open for the page.
bool picturepick_header(const std::string& name, PictureHeader* h);

// The leaf name shown for a file name: its last part, lower-cased, at
// most 31 bytes.
std::string picturepick_leaf(const std::string& name);

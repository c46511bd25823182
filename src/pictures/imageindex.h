// The image index: one entry per <img> tag met in the first pass, and the
// resolution of each tag's src value to a file.
#pragma once

#include <cstdint>
#include <string>

#include "base/platform.h"
#include "pictures/pictureheader.h"

// PNG and WebP are told apart only under the pictures setting.
enum ImageType { IMAGE_UNKNOWN = 0, IMAGE_GIF = 1, IMAGE_JPEG = 2, IMAGE_OTHER = 3, IMAGE_PNG = 4, IMAGE_WEBP = 5 };

// Why a picture is left out, under the pictures setting.
enum PictureLoss {
    LOSS_NONE,
    LOSS_NOTFOUND,  // no file of that name opens
    LOSS_OUTSIDE,  // a file outside the folders the page may read
    LOSS_FORMAT,  // not a picture this build reads ("not GIF or JPEG")
    LOSS_DAMAGED,
    LOSS_TOOLARGE,
    LOSS_COUNT
};

// What is known of one image tag: the tag's own size and position, and the
// file its src value names.
struct ImageEntry {
    char path[512];  // the src value, then the resolved file path
    char leaf[32];  // the src value's leaf name, for comments and markers
    int32_t readable;  // the resolved file opened
    int32_t sizeknown;  // width and height came from the tag
    int32_t type;  // ImageType
    int32_t width, height;
    int64_t offset;  // input position just after the tag
    int32_t duplicate;  // earlier entry with the same path and leaf, or 0
    // Under the pictures setting, the tag's width and height each as
    // given (0 when not), one without the other too.
    int32_t tagwidth, tagheight;
};

// Number of entries; entries are numbered from 1.
int image_count();
// Entry i (1 to image_count()), null outside. The index keeps each tag in a
// few bytes and each picture file once, so the entry is put together on
// request: it stays valid until the next call.
const ImageEntry* image_entry(int i);
// Entry i's file could not be opened after all: it is no longer readable.
void image_setunreadable(int i);

// Adds an entry from already-read attributes (the src value, its leaf,
// width | height << 16 or 0, the input position) and resolves and
// classifies its file unless pictures are disabled. Returns its number.
// A `cut` src value was too long for its field: it is reported and its
// entry never readable, as a resolved path too long for an entry is.
int image_addentry(const char* src, const char* leaf, unsigned size, long long offset, bool cut = false);

// The last entry recorded at input position `offset`, or 0.
int image_find(long long offset);

// Under the pictures setting: entry i's picture as the first pass read its
// header (null when none was read), the bytes of a data: picture (null
// for a file), and the identity of the file read (false when none).
const PictureHeader* image_header(int i);
const std::string* image_data(int i);
bool image_fileid(int i, PlatformFileId* id);
// Why entry i is left out (LOSS_NONE when it is not): its own reason, set
// by image_setloss (which makes it unreadable too), or its picture's.
int image_loss(int i);
void image_setloss(int i, int loss);
// Entry i's tag gave this width and height (0: not given).
void image_settagsize(int i, unsigned width, unsigned height);
// Adds an entry for a data: picture's bytes, as image_addentry does.
int image_adddata(const std::string& bytes, const char* leaf, unsigned size, long long offset);

// Releases the index (registered to run at exit; also used by tests).
void image_release();

// Resolves a src value against the input file's folder into the file's
// path; 1 when it then names a regular file that opens for reading, else 0. A result too long
// for an entry is reported and not used: the value is left as it is and
// *toolong set.
int image_resolve(std::string& path, bool* toolong);
// The report of a src value, or its resolved path, too long for its field
// of `limit` characters.
void image_reportlongpath(const char* src, int limit = 511);

// The path of picture `src` named in a page whose path is `inputpath`,
// with `cwd` the current working folder ("" when unknown) and `sep` the
// separator for joining. Both '/' and '\' separate folders everywhere;
// a folder is absolute with a drive letter or a leading '/'.
std::string image_resolvepath(const std::string& inputpath, const std::string& src, const std::string& cwd, char sep);

// The type given by a file's first four bytes (missing bytes as 0).
int image_filetype(const unsigned char head[4]);

// The lower-cased src value spelled as the tag's own text spells it, so
// that names with capitals are found where file names are case-sensitive.
std::string image_srcspelling(const char* params, const char* lowered);

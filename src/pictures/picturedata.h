// Picture declarations in the preamble: the frame, the pixel size, and the
// file's bytes in the text encoding of the picture data.
#pragma once

#include <cstddef>
#include <cstdio>

struct ImageEntry;

// Encodes n bytes as groups of three, four characters a group, closing the
// string and opening the next after every 19 groups; *linegroups carries the
// count of groups on the current line from chunk to chunk. n must be a
// multiple of 3 except for the last chunk, whose short group is padded.
// Returns the characters written to out, which must hold
// picture_encodedbound(n).
size_t picture_encodechunk(const unsigned char* in, size_t n, char* out, int* linegroups);
size_t picture_encodedbound(size_t n);

// Writes the opening quote, `size` bytes of the file encoded (bytes the file
// no longer has read as 0, so the data keeps the length declared before it)
// and nothing after. The file is read in pieces, never held whole.
void picture_writedata(const char* path, long long size);
// The same for n bytes in memory.
void picture_writebytes(const unsigned char* p, size_t n);

// The size of a JPEG stream positioned at its start: width | height << 16,
// 255 x 255 when it cannot be found. Reports go to `report`.
unsigned jpeg_sizereport(FILE* f, FILE* report);
// The same, reporting on standard error.
unsigned jpeg_size(FILE* f);

// The pixel size of entry e's picture before page fitting.
unsigned picture_pixelsize(const ImageEntry& e);

// Writes the declarations of entry i; d is the earlier entry holding the
// same picture, or 0.
void picture_writedecl(int i, int d);

// The conversion's input stream: byte reads with a little push-back, so
// that the readers can look ahead without a seek.
#pragma once

#include <cstdio>

bool infile_open(const char* path);
bool infile_isopen();
void infile_close();

// The read position inside the current buffer, kept here so that the
// common case of infile_getc is a pointer step; nothing else touches it.
namespace infile_detail {
extern const unsigned char* cur;
extern const unsigned char* end;
int slow_getc();
}  // namespace infile_detail

// Next byte (0-255) or EOF.
inline int infile_getc()
{
    if (infile_detail::cur < infile_detail::end) return *infile_detail::cur++;
    return infile_detail::slow_getc();
}
// Pushes a byte back (up to four may be pending); EOF is ignored.
void infile_ungetc(int c);
// The next byte without taking it.
int infile_peek();

// Length in bytes (measured by seeking to the end and back to the start).
long infile_length();
void infile_rewind();
long infile_tell();
void infile_seek(long pos);

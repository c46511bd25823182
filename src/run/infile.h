// The conversion's input stream: byte reads with a little push-back, so
// that the readers can look ahead without a seek.
#pragma once

#include <cstdio>

bool infile_open(const char* path);
bool infile_isopen();
void infile_close();

// Next byte (0-255) or EOF.
int infile_getc();
// Pushes a byte back (up to four may be pending); EOF is ignored.
void infile_ungetc(int c);
// The next byte without taking it.
int infile_peek();

// Length in bytes (measured by seeking to the end and back to the start).
long infile_length();
void infile_rewind();
long infile_tell();
void infile_seek(long pos);

// Line reading for the support files: like fgets, but with the length
// returned, so that NUL bytes in a file cannot confuse the caller.
#pragma once

#include <cstdio>

// Reads at most `limit` bytes, stopping after a line feed (which is kept).
// `buf` must hold limit + 1 bytes and is NUL-terminated. Returns the number
// of bytes read, or -1 at end of file when nothing was read.
int support_readline(FILE* f, char* buf, int limit);

// Reads a line as above and removes its last byte (the line feed). Returns
// the remaining length, or -1 at end of file.
int support_readline_cut(FILE* f, char* buf, int limit);

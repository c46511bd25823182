// Line reading for the support files: like fgets, but with the length
// returned, so that NUL bytes in a file cannot confuse the caller.
#pragma once

#include <cstdio>
#include <string>

// Reads at most `limit` bytes, stopping after a line feed (which is kept).
// `buf` must hold limit + 1 bytes and is NUL-terminated. Returns the number
// of bytes read, or -1 at end of file when nothing was read.
int support_readline(FILE* f, char* buf, int limit);

// Reads a line as above and removes its last byte (the line feed). Returns
// the remaining length, or -1 at end of file.
int support_readline_cut(FILE* f, char* buf, int limit);

// A support file read whole when it is opened, in large pieces, so that a
// loader reads its lines (as often as it counts and reads them) from memory
// and opens the file once.
class SupportFile {
public:
    // False when the file cannot be opened for reading.
    bool open(const std::string& path);
    // As support_readline and support_readline_cut, from the file's bytes.
    int readline(char* buf, int limit);
    int readline_cut(char* buf, int limit);
    void rewind() { pos_ = 0; }
    long tell() const { return static_cast<long>(pos_); }
    // A position past the end reads as the end; a negative one as the start.
    void seek(long pos);

private:
    std::string data_;
    size_t pos_ = 0;
};

// The conversion's input stream: byte reads with a little push-back, so
// that the readers can look ahead without a seek.
#pragma once

#include <cstddef>
#include <cstdio>

#include "base/platform.h"

// Opens the input: false when it cannot be opened, or is a folder or a
// device other than a terminal (which could never end); infile_openreason
// then says why. "-" is standard input; it, any other pipe and a terminal
// are read to their end first, so that they can be read again. A read
// that fails ends the run (exit 10).
bool infile_open(const char* path);
// Why the last infile_open failed: the system's reason, "it is a folder"
// or "it is a device".
const char* infile_openreason();
// Takes a regular file already opened for binary reading as the input
// (path for the messages); false when there is none.
bool infile_openfile(std::FILE* f, const char* path);
// With on, each input opened is read in its own character set (detected by
// its byte order mark, its declaration, or its bytes) into the host set,
// through a temporary file, so that every reader, both passes and the line
// counts see host bytes; an input with no byte above 127 and no mark is
// read as it is. infile_open starts a page (its count of characters
// without a host form); infile_openfile reads a script's continuation.
// Off, the bytes are read as they are.
void infile_setcharsets(bool on);
// The identity of the open input file (the file named, not its
// transcoded copy); false when none is open.
bool infile_fileid(PlatformFileId* id);
void infile_close();

// The read-past-the-end rule of every block reader: after the last byte
// that infile_available gives, infile_slack more bytes may be read (their
// values mean nothing), so that a reader can take sixteen bytes at a time
// without a check at the end. Buffers handed to such readers (the
// workspace, the tag buffers) keep the same room.
const int infile_slack = 32;

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
// The bytes that can be read next without a refill, for readers that take
// runs of bytes at once: none while a byte is pushed back. infile_skip(n)
// then takes n of them (n at most the number given). The read-past-the-end
// rule above holds for the bytes after the last of them.
inline size_t infile_available(const unsigned char** p)
{
    *p = infile_detail::cur;
    return static_cast<size_t>(infile_detail::end - infile_detail::cur);
}
inline void infile_skip(size_t n) { infile_detail::cur += n; }
// Pushes a byte back (up to four may be pending); EOF is ignored.
void infile_ungetc(int c);
// The next byte without taking it.
int infile_peek();

// Length in bytes (measured by seeking to the end and back to the start),
// in 64 bits so that inputs past 2 GiB are measured right everywhere.
long long infile_length();
void infile_rewind();
// Positions in 64 bits on every system.
long long infile_tell();
void infile_seek(long long pos);

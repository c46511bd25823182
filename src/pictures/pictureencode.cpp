// The text encoding of picture data: six bits a character from '#' up, with
// 'c' standing in for the backslash, in quoted strings of 76 characters.
#include <cstring>

#include "ddl/ddlout.h"
#include "pictures/picturedata.h"
#include "base/platform.h"

namespace {

const int kGroupsPerLine = 19;
const size_t kChunk = 3 * kGroupsPerLine * 1024;  // whole lines of input

struct CharTable {
    char c[64];
    CharTable()
    {
        for (int v = 0; v < 64; ++v) c[v] = static_cast<char>(v + 35 == '\\' ? 'c' : v + 35);
    }
};
const CharTable kChars;

unsigned char g_in[kChunk];
char g_out[kChunk / 3 * 4 + (kChunk / 3 / kGroupsPerLine + 1) * 3];

}  // namespace

size_t picture_encodedbound(size_t n)
{
    size_t groups = (n + 2) / 3;
    return groups * 4 + (groups / kGroupsPerLine + 1) * 3;
}

size_t picture_encodechunk(const unsigned char* in, size_t n, char* out, int* linegroups)
{
    const char* t = kChars.c;
    char* o = out;
    int line = *linegroups;
    for (size_t i = 0; i < n; i += 3) {
        unsigned b1 = in[i];
        unsigned b2, b3;
        size_t left = n - i;
        if (left >= 3) {
            b2 = in[i + 1];
            b3 = in[i + 2];
        } else if (left == 2) {
            b2 = in[i + 1];
            b3 = 0xFF;
        } else {
            b2 = 0xFF;
            b3 = 0x00;
        }
        o[0] = t[b1 >> 2];
        o[1] = t[((b1 << 4) & 0x30) | (b2 >> 4)];
        o[2] = t[((b2 << 2) & 0x3C) | (b3 >> 6)];
        o[3] = t[b3 & 0x3F];
        o += 4;
        if (++line == kGroupsPerLine) {
            o[0] = '"';
            o[1] = '\n';
            o[2] = '"';
            o += 3;
            line = 0;
        }
    }
    *linegroups = line;
    return static_cast<size_t>(o - out);
}

void picture_writebytes(const unsigned char* p, size_t n)
{
    ddlout_directchar('"');
    int line = 0;
    // Whole chunks are multiples of three, as the encoding needs.
    for (size_t at = 0; at < n; at += kChunk) {
        size_t want = n - at < kChunk ? n - at : kChunk;
        ddlout_directbytes(g_out, picture_encodechunk(p + at, want, g_out, &line));
    }
}

void picture_writedata(const char* path, long long size)
{
    FILE* f = platform_openregular(path);
    ddlout_directchar('"');
    int line = 0;
    long long remaining = size;
    while (remaining > 0) {
        size_t want = static_cast<unsigned long long>(remaining) < kChunk ? static_cast<size_t>(remaining) : kChunk;
        size_t got = f ? std::fread(g_in, 1, want, f) : 0;
        if (got < want) {
            // The file shrank or went since it was measured.
            std::memset(g_in + got, 0, want - got);
            if (f) std::fclose(f);
            f = nullptr;
        }
        ddlout_directbytes(g_out, picture_encodechunk(g_in, want, g_out, &line));
        remaining -= static_cast<long long>(want);
    }
    if (f) std::fclose(f);
}

// The pixel size of a JPEG file, read from its frame header. Whatever the
// bytes, the walk moves forward on every step and stops at the end.
#include <cstdint>
#include <cstdio>

#include "pictures/picturedata.h"
#include "base/platform.h"

namespace {

const unsigned kDefaultSize = 255u | 255u << 16;
const uint32_t kEofByte = 0xFFFFFFFFu;  // a byte read at the end of the file

struct JpegStream {
    FILE* f;
    long long length;  // -1 when the stream cannot say
};

bool at_end(FILE* f)
{
    int c = std::getc(f);
    if (c == EOF) return true;
    std::ungetc(c, f);
    return false;
}

uint32_t read_byte(FILE* f)
{
    int c = std::getc(f);
    return c == EOF ? kEofByte : static_cast<uint32_t>(c);
}

// High byte first. A byte past the end makes the value too large to be a
// size, which is how a cut-off frame header shows.
uint32_t read_word(FILE* f)
{
    uint32_t hi = read_byte(f);
    uint32_t lo = read_byte(f);
    return (hi << 8) | lo;
}

// Skips n bytes, stopping at the end of the file.
void skip(const JpegStream& s, uint32_t n)
{
    if (s.length >= 0) {
        long long pos = platform_tell(s.f);
        if (pos >= 0) {
            long long room = pos < s.length ? s.length - pos : 0;
            long long step = room < static_cast<long long>(n) ? room : static_cast<long long>(n);
            if (platform_seek(s.f, pos + step, SEEK_SET) == 0) return;
        }
    }
    while (n-- > 0 && std::getc(s.f) != EOF) {}
}

uint32_t clamp(uint32_t v, const char* format, FILE* report)
{
    if (v <= 65535) return v;
    std::fprintf(report, format, static_cast<unsigned long>(v));
    return 65535;
}

bool is_frame_marker(uint32_t m)
{
    // Huffman tables (C4), arithmetic coding conditioning (CC) and the
    // reserved C8 share the range but carry no frame size.
    return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

}  // namespace

unsigned jpeg_sizereport(FILE* f, FILE* report)
{
    JpegStream s{f, -1};
    if (platform_seek(f, 0, SEEK_END) == 0) s.length = platform_tell(f);
    std::rewind(f);

    read_byte(f);
    read_byte(f);
    if (at_end(f)) {
        std::fputs("Unexpected EOF in JPEG decode.\n", report);
        return kDefaultSize;
    }
    for (;;) {
        if (read_byte(f) != 0xFF) {
            std::fputs("JPEG size processing failed, assuming default size.\n", report);
            return kDefaultSize;
        }
        uint32_t m = read_byte(f);
        if (is_frame_marker(m)) {
            skip(s, 3);
            uint32_t height = read_word(f);
            uint32_t width = read_word(f);
            height = clamp(height, "JPEG height > 65535; a %lu height JPEG in a web page? get real!\n", report);
            width = clamp(width, "JPEG width > 65535; a %lu width JPEG in a web page? get real!\n", report);
            return width | height << 16;
        }
        if (m == 0xD9) {
            std::fputs("Encountered EOI while looking for SOF in JPEG data, assuming default size.\n", report);
            return kDefaultSize;
        }
        uint32_t length = read_word(f);
        skip(s, length - 2);  // unsigned: a length of 0 or 1 runs to the end
        if (at_end(f)) {
            std::fputs("Unexpected EOF in JPEG decode.\n", report);
            return kDefaultSize;
        }
    }
}

unsigned jpeg_size(FILE* f)
{
    unsigned size = jpeg_sizereport(f, stderr);
    std::fflush(stderr);
    return size;
}

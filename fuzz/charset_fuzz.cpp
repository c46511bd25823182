// libFuzzer target of the character set reader: detection on the input,
// and the transcoder in every set, fed in pieces of a size the first byte
// chooses. The pieces must give the same host bytes as one call with the
// whole input, within the room the transcoder asks for, with no byte of
// 0x80-0x9F other than the four quotes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/charset.h"

namespace {

std::vector<unsigned char> transcode(Charset cs, bool script, const unsigned char* p, size_t n, size_t piece,
                                     long long* unmapped)
{
    Transcoder tr(cs, script);
    std::vector<unsigned char> out;
    std::vector<unsigned char> in;
    std::vector<unsigned char> buf;
    size_t at = 0;
    for (;;) {
        size_t take = n - at < piece ? n - at : piece;
        in.insert(in.end(), p + at, p + at + take);
        at += take;
        bool last = take == 0;
        buf.assign(Transcoder::kGrowth * in.size() + Transcoder::kGrowth, 0);
        size_t produced = 0;
        size_t used = tr.decode(in.data(), in.size(), last, buf.data(), &produced);
        if (used > in.size() || produced > buf.size()) std::abort();
        if (!last && in.size() - used > Transcoder::kHeld) std::abort();  // only a cut sequence or name is kept
        if (last && used != in.size()) std::abort();
        out.insert(out.end(), buf.data(), buf.data() + produced);
        in.erase(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(used));
        if (last) break;
    }
    *unmapped = tr.unmapped();
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    unsigned mode = data[0];
    const unsigned char* p = data + 1;
    size_t n = size - 1;

    Charset bomcs;
    size_t bom = charset_bom(p, n, &bomcs);
    if (bom > n) std::abort();
    char name[64];
    if (charset_declared(p, n, name, sizeof name)) {
        if (std::strlen(name) >= sizeof name || !name[0]) std::abort();
        Charset cs;
        (void)charset_fromname(name, &cs);
    }
    Utf8Check check;
    size_t piece = 1 + (mode >> 3);
    for (size_t at = 0; at < n; at += piece) check.feed(p + at, n - at < piece ? n - at : piece);
    Utf8Check whole;
    whole.feed(p, n);
    if (whole.result() != check.result()) std::abort();

    static const Charset kSets[] = {CHARSET_UTF8,      CHARSET_UTF16LE, CHARSET_UTF16BE, CHARSET_WIN1252,
                                    CHARSET_ISO885915, CHARSET_UTF8,    CHARSET_UTF8,    CHARSET_WIN1252};
    Charset cs = kSets[mode & 7];
    bool script = (mode >> 7) & 1;
    long long u1 = 0, u2 = 0;
    std::vector<unsigned char> a = transcode(cs, script, p, n, n + 1, &u1);
    std::vector<unsigned char> b = transcode(cs, script, p, n, piece, &u2);
    if (a != b || u1 != u2) std::abort();
    for (unsigned char c : a)
        if (c >= 0x80 && c <= 0x9F && c != 0x90 && c != 0x91 && c != 0x94 && c != 0x95) std::abort();
    // Valid UTF-8 with nothing above U+00FF but Latin-1 comes out one byte
    // per character: each two-byte sequence C2/C3 xx gives one byte.
    if (cs == CHARSET_UTF8 && whole.result()) {
        size_t chars = 0;
        bool latin1 = true;
        for (size_t i = 0; i < n; ++i) {
            if ((p[i] & 0xC0) != 0x80) ++chars;
            if (p[i] >= 0x80 && p[i] != 0xC2 && p[i] != 0xC3 && (p[i] & 0xC0) != 0x80) latin1 = false;
            if (p[i] == 0xC2 && i + 1 < n && p[i + 1] < 0xA0) latin1 = false;  // C1 controls
        }
        if (latin1 && a.size() != chars) std::abort();
    }
    return 0;
}

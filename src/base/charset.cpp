#include "base/charset.h"

#include <climits>
#include <cstring>

#include "base/ascii.h"
#include "base/bytescan.h"
#include "base/hostfallback.h"
#include "base/messages.h"

namespace {

// Windows-1252's characters for 0x80-0x9F (0 where it defines none).
const uint16_t kWin1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                   0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                   0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                   0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// ISO-8859-15 differs from Latin-1 in eight places.
uint32_t iso885915(unsigned char b)
{
    switch (b) {
    case 0xA4: return 0x20AC;
    case 0xA6: return 0x0160;
    case 0xA8: return 0x0161;
    case 0xB4: return 0x017D;
    case 0xB8: return 0x017E;
    case 0xBC: return 0x0152;
    case 0xBD: return 0x0153;
    case 0xBE: return 0x0178;
    default: return b;
    }
}

long long g_unmapped = 0;

// Whether the bytes at p (n of them) start with the lower-case word.
bool starts_nocase(const unsigned char* p, size_t n, const char* word)
{
    size_t k = std::strlen(word);
    if (n < k) return false;
    for (size_t i = 0; i < k; ++i)
        if (ascii_lower(p[i]) != static_cast<unsigned char>(word[i])) return false;
    return true;
}

bool is_space(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

bool is_namechar(unsigned char c) { return ascii_isalnum(c) || c == '-' || c == '_' || c == '.' || c == ':'; }

// The charset name after "charset" in the tag's bytes [p, e), when an '='
// follows it.
bool read_charset(const unsigned char* p, const unsigned char* e, char* name, size_t size)
{
    while (p < e && is_space(*p)) ++p;
    if (p >= e || *p != '=') return false;
    ++p;
    while (p < e && (is_space(*p) || *p == '"' || *p == '\'')) ++p;
    size_t k = 0;
    while (p < e && is_namechar(*p) && k + 1 < size) name[k++] = static_cast<char>(*p++);
    name[k] = '\0';
    return k > 0;
}

// The first byte of a UTF-8 sequence: its length (0 when it starts none)
// and the range of the byte after it.
int utf8_lead(unsigned char b, unsigned char* lo, unsigned char* hi)
{
    *lo = 0x80;
    *hi = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) return 2;
    if (b >= 0xE0 && b <= 0xEF) {
        if (b == 0xE0) *lo = 0xA0;  // overlong below
        if (b == 0xED) *hi = 0x9F;  // surrogates above
        return 3;
    }
    if (b >= 0xF0 && b <= 0xF4) {
        if (b == 0xF0) *lo = 0x90;  // overlong below
        if (b == 0xF4) *hi = 0x8F;  // past U+10FFFF above
        return 4;
    }
    return 0;
}

}  // namespace

uint32_t charset_win1252(unsigned char b)
{
    if (b < 0x80 || b > 0x9F) return b;
    uint32_t c = kWin1252High[b - 0x80];
    return c ? c : b;
}

int host_spell(uint32_t code, char* out)
{
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) {
        out[0] = static_cast<char>(code);
        return 1;
    }
    if (code < 0xA0) {
        out[0] = ' ';
        return 1;
    }
    switch (code) {
    case 0x2018: out[0] = '\x90'; return 1;
    case 0x2019: out[0] = '\x91'; return 1;
    case 0x201C: out[0] = '\x94'; return 1;
    case 0x201D: out[0] = '\x95'; return 1;
    default: break;
    }
    int lo = 0, hi = kHostFallbackCount - 1;
    while (lo <= hi) {
        int mid = (lo + hi) / 2;
        uint32_t c = kHostFallback[mid].code;
        if (c == code) {
            const char* t = kHostFallback[mid].text;
            int n = 0;
            while (t[n] && n < 4) {
                out[n] = t[n];
                ++n;
            }
            return n;
        }
        if (c < code)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    return -1;
}

size_t charset_bom(const unsigned char* p, size_t n, Charset* cs)
{
    if (n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) {
        *cs = CHARSET_UTF8;
        return 3;
    }
    if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
        *cs = CHARSET_UTF16LE;
        return 2;
    }
    if (n >= 2 && p[0] == 0xFE && p[1] == 0xFF) {
        *cs = CHARSET_UTF16BE;
        return 2;
    }
    return 0;
}

bool charset_declared(const unsigned char* p, size_t n, char* name, size_t size)
{
    if (size == 0) return false;
    const unsigned char* e = p + (n < 1024 ? n : 1024);
    for (const unsigned char* q = p; q < e; ++q) {
        if (*q != '<' || !starts_nocase(q + 1, static_cast<size_t>(e - q - 1), "meta")) continue;
        const unsigned char* t = q + 5;
        if (t < e && is_namechar(*t)) continue;  // <metadata> and the like
        const unsigned char* end = t;
        while (end < e && *end != '>') ++end;
        for (const unsigned char* s = t; s + 7 <= end; ++s) {
            if (starts_nocase(s, static_cast<size_t>(end - s), "charset") && read_charset(s + 7, end, name, size))
                return true;
        }
        q = end < e ? end : e - 1;
    }
    return false;
}

bool charset_fromname(const char* name, Charset* cs)
{
    static const struct {
        const char* name;
        Charset cs;
    } kNames[] = {{"utf-8", CHARSET_UTF8},       {"utf8", CHARSET_UTF8},          {"windows-1252", CHARSET_WIN1252},
                  {"cp1252", CHARSET_WIN1252},   {"iso-8859-1", CHARSET_WIN1252}, {"latin1", CHARSET_WIN1252},
                  {"us-ascii", CHARSET_WIN1252}, {"ascii", CHARSET_WIN1252},      {"iso-8859-15", CHARSET_ISO885915}};
    size_t n = std::strlen(name);
    for (const auto& k : kNames) {
        if (std::strlen(k.name) == n && starts_nocase(reinterpret_cast<const unsigned char*>(name), n, k.name)) {
            *cs = k.cs;
            return true;
        }
    }
    return false;
}

void Utf8Check::feed(const unsigned char* p, size_t n)
{
    size_t i = 0;
    while (i < n && valid_) {
        if (need_ == 0) {
            i += bytescan::ascii_prefix(p + i, n - i);
            if (i >= n) break;
            need_ = utf8_lead(p[i++], &lo_, &hi_) - 1;
            if (need_ < 0) valid_ = false;
            multibyte_ = true;
        } else {
            unsigned char c = p[i++];
            if (c < lo_ || c > hi_) valid_ = false;
            lo_ = 0x80;
            hi_ = 0xBF;
            --need_;
        }
    }
}

unsigned char* Transcoder::emit(uint32_t code, unsigned char* o, size_t at)
{
    naming_ = false;
    if (code >= 0xA0 && code <= 0xFF) {
        *o++ = static_cast<unsigned char>(code);
        return o;
    }
    char s[4];
    int k = host_spell(code, s);
    if (k >= 0) {
        std::memcpy(o, s, static_cast<size_t>(k));
        return o + k;
    }
    if (in_) settle(at);
    if (script_ || in_tag_ || in_title_) {
        ++unmapped_;
        *o++ = '?';
        return o;
    }
    static const char kHex[] = "0123456789ABCDEF";
    char digits[8];
    int d = 0;
    do {
        digits[d++] = kHex[code & 0xF];
        code >>= 4;
    } while (code && d < 8);
    *o++ = '&';
    *o++ = '#';
    *o++ = 'x';
    while (d) *o++ = static_cast<unsigned char>(digits[--d]);
    *o++ = ';';
    return o;
}

// Follows the ASCII bytes for the context of the characters to come: in a
// tag or not, the tag's name, and what the tags named title, /title and
// dramaton switch. The angle brackets are found sixteen bytes at a time;
// only a name that may be one of the three is read.
void Transcoder::track(const unsigned char* p, size_t n)
{
    static const unsigned char kAngles[] = {'<', '>'};
    size_t i = 0;
    for (;;) {
        if (naming_) {
            for (; i < n; ++i) {
                int c = ascii_lower(p[i]);
                if (!((c >= 'a' && c <= 'z') || (c == '/' && namelen_ == 0))) break;
                if (namelen_ < sizeof name_) name_[namelen_] = static_cast<char>(c);
                ++namelen_;
            }
            if (i >= n) return;  // the name goes on in the next run
            naming_ = false;
        }
        // The next angle bracket.
        while (i + 16 <= n) {
            unsigned m = bytescan::match16(p + i, kAngles);
            if (m) {
                i += static_cast<size_t>(bytescan::first(m));
                break;
            }
            i += 16;
        }
        while (i < n && p[i] != '<' && p[i] != '>') ++i;
        if (i >= n) return;
        unsigned char c = p[i++];
        if (c == '<') {
            if (in_tag_) continue;
            in_tag_ = true;
            namelen_ = 0;
            // Only /title, title and dramaton count: other names are not read.
            int f = i < n ? ascii_lower(p[i]) : '/';
            naming_ = f == '/' || f == 't' || f == 'd';
            continue;
        }
        if (!in_tag_) continue;
        in_tag_ = naming_ = false;
        auto is = [this](const char* w) { return namelen_ == std::strlen(w) && std::memcmp(name_, w, namelen_) == 0; };
        if (is("title"))
            in_title_ = true;
        else if (is("/title"))
            in_title_ = false;
        else if (is("dramaton"))
            script_ = true;
    }
}

namespace {

// The tag whose '<' is at p[i] (i below n): 1 for <title, 2 for </title, 3
// for <dramaton, 0 for any other.
int tag_kind(const unsigned char* p, size_t i, size_t n)
{
    size_t k = i + 1;
    bool closing = k < n && p[k] == '/';
    if (closing) ++k;
    char name[10];
    size_t len = 0;
    for (; k < n && ascii_isalpha(p[k]); ++k) {
        if (len == sizeof name) return 0;
        name[len++] = static_cast<char>(ascii_lower(p[k]));
    }
    auto is = [&](const char* w) { return len == std::strlen(w) && std::memcmp(name, w, len) == 0; };
    if (is("title")) return closing ? 2 : 1;
    return !closing && is("dramaton") ? 3 : 0;
}

// The bytes at the end of the n at p that are kept for the next call: a
// '<' (or "</") with only letters after it, fewer than ten, whose name may
// go on.
size_t cut_name(const unsigned char* p, size_t n)
{
    size_t k = n;
    while (k > 0 && n - k < 10 && ascii_isalpha(p[k - 1])) --k;
    if (k > 0 && p[k - 1] == '/') --k;
    if (k > 0 && p[k - 1] == '<' && n - k < 11) return n - (k - 1);
    return 0;
}

}  // namespace

// Brings the context from in_[mark_] to in_[upto]: the bytes between are
// ASCII or the bytes of characters above 127 (never '<', '>', '/' or a
// letter), so the raw input is read. The tags that switch the title and
// the script are found by their first letters, sixteen places at a time;
// being in a tag or not is the last angle bracket's word.
void Transcoder::settle(size_t upto)
{
    const unsigned char* p = in_;
    size_t from = mark_;
    if (upto <= from) return;
    mark_ = upto;
    static const unsigned char kOpen[] = {'t', 'T', 'd', 'D'};
    static const unsigned char kClose[] = {'t', 'T'};
    size_t i = from;
    while (i < upto) {
        if (i + 17 <= upto) {
            unsigned m = bytescan::pair16(p + i, '<', kOpen) | bytescan::pair16(p + i, '/', kClose);
            if (!m) {
                i += 16;
                continue;
            }
            i += static_cast<size_t>(bytescan::first(m));
        }
        size_t at = p[i] == '/' && i > 0 && p[i - 1] == '<' ? i - 1 : p[i] == '<' ? i : upto;
        if (at < upto) {
            switch (tag_kind(p, at, upto)) {
            case 1: in_title_ = true; break;
            case 2: in_title_ = false; break;
            case 3: script_ = true; break;
            default: break;
            }
        }
        ++i;
    }
    for (size_t k = upto; k > from; --k) {
        if (p[k - 1] == '<' || p[k - 1] == '>') {
            in_tag_ = p[k - 1] == '<';
            break;
        }
    }
}

namespace {

// Copies the ASCII bytes from p[i] on (of n) as they are; false when p[i]
// is not one.
inline bool copy_ascii(const unsigned char* p, size_t n, size_t& i, unsigned char*& o)
{
    size_t run = bytescan::ascii_prefix(p + i, n - i);
    if (!run) return false;
    std::memcpy(o, p + i, run);
    o += run;
    i += run;
    return true;
}

}  // namespace

size_t Transcoder::decode_8bit(const unsigned char* p, size_t n, unsigned char*& o)
{
    size_t i = 0;
    while (i < n) {
        if (copy_ascii(p, n, i, o)) continue;
        unsigned char b = p[i++];
        o = emit(cs_ == CHARSET_ISO885915 ? iso885915(b) : charset_win1252(b), o, i - 1);
    }
    return n;
}

size_t Transcoder::decode_utf8(const unsigned char* p, size_t n, bool last, unsigned char*& o)
{
    size_t i = 0;
    while (i < n) {
        if (copy_ascii(p, n, i, o)) continue;
        unsigned char b = p[i];
        unsigned char lo, hi;
        int len = utf8_lead(b, &lo, &hi);
        uint32_t code = len == 2 ? (b & 0x1Fu) : len == 3 ? (b & 0x0Fu) : (b & 0x07u);
        int k = 1;
        for (; k < len; ++k) {
            if (i + static_cast<size_t>(k) >= n) {
                if (!last) return i;  // the rest of the sequence comes next
                break;
            }
            unsigned char c = p[i + static_cast<size_t>(k)];
            if (c < lo || c > hi) break;
            lo = 0x80;
            hi = 0xBF;
            code = (code << 6) | (c & 0x3Fu);
        }
        if (len && k == len) {
            o = emit(code, o, i);
            i += static_cast<size_t>(len);
        } else {  // a byte that starts no valid sequence
            o = emit(charset_win1252(b), o, i);
            ++i;
        }
    }
    return i;
}

size_t Transcoder::decode_utf16(const unsigned char* p, size_t n, bool last, unsigned char*& o)
{
    const bool le = cs_ == CHARSET_UTF16LE;
    auto unit = [p, le](size_t at) -> uint32_t { return le ? (p[at] | (p[at + 1] << 8)) : ((p[at] << 8) | p[at + 1]); };
    size_t i = 0;
    while (i + 1 < n) {
        uint32_t u = unit(i);
        if (u < 0x80) {
            unsigned char c = static_cast<unsigned char>(u);
            track(&c, 1);
            *o++ = c;
            i += 2;
            continue;
        }
        if (u >= 0xD800 && u <= 0xDBFF) {
            if (i + 3 >= n) {
                if (!last) return i;
                o = emit(0xFFFD, o, 0);  // a high surrogate at the end
                i += 2;
                continue;
            }
            uint32_t v = unit(i + 2);
            if (v >= 0xDC00 && v <= 0xDFFF) {
                o = emit(0x10000 + ((u - 0xD800) << 10) + (v - 0xDC00), o, 0);
                i += 4;
                continue;
            }
            u = 0xFFFD;  // a high surrogate alone
        } else if (u >= 0xDC00 && u <= 0xDFFF) {
            u = 0xFFFD;  // a low surrogate alone
        }
        o = emit(u, o, 0);
        i += 2;
    }
    if (i < n && last) {  // an odd byte at the end
        o = emit(0xFFFD, o, 0);
        i = n;
    }
    return i;
}

size_t Transcoder::decode(const unsigned char* p, size_t n, bool last, unsigned char* out, size_t* produced)
{
    unsigned char* o = out;
    size_t used;
    if (cs_ == CHARSET_UTF16LE || cs_ == CHARSET_UTF16BE) {
        in_ = nullptr;  // followed a character at a time
        used = decode_utf16(p, n, last, o);
    } else {
        in_ = p;
        mark_ = 0;
        if (!last) n -= cut_name(p, n);
        used = cs_ == CHARSET_UTF8 ? decode_utf8(p, n, last, o) : decode_8bit(p, n, o);
        settle(used);
        in_ = nullptr;
    }
    *produced = static_cast<size_t>(o - out);
    return used;
}

void charset_addunmapped(long long n) { g_unmapped += n; }

void charset_resetunmapped() { g_unmapped = 0; }

void charset_reportunmapped()
{
    if (g_unmapped <= 0) return;
    int n = g_unmapped > INT_MAX ? INT_MAX : static_cast<int>(g_unmapped);
    show_message("%d characters of this page have no form in the host character set.", n);
    g_unmapped = 0;
}

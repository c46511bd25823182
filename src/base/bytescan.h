// Tests on eight or sixteen bytes at a time, for the loops that look for the
// end of a run of ordinary bytes (tag names, text, tag parameters, quoted
// lines): each gives a mask of the bytes that end a run, so that a run ends
// exactly where a byte-at-a-time loop would end it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace bytescan {

constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHigh = 0x8080808080808080ull;

inline uint64_t load8(const unsigned char* p)
{
    uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

// The eight bytes of w with the letters A to Z made lower case; every other
// byte, 8-bit ones too, as it stands.
inline uint64_t lower8(uint64_t w)
{
    uint64_t low7 = w & ~kHigh;
    uint64_t from_a = low7 + kOnes * (0x80 - 'A');  // high bit: at least 'A'
    uint64_t past_z = low7 + kOnes * (0x80 - 'Z' - 1);  // high bit: beyond 'Z'
    uint64_t upper = from_a & ~past_z & ~w & kHigh;
    return w | upper >> 2;  // 0x80 >> 2 is the case bit
}

// Copies n bytes with the letters A to Z made lower case, eight at a time.
inline void lower_copy(char* dst, const char* src, size_t n)
{
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t w = lower8(load8(reinterpret_cast<const unsigned char*>(src + i)));
        std::memcpy(dst + i, &w, sizeof w);
    }
    for (; i < n; ++i) {
        char c = src[i];
        dst[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
    }
}

// Bit k set when byte k of the sixteen at p is one of `set`. All sixteen
// bytes are read: the caller's buffer must hold them.
template <size_t K>
inline unsigned match16(const unsigned char* p, const unsigned char (&set)[K])
{
#ifdef __SSE2__
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i hit = _mm_setzero_si128();
    for (size_t k = 0; k < K; ++k) hit = _mm_or_si128(hit, _mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(set[k]))));
    return static_cast<unsigned>(_mm_movemask_epi8(hit));
#else
    unsigned mask = 0;
    for (unsigned i = 0; i < 16; ++i)
        for (size_t k = 0; k < K; ++k)
            if (p[i] == set[k]) mask |= 1u << i;
    return mask;
#endif
}

// Bit k set when byte k of the sixteen at p is below n (unsigned, n at
// least 1).
inline unsigned below16(const unsigned char* p, unsigned char n)
{
#ifdef __SSE2__
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i top = _mm_set1_epi8(static_cast<char>(n - 1));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(v, top), v)));
#else
    unsigned mask = 0;
    for (unsigned i = 0; i < 16; ++i)
        if (p[i] < n) mask |= 1u << i;
    return mask;
#endif
}

// The place of the lowest bit set in a mask that is not zero: where the
// first byte of a block that ends a run is.
inline int first(uint32_t mask) { return __builtin_ctz(mask); }
// The place of the highest bit set in a mask that is not zero.
inline int last(uint32_t mask) { return 31 - __builtin_clz(mask); }

// The low n bits set (n from 0; sixteen at most).
inline unsigned low_bits(size_t n) { return n >= 16 ? 0xFFFFu : (1u << n) - 1; }

// The number of bits set in a sixteen-bit mask.
inline unsigned count16(unsigned m)
{
    m = m - ((m >> 1) & 0x5555u);
    m = (m & 0x3333u) + ((m >> 2) & 0x3333u);
    m = (m + (m >> 4)) & 0x0F0Fu;
    return (m + (m >> 8)) & 0x1Fu;
}

// The number of bytes below 128 at the start of the n bytes at p, tested
// eight at a time (only the n bytes are read).
inline size_t ascii_prefix(const unsigned char* p, size_t n)
{
    size_t i = 0;
    while (i + 32 <= n && !((load8(p + i) | load8(p + i + 8) | load8(p + i + 16) | load8(p + i + 24)) & kHigh)) i += 32;
    while (i + 8 <= n && !(load8(p + i) & kHigh)) i += 8;
    while (i < n && p[i] < 0x80) ++i;
    return i;
}

// Bit k set when byte k of the sixteen at p is `a` and byte k + 1 one of
// `next`: seventeen bytes are read.
template <size_t K>
inline unsigned pair16(const unsigned char* p, unsigned char a, const unsigned char (&next)[K])
{
    const unsigned char first[] = {a};
    return match16(p, first) & match16(p + 1, next);
}

// Copies sixteen bytes: the caller's buffers must hold them.
inline void copy16(void* dst, const void* src)
{
#ifdef __SSE2__
    _mm_storeu_si128(static_cast<__m128i*>(dst), _mm_loadu_si128(static_cast<const __m128i*>(src)));
#else
    std::memcpy(dst, src, 16);
#endif
}

// The text loops' runs: whole blocks of sixteen bytes at p (n at most)
// that hold no control byte (below 32, or 127), none of `stops` and, with
// `single_spaces`, no space after a space (the byte before p is taken not
// to be one). Returns how many bytes
// that is. *stopped says a block held a stop, at the offset returned;
// otherwise *space_last says whether the last byte taken was a space, and
// the caller goes on a byte at a time from there.
template <size_t K>
inline size_t run_blocks(const unsigned char* p, size_t n, const unsigned char (&stops)[K], bool single_spaces,
                         bool* stopped, unsigned* space_last)
{
    size_t i = 0;
    unsigned carry = 0;
    *stopped = false;
#ifdef __SSE2__
    for (; i + 16 <= n; i += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        __m128i hit = _mm_setzero_si128();
        for (size_t k = 0; k < K; ++k)
            hit = _mm_or_si128(hit, _mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(stops[k]))));
        hit = _mm_or_si128(hit, _mm_cmpeq_epi8(_mm_min_epu8(v, _mm_set1_epi8(0x1F)), v));
        hit = _mm_or_si128(hit, _mm_cmpeq_epi8(v, _mm_set1_epi8(0x7F)));
        unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hit));
        if (single_spaces) {
            unsigned spaces = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(' '))));
            mask |= spaces & ((spaces << 1) | carry);
            carry = (spaces >> 15) & 1;
        }
        if (mask) {
            *stopped = true;
            *space_last = 0;
            return i + static_cast<size_t>(__builtin_ctz(mask));
        }
    }
#else
    (void)p;
    (void)n;
    (void)stops;
    (void)single_spaces;
#endif
    *space_last = carry;
    return i;
}

// The scan of the tag readers: the place of the first byte of `stop` in
// the n bytes at p (read sixteen at a time), with the line feeds before it
// added to *lines; n when there is none, every line feed then counted.
// With `refuse_controls`, a control byte other than tab, line feed and
// carriage return before the stop makes it give kScanRefused instead, with
// nothing counted.
const size_t kScanRefused = ~static_cast<size_t>(0);
template <size_t K>
inline size_t scan_to(const unsigned char* p, size_t n, const unsigned char (&stop)[K], bool refuse_controls,
                      long long* lines)
{
    static const unsigned char kNl[] = {'\n'};
    static const unsigned char kSpaces[] = {'\t', '\n', '\r'};
    int count = 0;
    for (size_t i = 0; i < n; i += 16) {
        unsigned valid = low_bits(n - i);
        unsigned hit = match16(p + i, stop) & valid;
        unsigned nl = match16(p + i, kNl);
        unsigned before = hit ? (hit & -hit) - 1 : valid;
        if (refuse_controls && (below16(p + i, 0x20) & ~match16(p + i, kSpaces) & before)) return kScanRefused;
        if (hit) {
            *lines += count + static_cast<int>(count16(nl & before));
            return i + static_cast<size_t>(first(hit));
        }
        count += static_cast<int>(count16(nl & valid));
    }
    *lines += count;
    return n;
}

// The first place in the n bytes at `text` where the k bytes at `word`
// occur, or null: strstr for a text of n bytes without a NUL, whose byte
// text[n] may be read (its terminator). Candidates are the places where
// the word's first and last bytes both match, sixteen places at a time.
inline const char* find(const char* text, size_t n, const char* word, size_t k)
{
    if (k == 0) return text;
    if (k > n) return nullptr;
    if (k == 1) return static_cast<const char*>(std::memchr(text, word[0], n));
    const size_t last = n - k;  // the last place the word can start
#ifdef __SSE2__
    if (last >= 14) {
        // A block of places s to s + 15 reads the bytes up to s + k + 14,
        // at most text[n]: the last block is moved back to fit, and the
        // places it shares with the one before were found wanting there.
        const __m128i first = _mm_set1_epi8(word[0]);
        const __m128i final = _mm_set1_epi8(word[k - 1]);
        for (size_t s = 0;; s += 16) {
            if (s > last - 14) s = last - 14;
            __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + s));
            __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + s + k - 1));
            unsigned m = static_cast<unsigned>(
                _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, final))));
            m &= low_bits(last - s + 1);
            for (; m; m &= m - 1) {
                size_t at = s + static_cast<size_t>(__builtin_ctz(m));
                if (std::memcmp(text + at + 1, word + 1, k - 2) == 0) return text + at;
            }
            if (s == last - 14) return nullptr;
        }
    }
#endif
    for (size_t at = 0; at <= last; ++at)
        if (text[at] == word[0] && std::memcmp(text + at + 1, word + 1, k - 1) == 0) return text + at;
    return nullptr;
}

}  // namespace bytescan

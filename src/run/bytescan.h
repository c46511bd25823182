// Tests on eight bytes at a time, for the loops that look for the end of a
// run of ordinary bytes (text, tag parameters, quoted lines). Each test only
// says whether such a byte is among the eight; the caller then finds it one
// byte at a time, so a run always ends exactly where the byte loop says.
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

// Nonzero when some byte of w is below n (n from 1 to 128).
inline uint64_t any_below(uint64_t w, unsigned n) { return (w - kOnes * n) & ~w & kHigh; }

// Nonzero when some byte of w equals c.
inline uint64_t any_equal(uint64_t w, unsigned char c) { return any_below(w ^ (kOnes * c), 1); }

// The high bit of every byte of w that equals c, and nothing else.
inline uint64_t equal_mask(uint64_t w, unsigned char c)
{
    uint64_t t = w ^ (kOnes * c);
    return ~(((t & ~kHigh) + ~kHigh) | t | ~kHigh);
}

// Copies n bytes with the letters A to Z made lower case, eight at a time;
// every other byte, 8-bit ones too, is copied as it stands.
inline void lower_copy(char* dst, const char* src, size_t n)
{
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t w = load8(reinterpret_cast<const unsigned char*>(src + i));
        uint64_t low7 = w & ~kHigh;
        uint64_t from_a = low7 + kOnes * (0x80 - 'A');      // high bit: at least 'A'
        uint64_t past_z = low7 + kOnes * (0x80 - 'Z' - 1);  // high bit: beyond 'Z'
        uint64_t upper = from_a & ~past_z & ~w & kHigh;
        w |= upper >> 2;  // 0x80 >> 2 is the case bit
        std::memcpy(dst + i, &w, sizeof w);
    }
    for (; i < n; ++i) {
        char c = src[i];
        dst[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
    }
}

// How many of the n bytes at p come before the first that is a, b, c or d
// (n when none is); sixteen at a time where the processor allows.
inline size_t span_without(const unsigned char* p, size_t n, unsigned char a, unsigned char b, unsigned char c,
                           unsigned char d)
{
    size_t i = 0;
#ifdef __SSE2__
    const __m128i va = _mm_set1_epi8(static_cast<char>(a)), vb = _mm_set1_epi8(static_cast<char>(b));
    const __m128i vc = _mm_set1_epi8(static_cast<char>(c)), vd = _mm_set1_epi8(static_cast<char>(d));
    for (; i + 16 <= n; i += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb)),
                                   _mm_or_si128(_mm_cmpeq_epi8(v, vc), _mm_cmpeq_epi8(v, vd)));
        unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hit));
        if (mask) return i + static_cast<size_t>(__builtin_ctz(mask));
    }
#endif
    while (i < n && p[i] != a && p[i] != b && p[i] != c && p[i] != d) ++i;
    return i;
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
// that hold none of `stops` and, with `single_spaces`, no space after a
// space (the byte before p is taken not to be one). Returns how many bytes
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
        for (size_t k = 0; k < K; ++k) hit = _mm_or_si128(hit, _mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(stops[k]))));
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

}  // namespace bytescan

// Tests on eight bytes at a time, for the loops that look for the end of a
// run of ordinary bytes (text, tag parameters, quoted lines). Each test only
// says whether such a byte is among the eight; the caller then finds it one
// byte at a time, so a run always ends exactly where the byte loop says.
#pragma once

#include <cstdint>
#include <cstring>

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

}  // namespace bytescan

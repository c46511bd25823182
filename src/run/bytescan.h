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

}  // namespace bytescan

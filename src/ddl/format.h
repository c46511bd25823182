// Bounded formatting for the output's commands and texts: the same result
// as vsnprintf, found without the C library's general machinery for the
// few conversions the program writes in its hot paths (%s, %c, %d, %i, %u,
// %x, %X, %%, with the l and ll sizes, a 0 flag and a width). Any other
// conversion is handed to vsnprintf whole.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstring>

#include "base/messages.h"

// As vsnprintf: at most size - 1 characters and a terminator are stored
// (nothing when size is 0); the result is the length of the whole text.
int ddl_vformat(char* buf, size_t size, const char* format, va_list ap);
int ddl_format(char* buf, size_t size, const char* format, ...) QUILLET_PRINTF(3, 4);

// A path or name to be written into the output, copied as ddl_format's
// "%s" would copy it, with each control byte (below 32, or 127) as "?":
// nothing from outside can end or start a line of the output.
int ddl_cleanname(char* buf, size_t size, const char* name);

// The text `before`, the decimal value (zero-padded to `digits` digits) and
// the text `after`, stored as ddl_format stores it: the same as the format
// "<before>%0<digits>lld<after>" without a format to read, for the commands
// written for most tags. The bytes of buf after the terminator may be
// written too (never those from `size` on).
int ddl_join_bounded(char* buf, size_t size, const char* before, long long value, int digits, const char* after);

namespace ddl_detail {
// The eight decimal digits of v (below 10^8), leading zeros included.
inline void eight_digits(unsigned v, char* out)
{
    for (int i = 7; i >= 0; --i) {
        out[i] = static_cast<char>('0' + v % 10);
        v /= 10;
    }
}
// How many digits v (below 10^8) has.
inline int digit_count(unsigned v)
{
    return 1 + (v >= 10) + (v >= 100) + (v >= 1000) + (v >= 10000) + (v >= 100000) + (v >= 1000000) + (v >= 10000000);
}
}  // namespace ddl_detail

// Inline so that the texts' lengths are known where it is used: a small
// number and ample room are written by fixed-size copies.
inline int ddl_join(char* buf, size_t size, const char* before, long long value, int digits, const char* after)
{
    size_t nb = std::strlen(before), na = std::strlen(after);
    if (value < 0 || value >= 100000000 || digits < 0 || digits > 8 || nb + 8 + na >= size)
        return ddl_join_bounded(buf, size, before, value, digits, after);
    unsigned v = static_cast<unsigned>(value);
    int width = ddl_detail::digit_count(v);
    if (width < digits) width = digits;
    char text[24] = {};
    ddl_detail::eight_digits(v, text + 8);
    std::memcpy(buf, before, nb);
    std::memcpy(buf + nb, text + 16 - width, 8);  // what follows the number is written over next
    std::memcpy(buf + nb + width, after, na + 1);
    return static_cast<int>(nb + static_cast<size_t>(width) + na);
}

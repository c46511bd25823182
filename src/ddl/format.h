// Bounded formatting for the output's commands and texts: the same result
// as vsnprintf, found without the C library's general machinery for the
// few conversions the program writes in its hot paths (%s, %c, %d, %i, %u,
// %x, %X, %%, with the l and ll sizes, a 0 flag and a width). Any other
// conversion is handed to vsnprintf whole.
#pragma once

#include <cstdarg>
#include <cstddef>

#include "run/messages.h"

// As vsnprintf: at most size - 1 characters and a terminator are stored
// (nothing when size is 0); the result is the length of the whole text.
int ddl_vformat(char* buf, size_t size, const char* format, va_list ap);
int ddl_format(char* buf, size_t size, const char* format, ...) QUILLET_PRINTF(3, 4);

// The text `before`, the decimal value (zero-padded to `digits` digits) and
// the text `after`, stored as ddl_format stores it: the same as the format
// "<before>%0<digits>lld<after>" without a format to read, for the commands
// written for most tags.
int ddl_join(char* buf, size_t size, const char* before, long long value, int digits, const char* after);

// The spellings of characters that have no byte of their own in the host
// character set, ordered by code point (generated: tools/gen_hostfallback.py).
#pragma once

#include <cstdint>

struct HostSpelling {
    uint32_t code;
    const char* text;  // host bytes; empty for a character that is dropped
};

extern const HostSpelling kHostFallback[];
extern const int kHostFallbackCount;

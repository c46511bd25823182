// The text loops' fast path: the bytes that continue a run of text, taken
// from the input buffer in one call instead of one by one.
#pragma once

#include <cstddef>

#include "base/bytescan.h"
#include "base/infile.h"
#include "ddl/ddlout.h"

// Takes the bytes that follow in the input buffer as long as a
// byte-at-a-time loop would: those whose `kind` is 1 (ordinary text) and
// spaces (kind 2), with `single_spaces` only one space between two others.
// `stops` holds the bytes of kind 0 other than the control bytes, so that
// whole blocks of sixteen can be taken first. The bytes go to the
// workspace; returns how many, the last of them in *last (untouched when
// none).
template <size_t K>
inline size_t textrun_take(const unsigned char (&kind)[256], const unsigned char (&stops)[K], bool single_spaces,
                           int* last)
{
    const unsigned char* p;
    size_t avail = infile_available(&p);
    // Tested without branching on the character, which words and spaces
    // would make unpredictable.
    unsigned spacebefore = 0;
    const unsigned spacestops = single_spaces ? 1 : 0;
    bool stopped = false;
    unsigned space_last = 0;
    size_t n = bytescan::run_blocks(p, avail, stops, single_spaces, &stopped, &space_last);
    if (stopped)
        avail = n;
    else
        spacebefore = space_last;
    for (; n < avail; ++n) {
        unsigned k = kind[p[n]];
        unsigned space = k >> 1;
        if ((k == 0) | (space & spacebefore)) break;
        spacebefore = space & spacestops;
    }
    if (n) {
        ddlout_addtext(reinterpret_cast<const char*>(p), n);
        infile_skip(n);
        *last = p[n - 1];
    }
    return n;
}

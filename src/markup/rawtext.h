// The elements whose content the HTML standard's tokenizer reads as text
// up to their own end tag (for html5tags): script with its escaped states,
// the raw-text elements and the escapable ones.
#pragma once

#include <cstddef>
#include <string>
#include <cstdint>

enum RawKind {
    RAW_NONE,
    RAW_SCRIPT,  // script
    RAW_HIDDEN,  // style, iframe, noembed, noframes, noscript, title: not shown
    RAW_LITERAL,  // xmp: shown, as it stands
    RAW_TEXT  // textarea: shown, references read
};

namespace rawtext_detail {
// The names' first three letters (any case), as a bit for each of the
// 26 x 26 x 26 possible ones: every name here has three.
struct FirstBytes {
    uint8_t bits[26 * 26 * 26 / 8 + 1];
    FirstBytes();
};
extern const FirstBytes kFirst;
int kind(const char* name);
}  // namespace rawtext_detail

// The kind of the element an opening tag of this name begins.
inline int rawtext_kind(const char* name)
{
    unsigned a = (static_cast<unsigned char>(name[0]) | 0x20u) - 'a';
    if (a >= 26) return RAW_NONE;
    unsigned b = (static_cast<unsigned char>(name[1]) | 0x20u) - 'a';
    if (b >= 26) return RAW_NONE;
    unsigned c = (static_cast<unsigned char>(name[2]) | 0x20u) - 'a';
    if (c >= 26) return RAW_NONE;
    unsigned k = (a * 26 + b) * 26 + c;
    if (!(rawtext_detail::kFirst.bits[k / 8] >> (k % 8) & 1)) return RAW_NONE;
    return rawtext_detail::kind(name);
}

// Reads past the content of the element `name` just opened (of kind
// RAW_SCRIPT or any other), to its end tag, whose "<" is left to be read
// next; or to the end of the input. Line feeds are counted.
void rawtext_skip(int kind, const char* name);

// Reads the content of the raw-text element `name` just opened (a style
// sheet) to its end tag, whose "<" is left to be read next, appending it
// to *out; past `limit` bytes the rest is read past, not kept.
void rawtext_collect(const char* name, std::string* out, size_t limit);

// Just after a "<": whether the input goes on with "/" and the end tag
// of `name` (any case), ended by white space, "/" or ">". Nothing is taken.
bool rawtext_atend(const char* name);

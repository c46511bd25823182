// The states of the HTML standard's tokenizer inside a start tag, after
// its name: which bytes end the tag, begin a name or a value, and quote.
// The tag reader and the attribute reader step through them alike, so
// that both find the same attributes and the same end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

enum TagState {
    TAGSTATE_BEFORENAME,
    TAGSTATE_NAME,
    TAGSTATE_AFTERNAME,
    TAGSTATE_BEFOREVALUE,
    TAGSTATE_DOUBLE,  // in a value quoted with '"'
    TAGSTATE_SINGLE,  // in a value quoted with "'"
    TAGSTATE_UNQUOTED,
    TAGSTATE_AFTERQUOTED,
    TAGSTATE_SELFCLOSING,  // after a "/"
    TAGSTATE_END,  // the ">" that ends the tag
    TAGSTATE_COUNT
};

namespace tagstate_detail {
// Byte classes: 0 other, 1 white space, 2 '/', 3 '>', 4 '=', 5 '"', 6 "'".
struct Table {
    unsigned char cls[256];
    unsigned char next[TAGSTATE_COUNT][7];
    Table();
};
extern const Table kTable;
}  // namespace tagstate_detail

inline int tagstate_step(int state, unsigned char b)
{
    return tagstate_detail::kTable.next[state][tagstate_detail::kTable.cls[b]];
}

// The state after the n bytes at p, from `state`.
inline int tagstate_run(int state, const char* p, size_t n)
{
    for (size_t i = 0; i < n; ++i) state = tagstate_step(state, static_cast<unsigned char>(p[i]));
    return state;
}

// One attribute of a tag: its name's and value's offsets and lengths in
// the text scanned; hasvalue says whether "=" followed the name.
struct TagAttr {
    uint32_t name, namelen;
    uint32_t value, valuelen;
    bool hasvalue;
};

// Reads the n bytes at p from TAGSTATE_BEFORENAME, as tagstate_step would
// byte by byte, a run at a time. Returns the offset of the ">" that ends
// the tag, or n when it does not end there. The attributes met are added
// to `attrs` when it is not null (a value cut by the end is cut there).
size_t tagstate_scan(const unsigned char* p, size_t n, std::vector<TagAttr>* attrs);

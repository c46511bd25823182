#include "markup/tagstate.h"

#include <cstring>

#include "base/bytescan.h"

namespace tagstate_detail {

Table::Table()
{
    for (int c = 0; c < 256; ++c) cls[c] = 0;
    cls[' '] = cls['\t'] = cls['\n'] = cls['\r'] = cls['\f'] = 1;
    cls['/'] = 2;
    cls['>'] = 3;
    cls['='] = 4;
    cls['"'] = 5;
    cls['\''] = 6;
    enum { OTHER, WHITE, SLASH, GT, EQ, DQ, SQ };
    // Where a byte that begins an attribute name leads, from the states
    // that begin one (a quote or "=" there is a name's first byte).
    auto row = [this](int s, int other, int white, int slash, int gt, int eq, int dq, int sq) {
        next[s][OTHER] = static_cast<unsigned char>(other);
        next[s][WHITE] = static_cast<unsigned char>(white);
        next[s][SLASH] = static_cast<unsigned char>(slash);
        next[s][GT] = static_cast<unsigned char>(gt);
        next[s][EQ] = static_cast<unsigned char>(eq);
        next[s][DQ] = static_cast<unsigned char>(dq);
        next[s][SQ] = static_cast<unsigned char>(sq);
    };
    const int N = TAGSTATE_NAME, B = TAGSTATE_BEFORENAME, E = TAGSTATE_END, SC = TAGSTATE_SELFCLOSING;
    row(TAGSTATE_BEFORENAME, N, B, SC, E, N, N, N);
    row(TAGSTATE_NAME, N, TAGSTATE_AFTERNAME, SC, E, TAGSTATE_BEFOREVALUE, N, N);
    row(TAGSTATE_AFTERNAME, N, TAGSTATE_AFTERNAME, SC, E, TAGSTATE_BEFOREVALUE, N, N);
    const int U = TAGSTATE_UNQUOTED;
    row(TAGSTATE_BEFOREVALUE, U, TAGSTATE_BEFOREVALUE, U, E, U, TAGSTATE_DOUBLE, TAGSTATE_SINGLE);
    const int D = TAGSTATE_DOUBLE, S = TAGSTATE_SINGLE, A = TAGSTATE_AFTERQUOTED;
    row(TAGSTATE_DOUBLE, D, D, D, D, D, A, D);
    row(TAGSTATE_SINGLE, S, S, S, S, S, S, A);
    row(TAGSTATE_UNQUOTED, U, B, U, E, U, U, U);
    row(TAGSTATE_AFTERQUOTED, N, B, SC, E, N, N, N);
    row(TAGSTATE_SELFCLOSING, N, B, SC, E, N, N, N);
    row(TAGSTATE_END, E, E, E, E, E, E, E);
}

const Table kTable;

}  // namespace tagstate_detail

size_t tagstate_scan(const unsigned char* p, size_t n, std::vector<TagAttr>* attrs)
{
    // The classes of tagstate_detail::Table; BEFORENAME, SELFCLOSING and
    // AFTERQUOTED share one row, the run between attributes.
    const unsigned char* cls = tagstate_detail::kTable.cls;
    enum { OTHER, WHITE, SLASH, GT, EQ };
    auto add = [attrs](const TagAttr& a) {
        if (attrs) attrs->push_back(a);
    };
    size_t i = 0;
    for (;;) {
        while (i < n && (cls[p[i]] == WHITE || cls[p[i]] == SLASH)) ++i;
        if (i >= n) return n;
        if (p[i] == '>') return i;
        // A name: its first byte is whatever came ("=" and quotes too), then
        // up to white space, "/", ">" or "=".
        TagAttr a{static_cast<uint32_t>(i), 0, 0, 0, false};
        ++i;
        while (i < n && (cls[p[i]] == OTHER || cls[p[i]] > EQ)) ++i;
        a.namelen = static_cast<uint32_t>(i) - a.name;
        while (i < n && cls[p[i]] == WHITE) ++i;
        if (i >= n || p[i] != '=') {
            add(a);
            if (i >= n) return n;
            if (p[i] == '>') return i;
            continue;  // "/" or the next name
        }
        ++i;
        while (i < n && cls[p[i]] == WHITE) ++i;
        a.hasvalue = true;
        a.value = static_cast<uint32_t>(i);
        if (i >= n) {
            add(a);
            return n;
        }
        unsigned char c = p[i];
        if (c == '>') {
            add(a);
            return i;
        }
        if (c == '"' || c == '\'') {
            a.value = static_cast<uint32_t>(++i);
            // The closing quote, sixteen bytes at a time while they lie
            // within the n bytes, the rest by memchr.
            const unsigned char quote[] = {c};
            size_t end = i;
            for (;;) {
                if (end + 16 > n) {
                    const void* q = std::memchr(p + end, c, n - end);
                    end = q ? static_cast<size_t>(static_cast<const unsigned char*>(q) - p) : n;
                    break;
                }
                if (unsigned hit = bytescan::match16(p + end, quote)) {
                    end += static_cast<size_t>(bytescan::first(hit));
                    break;
                }
                end += 16;
            }
            a.valuelen = static_cast<uint32_t>(end - i);
            add(a);
            if (end >= n) return n;
            i = end + 1;
            continue;
        }
        while (i < n && cls[p[i]] != WHITE && p[i] != '>') ++i;
        a.valuelen = static_cast<uint32_t>(i) - a.value;
        add(a);
        if (i < n && p[i] == '>') return i;
    }
}

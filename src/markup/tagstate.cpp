#include "markup/tagstate.h"

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

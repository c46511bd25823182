#include "resources/lineread.h"

int support_readline(FILE* f, char* buf, int limit)
{
    int n = 0;
    while (n < limit) {
        int c = std::fgetc(f);
        if (c == EOF) break;
        buf[n++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    buf[n] = '\0';
    return n == 0 ? -1 : n;
}

int support_readline_cut(FILE* f, char* buf, int limit)
{
    int n = support_readline(f, buf, limit);
    if (n < 0) return -1;
    buf[--n] = '\0';
    return n;
}

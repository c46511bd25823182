// References as the HTML standard reads them: the names it reads without
// their ';'.
#include <cstring>

#include "resources/html5names.h"

size_t html5_legacy(const char* p, size_t n)
{
    // The names are of 2 to 6 letters.
    for (size_t len = n < 6 ? n : 6; len >= 2; --len) {
        int lo = 0, hi = kHtml5LegacyCount - 1;
        while (lo <= hi) {
            int mid = (lo + hi) / 2;
            const char* name = kHtml5Legacy[mid];
            int c = std::strncmp(name, p, len);
            if (c == 0 && name[len] == '\0') return len;
            if (c < 0)
                lo = mid + 1;
            else
                hi = mid - 1;
        }
    }
    return 0;
}

size_t entity_reference(const char* p, size_t n, bool in_attribute, uint32_t* first, uint32_t* second)
{
    size_t run = 0;
    while (run < n && run < 32 &&
           ((p[run] >= 'a' && p[run] <= 'z') || (p[run] >= 'A' && p[run] <= 'Z') || (p[run] >= '0' && p[run] <= '9')))
        ++run;
    if (run < n && p[run] == ';' && run <= 32) {
        char name[33];
        std::memcpy(name, p, run);
        name[run] = '\0';
        if (html5_findname(name, first, second)) return run + 1;
    }
    size_t len = html5_legacy(p, run);
    if (!len) return 0;
    // In an attribute's value a name that goes on is no reference.
    if (in_attribute && len < n) {
        char c = p[len];
        if (c == '=' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return 0;
    }
    char name[8];
    std::memcpy(name, p, len);
    name[len] = '\0';
    return html5_findname(name, first, second) ? len : 0;
}

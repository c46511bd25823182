#include "resources/entities.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "resources/config.h"
#include "base/lineread.h"
#include "resources/nameindex.h"
#include "resources/html5names.h"
#include "base/memtrace.h"
#include "base/messages.h"
#include "base/runstate.h"

namespace {

struct EntityRecord {
    char name[16];
    int code;
};

const int kLineLimit = 79;
const int kNameLimit = 12;

EntityRecord* g_main = nullptr;
EntityRecord* g_additional = nullptr;
EntityRecord* g_reverse = nullptr;

// The names of the two tables that are searched, exactly and folded.
NameIndex g_mainexact, g_mainfolded(true);
NameIndex g_addexact, g_addfolded(true);

void clear_indexes()
{
    g_mainexact.clear();
    g_mainfolded.clear();
    g_addexact.clear();
    g_addfolded.clear();
}

void release_tables()
{
    clear_indexes();
    EntityRecord** tables[] = {&g_main, &g_additional, &g_reverse};
    for (EntityRecord** t : tables) {
        if (*t) mem_release(*t);
        *t = nullptr;
    }
}

// A record whose code is 0 (an empty line) is never a match: the search
// goes on past it, so it is left out.
void index_table(const EntityRecord* table, NameIndex& exact, NameIndex& folded)
{
    int n = table[0].code;
    for (int k = 1; k < n; ++k) {
        if (table[k].code == 0) continue;
        exact.add(table[k].name, k);
        folded.add(table[k].name, k);
    }
}

EntityRecord* load_table(const char* leaf, const char* what, const char* tail, int claimcode)
{
    std::string path = run_supportpath(leaf);
    SupportFile f;
    if (!f.open(path)) fatal_message(41, "Couldn't open entities file \"%s\", cannot continue.", path.c_str());
    char line[kLineLimit + 1];
    int n = 1;
    while (f.readline(line, kLineLimit) >= 0) ++n;

    EntityRecord* table = static_cast<EntityRecord*>(mem_claimzero(n, sizeof(EntityRecord)));
    if (!table) fatal_message(claimcode, "Unable to allocate memory for %d %s, %s.", n, what, tail);

    f.rewind();
    int k = 1;
    int len;
    while (k < n && (len = f.readline_cut(line, kLineLimit)) >= 0) {
        if (len > 0) {
            table[k].code = static_cast<unsigned char>(line[0]);
            // Names longer than the record holds are cut to 15 characters.
            size_t m = std::strlen(line + 1);
            if (m > sizeof table[k].name - 1) m = sizeof table[k].name - 1;
            std::memcpy(table[k].name, line + 1, m);
            table[k].name[m] = '\0';
        }
        ++k;
    }
    table[0].code = n;
    return table;
}

// The code of the first record of the table with the name, or 0.
int search(const EntityRecord* table, const NameIndex& index, const char* name)
{
    if (!table) return 0;
    int k = index.find(name);
    return k ? table[k].code : 0;
}

// Digits in the given base from the start of text; stops at the first other
// character. Values that grow past any accepted code stop growing.
long read_number(const char* text, int base)
{
    long v = 0;
    for (const char* p = text; *p; ++p) {
        int d;
        if (*p >= '0' && *p <= '9')
            d = *p - '0';
        else if (base == 16 && *p >= 'a' && *p <= 'f')
            d = *p - 'a' + 10;
        else if (base == 16 && *p >= 'A' && *p <= 'F')
            d = *p - 'A' + 10;
        else
            break;
        if (v < 100000) v = v * base + d;
    }
    return v;
}

}  // namespace

void entity_load()
{
    std::atexit(release_tables);
    g_main = load_table("entities", "entities", "cannot continue", 40);
    g_additional = load_table("unierr", "ISO additional / unofficial entities", "sorry, unable to continue.", 255);
    g_reverse = load_table("revent", "export reverse-lookup table entries", "sorry, unable to continue.", 255);
    clear_indexes();
    index_table(g_main, g_mainexact, g_mainfolded);
    index_table(g_additional, g_addexact, g_addfolded);
}

int entity_find(const char* name)
{
    if (name[0] == '#') return entity_find_nocase(name);
    int c = search(g_main, g_mainexact, name);
    if (!c) c = search(g_additional, g_addexact, name);
    return c;
}

int entity_find_nocase(const char* name)
{
    if (name[0] == '#') {
        long v;
        if (name[1] == 'x' || name[1] == 'X')
            v = read_number(name + 2, 16);
        else
            v = read_number(name + 1, 10);
        if (v == 9 || (v >= 32 && v <= 126) || (v >= 128 && v <= 255)) return static_cast<int>(v);
        return 0;
    }
    int c = search(g_main, g_mainfolded, name);
    if (!c) c = search(g_additional, g_addfolded, name);
    return c;
}

bool html5_findname(const char* name, uint32_t* first, uint32_t* second)
{
    int lo = 0, hi = kHtml5NameCount - 1;
    while (lo <= hi) {
        int mid = (lo + hi) / 2;
        int c = std::strcmp(kHtml5Names[mid].name, name);
        if (c == 0) {
            *first = kHtml5Names[mid].first;
            *second = kHtml5Names[mid].second;
            return true;
        }
        if (c < 0)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    return false;
}

long entity_number(const char* name)
{
    if (name[0] != '#') return -1;
    if (name[1] == 'x' || name[1] == 'X') return read_number(name + 2, 16);
    return read_number(name + 1, 10);
}

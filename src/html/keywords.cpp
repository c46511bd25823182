#include "html/keywords.h"

#include <cstring>

// Row 0 is the empty name; the "zorbit" row ends every table.
const KeywordEntry kHtmlKeywords[] = {
    {"", 0},
    {"a", 1}, {"address", 2}, {"b", 4}, {"basefont", 3}, {"big", 5}, {"blockquote", 6},
    {"body", 7}, {"br", 13}, {"center", 19}, {"centre", 19}, {"cite", 14}, {"code", 15},
    {"dd", 23}, {"dfn", 16}, {"dir", 40}, {"div", 17}, {"dl", 21}, {"dramaton", 60},
    {"dt", 22}, {"em", 36}, {"embed", 24}, {"font", 25}, {"h1", 29}, {"h2", 30}, {"h3", 31},
    {"h4", 32}, {"h5", 33}, {"h6", 34}, {"hr", 35}, {"i", 36}, {"img", 37}, {"kbd", 38},
    {"left", 18}, {"li", 39}, {"listing", 46}, {"menu", 40}, {"meta", 41}, {"nobr", 42},
    {"ol", 43}, {"p", 44}, {"plaintext", 45}, {"pre", 46}, {"quillet", 59}, {"right", 20},
    {"s", 47}, {"samp", 48}, {"script", 49}, {"small", 50}, {"span", 51}, {"strike", 47},
    {"strong", 4}, {"sub", 52}, {"sup", 53}, {"title", 54}, {"tt", 15}, {"u", 56},
    {"ul", 55}, {"var", 57}, {"xmp", 46},
    {"zorbit", 127},
};

const KeywordEntry kUnsupportedKeywords[] = {
    {"", 0},
    {"form", 1}, {"frameset", 2}, {"iframe", 3}, {"multicol", 4}, {"nobr", 5},
    {"style", 7}, {"table", 6},
    {"zorbit", 127},
};

const KeywordEntry kDramatonKeywords[] = {
    {"", 0},
    {"act", 2}, {"actorlist", 3}, {"adbreak", 1}, {"address", 4}, {"author", 5}, {"b", 6},
    {"begin", 7}, {"br", 8}, {"chapter", 9}, {"continue", 10}, {"copyright", 11},
    {"date", 12}, {"defactor", 14}, {"defactress", 15}, {"dia", 13}, {"dir", 16},
    {"episode", 17}, {"finished", 18}, {"i", 21}, {"ind", 20}, {"loc", 22}, {"newpage", 23},
    {"omit", 24}, {"p", 25}, {"prop", 26}, {"revised", 27}, {"scene", 28},
    {"scenelist", 29}, {"sfx", 30}, {"started", 31}, {"target", 32}, {"telephone", 33},
    {"title", 34}, {"u", 35},
    {"zorbit", 127},
};

namespace {

// A table's names in a small open-addressed hash, built on first use: every
// tag is looked up, and comparing it with each row in turn was the largest
// cost of a conversion. The hash gives the scan's answer, the first row
// with the name: a later row with the same name is never entered.
const size_t kSlots = 256;            // a power of two, over twice any table
const size_t kMaxRows = kSlots / 2;
const size_t kNameBytes = sizeof(KeywordEntry::name);

struct KeywordIndex {
    const KeywordEntry* table = nullptr;
    bool usable = false;
    unsigned short slot[kSlots] = {};  // row number + 1; 0 is an empty slot
    unsigned char length[kSlots] = {};  // the length of that row's name
};

KeywordIndex g_indexes[4];

size_t hash_step(size_t h, unsigned char c) { return h * 31 + c; }

size_t name_hash(const char* name, size_t n)
{
    size_t h = 0;
    for (size_t i = 0; i < n; ++i) h = hash_step(h, static_cast<unsigned char>(name[i]));
    return h & (kSlots - 1);
}

// The rows of a table, the sentinel excluded.
size_t row_count(const KeywordEntry* table)
{
    size_t n = 0;
    while (table[n].token != 127) ++n;
    return n;
}

void build(KeywordIndex& ix, const KeywordEntry* table)
{
    ix.table = table;
    size_t rows = row_count(table);
    ix.usable = rows <= kMaxRows;
    if (!ix.usable) return;
    for (size_t r = 0; r < rows; ++r) {
        const char* name = table[r].name;
        size_t n = 0;
        while (n < kNameBytes && name[n]) ++n;
        if (n == kNameBytes) continue;  // no looked-up name can equal a row without a terminator
        size_t h = name_hash(name, n);
        bool present = false;
        while (ix.slot[h]) {
            if (std::strcmp(table[ix.slot[h] - 1].name, name) == 0) {
                present = true;
                break;
            }
            h = (h + 1) & (kSlots - 1);
        }
        if (!present) {
            ix.slot[h] = static_cast<unsigned short>(r + 1);
            ix.length[h] = static_cast<unsigned char>(n);
        }
    }
}

// The index of a table, or null when it cannot have one (the scan is used).
const KeywordIndex* index_of(const KeywordEntry* table)
{
    for (KeywordIndex& ix : g_indexes) {
        if (ix.table == table) return ix.usable ? &ix : nullptr;
        if (!ix.table) {
            build(ix, table);
            return ix.usable ? &ix : nullptr;
        }
    }
    return nullptr;
}

}  // namespace

int keyword_lookup(const KeywordEntry* table, const char* name)
{
    // The name lower-cased; one longer than any row can hold matches none.
    char copy[kNameBytes];
    size_t n = 0;
    size_t h = 0;
    for (; name[n]; ++n) {
        if (n == kNameBytes - 1) return 0;
        char c = name[n];
        copy[n] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
        h = hash_step(h, static_cast<unsigned char>(copy[n]));
    }
    copy[n] = '\0';
    if (const KeywordIndex* ix = index_of(table)) {
        for (h &= kSlots - 1; ix->slot[h]; h = (h + 1) & (kSlots - 1)) {
            const KeywordEntry& row = table[ix->slot[h] - 1];
            if (ix->length[h] != n) continue;
            size_t i = 0;  // names are short: compared here rather than by a call
            while (i < n && row.name[i] == copy[i]) ++i;
            if (i == n) return row.token;
        }
        return 0;
    }
    for (const KeywordEntry* row = table; row->token != 127; ++row)
        if (std::strncmp(copy, row->name, sizeof row->name) == 0) return row->token;
    return 0;
}

void keyword_filter(const KeywordEntry* table, const int* tokens, KeywordFilter* filter)
{
    std::memset(filter, 0, sizeof *filter);
    for (const KeywordEntry* row = table; row->token != 127; ++row) {
        bool listed = false;
        for (const int* t = tokens; *t; ++t) listed = listed || row->token == *t;
        static_assert(kNameBytes <= 16, "a name's length is a bit of the filter");
        size_t n = strnlen(row->name, kNameBytes);
        if (!listed || n == 0 || n == kNameBytes) continue;
        unsigned char c = static_cast<unsigned char>(row->name[0]);
        filter->first[c] |= static_cast<unsigned short>(1u << n);
        if (c >= 'a' && c <= 'z') filter->first[c - 32] |= static_cast<unsigned short>(1u << n);
    }
}

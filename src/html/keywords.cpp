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

int keyword_lookup(const KeywordEntry* table, const char* name)
{
    char copy[64];
    size_t n = 0;
    for (; name[n] && n < sizeof copy - 1; ++n) {
        char c = name[n];
        copy[n] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    }
    if (name[n]) return 0;  // longer than any row: no match
    copy[n] = '\0';
    for (const KeywordEntry* row = table; row->token != 127; ++row)
        if (std::strncmp(copy, row->name, sizeof row->name) == 0 && n < sizeof row->name)
            return row->token;
    return 0;
}

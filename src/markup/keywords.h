// Fixed-width keyword tables and their look-up. The HTML tables belong to
// the converter (html/tags.h), which hands the one in force down here; the
// Dramaton commands' table is here.
#pragma once

#include <cstddef>

struct KeywordEntry {
    char name[11];
    unsigned char token;
};

// The token of the "zorbit" row that ends every table; no name finds it.
const unsigned char kKeywordEnd = 127;

// The most rows a table may have (the sentinel included): its index has
// twice as many slots. At most four tables are ever looked up.
const unsigned kKeywordMaxRows = 128;

extern const KeywordEntry kDramatonKeywords[];

// The HTML table in force, for the tag reader and the translate scripts;
// set by the converter once the configuration is read (null before).
void keyword_sethtml(const KeywordEntry* table);
// (Read for every tag: kept where the readers' code can load it directly.)
extern const KeywordEntry* g_keywordhtml;
inline const KeywordEntry* keyword_html() { return g_keywordhtml; }

// Token of the row whose name equals the lower-cased name, or 0.
int keyword_lookup(const KeywordEntry* table, const char* name);
// The same for the name of n bytes at name16, which holds at least sixteen
// bytes (those from n on are not looked at).
int keyword_lookupn(const KeywordEntry* table, const char* name16, size_t n);

// A quick test that a name cannot be one of a few keywords, for readers that
// look for those only: bit n of first[c] is set when a row of the table with
// one of the tokens has a name of n characters beginning with c (in either
// case).
struct KeywordFilter {
    unsigned short first[256];
};
// Fills the filter for the rows whose token is in `tokens` (ended by 0).
void keyword_filter(const KeywordEntry* table, const int* tokens, KeywordFilter* filter);
// Widens a filter to the names that end in "/" (one longer than a row's).
inline void keyword_filterslash(KeywordFilter* filter)
{
    for (unsigned short& bits : filter->first) bits = static_cast<unsigned short>(bits | bits << 1);
}
inline bool keyword_mayname(const KeywordFilter& filter, const char* name, int n)
{
    return n > 0 && n < 16 && ((filter.first[static_cast<unsigned char>(name[0])] >> n) & 1);
}

// The token of a closing tag is its name's token plus TOK_CLOSING; the tag
// readers return TOK_NOTHING when a "<" began no tag.
const int TOK_CLOSING = 128;
const int TOK_NOTHING = 255;

// Dramaton command tokens.
enum DramatonToken {
    DRM_ADBREAK = 1,
    DRM_ACT = 2,
    DRM_ACTORLIST = 3,
    DRM_ADDRESS = 4,
    DRM_AUTHOR = 5,
    DRM_B = 6,
    DRM_BEGIN = 7,
    DRM_BR = 8,
    DRM_CHAPTER = 9,
    DRM_CONTINUE = 10,
    DRM_COPYRIGHT = 11,
    DRM_DATE = 12,
    DRM_DIA = 13,
    DRM_DEFACTOR = 14,
    DRM_DEFACTRESS = 15,
    DRM_DIR = 16,
    DRM_EPISODE = 17,
    DRM_FINISHED = 18,
    DRM_IND = 20,
    DRM_I = 21,
    DRM_LOC = 22,
    DRM_NEWPAGE = 23,
    DRM_OMIT = 24,
    DRM_P = 25,
    DRM_PROP = 26,
    DRM_REVISED = 27,
    DRM_SCENE = 28,
    DRM_SCENELIST = 29,
    DRM_SFX = 30,
    DRM_STARTED = 31,
    DRM_TARGET = 32,
    DRM_TELEPHONE = 33,
    DRM_TITLE = 34,
    DRM_U = 35
};

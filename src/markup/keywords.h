// Fixed-width keyword tables: HTML tags, unsupported layout tags and the
// Dramaton commands.
#pragma once

#include <cstddef>

struct KeywordEntry {
    char name[11];
    unsigned char token;
};

// The token of the "zorbit" row that ends every table; no name finds it.
const unsigned char kKeywordEnd = 127;

extern const KeywordEntry kHtmlKeywords[];
extern const KeywordEntry kUnsupportedKeywords[];
extern const KeywordEntry kDramatonKeywords[];

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
inline bool keyword_mayname(const KeywordFilter& filter, const char* name, int n)
{
    return n > 0 && n < 16 && ((filter.first[static_cast<unsigned char>(name[0])] >> n) & 1);
}

// HTML tokens.
enum HtmlToken {
    TOK_A = 1,
    TOK_ADDRESS = 2,
    TOK_BASEFONT = 3,
    TOK_B = 4,
    TOK_BIG = 5,
    TOK_BLOCKQUOTE = 6,
    TOK_BODY = 7,
    TOK_BR = 13,
    TOK_CITE = 14,
    TOK_TT = 15,
    TOK_DFN = 16,
    TOK_DIV = 17,
    TOK_LEFT = 18,
    TOK_CENTER = 19,
    TOK_RIGHT = 20,
    TOK_DL = 21,
    TOK_DT = 22,
    TOK_DD = 23,
    TOK_EMBED = 24,
    TOK_FONT = 25,
    TOK_H1 = 29,
    TOK_H2 = 30,
    TOK_H3 = 31,
    TOK_H4 = 32,
    TOK_H5 = 33,
    TOK_H6 = 34,
    TOK_HR = 35,
    TOK_I = 36,
    TOK_IMG = 37,
    TOK_KBD = 38,
    TOK_LI = 39,
    TOK_DIR = 40,
    TOK_META = 41,
    TOK_NOBR = 42,
    TOK_OL = 43,
    TOK_P = 44,
    TOK_PLAINTEXT = 45,
    TOK_PRE = 46,
    TOK_S = 47,
    TOK_SAMP = 48,
    TOK_SCRIPT = 49,
    TOK_SMALL = 50,
    TOK_SPAN = 51,
    TOK_SUB = 52,
    TOK_SUP = 53,
    TOK_TITLE = 54,
    TOK_UL = 55,
    TOK_U = 56,
    TOK_VAR = 57,
    TOK_QUILLET = 59,
    TOK_DRAMATON = 60,
    TOK_CLOSING = 128,
    TOK_NOTHING = 255
};

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

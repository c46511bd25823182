#include "html/tags.h"

#include "resources/config.h"

namespace {

// One keyword row, or none, for a tag of each kind in each table.
#define QUILLET_ROW_ALWAYS(name, token) {name, token},
#define QUILLET_ROW_NEVER(name, token)
#define QUILLET_DESIGN_DESIGN QUILLET_ROW_ALWAYS
#define QUILLET_DESIGN_HTML5 QUILLET_ROW_NEVER
#define QUILLET_ALL_DESIGN QUILLET_ROW_ALWAYS
#define QUILLET_ALL_HTML5 QUILLET_ROW_ALWAYS

}  // namespace

const KeywordEntry kHtmlKeywords[] = {
    {"", 0},
#define QUILLET_TAG_ROW(name, id, token, open, close, known) QUILLET_DESIGN_##known(name, token)
#define QUILLET_ALIAS_ROW(name, id, known) QUILLET_DESIGN_##known(name, TOK_##id)
    QUILLET_HTML_TAGS(QUILLET_TAG_ROW, QUILLET_ALIAS_ROW)
#undef QUILLET_TAG_ROW
#undef QUILLET_ALIAS_ROW
        {"zorbit", kKeywordEnd},
};

const KeywordEntry kHtml5Keywords[] = {
    {"", 0},
#define QUILLET_TAG_ROW(name, id, token, open, close, known) QUILLET_ALL_##known(name, token)
#define QUILLET_ALIAS_ROW(name, id, known) QUILLET_ALL_##known(name, TOK_##id)
    QUILLET_HTML_TAGS(QUILLET_TAG_ROW, QUILLET_ALIAS_ROW)
#undef QUILLET_TAG_ROW
#undef QUILLET_ALIAS_ROW
        {"zorbit", kKeywordEnd},
};

const KeywordEntry kUnsupportedKeywords[] = {
    {"", 0},     {"form", 1},  {"frameset", 2}, {"iframe", 3},           {"multicol", 4},
    {"nobr", 5}, {"style", 7}, {"table", 6},    {"zorbit", kKeywordEnd},
};

// Every table fits the look-up's index, and no token reaches the closing
// offset or the sentinel.
static_assert(sizeof kHtmlKeywords / sizeof kHtmlKeywords[0] <= kKeywordMaxRows, "the HTML table fits its index");
static_assert(sizeof kHtml5Keywords / sizeof kHtml5Keywords[0] <= kKeywordMaxRows, "the HTML table fits its index");
static_assert(sizeof kUnsupportedKeywords / sizeof kUnsupportedKeywords[0] <= kKeywordMaxRows,
              "the table fits its index");
#define QUILLET_TAG_CHECK(name, id, token, open, close, known) \
    static_assert(token > 0 && token < kKeywordEnd, "a tag's token is below the sentinel");
#define QUILLET_ALIAS_CHECK(name, id, known)
QUILLET_HTML_TAGS(QUILLET_TAG_CHECK, QUILLET_ALIAS_CHECK)
#undef QUILLET_TAG_CHECK
#undef QUILLET_ALIAS_CHECK

void tags_install()
{
    const KeywordEntry* table = settings.html5tags ? kHtml5Keywords : kHtmlKeywords;
    keyword_sethtml(table);
}

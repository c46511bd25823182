// The HTML tags the converter knows: one row each in QUILLET_HTML_TAGS.
// A row gives the tag's name, its token (shown by includeprocessed and seen
// by translate scripts, so a token never changes), the handler group its
// opening and its closing tag reach, and whether it is known only under the
// html5tags setting. An alias is another name of a tag: same token, same
// groups. Adding a tag is its row here and its case in the group's handler.
#pragma once

#include "markup/keywords.h"

// The handler groups (handlers.h); none: the tag does nothing there.
enum HandlerGroup : unsigned char {
    GROUP_NONE,
    GROUP_DRIVER,  // body, br, dramaton: the driver itself
    GROUP_LINKS,
    GROUP_EFFECTS,
    GROUP_FONTS,
    GROUP_BLOCKS,
    GROUP_SPECIAL,
    GROUP_TABLES,
};

// TAG(name, ID, token, opening group, closing group, known)
// ALIAS(name, ID, known): a second name of the tag TOK_ID
// known: DESIGN always, HTML5 only under the html5tags setting.
// Rows are looked up by a hash of the whole name; their order does not
// matter, and a name is in one row only.
#define QUILLET_HTML_TAGS(TAG, ALIAS)                         \
    TAG("a", A, 1, LINKS, LINKS, DESIGN)                      \
    TAG("address", ADDRESS, 2, EFFECTS, EFFECTS, DESIGN)      \
    TAG("basefont", BASEFONT, 3, FONTS, NONE, DESIGN)         \
    TAG("b", B, 4, EFFECTS, EFFECTS, DESIGN)                  \
    ALIAS("strong", B, DESIGN)                                \
    TAG("big", BIG, 5, FONTS, FONTS, DESIGN)                  \
    TAG("blockquote", BLOCKQUOTE, 6, BLOCKS, BLOCKS, DESIGN)  \
    TAG("body", BODY, 7, DRIVER, DRIVER, DESIGN)              \
    TAG("br", BR, 13, DRIVER, DRIVER, DESIGN)                 \
    TAG("cite", CITE, 14, EFFECTS, EFFECTS, DESIGN)           \
    TAG("tt", TT, 15, EFFECTS, EFFECTS, DESIGN)               \
    ALIAS("code", TT, DESIGN)                                 \
    TAG("dfn", DFN, 16, EFFECTS, EFFECTS, DESIGN)             \
    TAG("div", DIV, 17, BLOCKS, BLOCKS, DESIGN)               \
    TAG("left", LEFT, 18, BLOCKS, BLOCKS, DESIGN)             \
    TAG("center", CENTER, 19, BLOCKS, BLOCKS, DESIGN)         \
    ALIAS("centre", CENTER, DESIGN)                           \
    TAG("right", RIGHT, 20, BLOCKS, BLOCKS, DESIGN)           \
    TAG("dl", DL, 21, BLOCKS, BLOCKS, DESIGN)                 \
    TAG("dt", DT, 22, BLOCKS, NONE, DESIGN)                   \
    TAG("dd", DD, 23, BLOCKS, NONE, DESIGN)                   \
    TAG("embed", EMBED, 24, SPECIAL, SPECIAL, DESIGN)         \
    TAG("font", FONT, 25, FONTS, FONTS, DESIGN)               \
    TAG("h1", H1, 29, FONTS, FONTS, DESIGN)                   \
    TAG("h2", H2, 30, FONTS, FONTS, DESIGN)                   \
    TAG("h3", H3, 31, FONTS, FONTS, DESIGN)                   \
    TAG("h4", H4, 32, FONTS, FONTS, DESIGN)                   \
    TAG("h5", H5, 33, FONTS, FONTS, DESIGN)                   \
    TAG("h6", H6, 34, FONTS, FONTS, DESIGN)                   \
    TAG("hr", HR, 35, BLOCKS, NONE, DESIGN)                   \
    TAG("i", I, 36, EFFECTS, EFFECTS, DESIGN)                 \
    ALIAS("em", I, DESIGN)                                    \
    TAG("img", IMG, 37, SPECIAL, NONE, DESIGN)                \
    TAG("kbd", KBD, 38, EFFECTS, EFFECTS, DESIGN)             \
    TAG("li", LI, 39, BLOCKS, NONE, DESIGN)                   \
    TAG("dir", DIR, 40, BLOCKS, BLOCKS, DESIGN)               \
    ALIAS("menu", DIR, DESIGN)                                \
    TAG("meta", META, 41, NONE, NONE, DESIGN)                 \
    TAG("nobr", NOBR, 42, NONE, NONE, DESIGN)                 \
    TAG("ol", OL, 43, BLOCKS, BLOCKS, DESIGN)                 \
    TAG("p", P, 44, BLOCKS, BLOCKS, DESIGN)                   \
    TAG("plaintext", PLAINTEXT, 45, SPECIAL, SPECIAL, DESIGN) \
    TAG("pre", PRE, 46, SPECIAL, SPECIAL, DESIGN)             \
    ALIAS("listing", PRE, DESIGN)                             \
    ALIAS("xmp", PRE, DESIGN)                                 \
    TAG("s", S, 47, EFFECTS, EFFECTS, DESIGN)                 \
    ALIAS("strike", S, DESIGN)                                \
    TAG("samp", SAMP, 48, EFFECTS, EFFECTS, DESIGN)           \
    TAG("script", SCRIPT, 49, SPECIAL, SPECIAL, DESIGN)       \
    TAG("small", SMALL, 50, FONTS, FONTS, DESIGN)             \
    TAG("span", SPAN, 51, NONE, EFFECTS, DESIGN)              \
    TAG("sub", SUB, 52, EFFECTS, EFFECTS, DESIGN)             \
    TAG("sup", SUP, 53, EFFECTS, EFFECTS, DESIGN)             \
    TAG("title", TITLE, 54, NONE, NONE, DESIGN)               \
    TAG("ul", UL, 55, BLOCKS, BLOCKS, DESIGN)                 \
    TAG("u", U, 56, EFFECTS, EFFECTS, DESIGN)                 \
    TAG("var", VAR, 57, EFFECTS, EFFECTS, DESIGN)             \
    TAG("quillet", QUILLET, 59, SPECIAL, NONE, DESIGN)        \
    TAG("dramaton", DRAMATON, 60, DRIVER, NONE, DESIGN)       \
    TAG("section", SECTION, 61, BLOCKS, BLOCKS, HTML5)        \
    TAG("article", ARTICLE, 62, BLOCKS, BLOCKS, HTML5)        \
    TAG("header", HEADER, 63, BLOCKS, BLOCKS, HTML5)          \
    TAG("footer", FOOTER, 64, BLOCKS, BLOCKS, HTML5)          \
    TAG("nav", NAV, 65, BLOCKS, BLOCKS, HTML5)                \
    TAG("main", MAIN, 66, BLOCKS, BLOCKS, HTML5)              \
    TAG("aside", ASIDE, 67, BLOCKS, BLOCKS, HTML5)            \
    TAG("figure", FIGURE, 68, BLOCKS, BLOCKS, HTML5)          \
    TAG("figcaption", FIGCAPTION, 69, BLOCKS, BLOCKS, HTML5)  \
    TAG("details", DETAILS, 70, BLOCKS, BLOCKS, HTML5)        \
    TAG("summary", SUMMARY, 71, BLOCKS, BLOCKS, HTML5)        \
    TAG("hgroup", HGROUP, 72, BLOCKS, BLOCKS, HTML5)          \
    TAG("dialog", DIALOG, 73, BLOCKS, BLOCKS, HTML5)          \
    TAG("ins", INS, 74, EFFECTS, EFFECTS, HTML5)              \
    TAG("del", DEL, 75, EFFECTS, EFFECTS, HTML5)              \
    TAG("q", Q, 76, EFFECTS, EFFECTS, HTML5)                  \
    TAG("mark", MARK, 77, EFFECTS, EFFECTS, HTML5)            \
    TAG("abbr", ABBR, 78, NONE, NONE, HTML5)                  \
    TAG("time", TIME, 79, NONE, NONE, HTML5)                  \
    TAG("data", DATA, 80, NONE, NONE, HTML5)                  \
    TAG("bdi", BDI, 81, NONE, NONE, HTML5)                    \
    TAG("bdo", BDO, 82, NONE, NONE, HTML5)                    \
    TAG("wbr", WBR, 83, NONE, NONE, HTML5)                    \
    TAG("picture", PICTURE, 84, NONE, NONE, HTML5)            \
    TAG("source", SOURCE, 85, NONE, NONE, HTML5)              \
    TAG("track", TRACK, 86, NONE, NONE, HTML5)                \
    TAG("table", TABLE, 87, TABLES, TABLES, HTML5)            \
    TAG("tr", TR, 88, TABLES, TABLES, HTML5)                  \
    TAG("td", TD, 89, TABLES, TABLES, HTML5)                  \
    TAG("th", TH, 90, TABLES, TABLES, HTML5)                  \
    TAG("caption", CAPTION, 91, TABLES, TABLES, HTML5)        \
    TAG("thead", THEAD, 92, NONE, NONE, HTML5)                \
    TAG("tbody", TBODY, 93, NONE, NONE, HTML5)                \
    TAG("tfoot", TFOOT, 94, NONE, NONE, HTML5)                \
    TAG("style", STYLE, 95, SPECIAL, SPECIAL, HTML5)          \
    TAG("template", TEMPLATE, 96, SPECIAL, SPECIAL, HTML5)    \
    TAG("svg", SVG, 97, SPECIAL, SPECIAL, HTML5)              \
    TAG("noscript", NOSCRIPT, 98, NONE, NONE, HTML5)

// HTML tokens: TOK_ID for each TAG row.
enum HtmlToken {
#define QUILLET_TAG_TOKEN(name, id, token, open, close, known) TOK_##id = token,
#define QUILLET_ALIAS_TOKEN(name, id, known)
    QUILLET_HTML_TAGS(QUILLET_TAG_TOKEN, QUILLET_ALIAS_TOKEN)
#undef QUILLET_TAG_TOKEN
#undef QUILLET_ALIAS_TOKEN
};

// The keyword tables built from the rows: the design's tags, and every tag
// (the html5tags setting). Row 0 is the empty name with token 0; the
// "zorbit" row ends each.
extern const KeywordEntry kHtmlKeywords[];
extern const KeywordEntry kHtml5Keywords[];
// Layout tags the converter does not support, for the warning.
extern const KeywordEntry kUnsupportedKeywords[];

// Hands the table the settings choose (html5tags) down to the tag reader
// and the translate scripts; called once the configuration is read.
void tags_install();

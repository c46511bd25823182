// Keyword look-up in the tables.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "html/tags.h"

TEST(Keywords, HtmlNamesAreFoundWhateverTheirCase)
{
    EXPECT_EQ(keyword_lookup(kHtmlKeywords, "b"), TOK_B);
    EXPECT_EQ(keyword_lookup(kHtmlKeywords, "B"), TOK_B);
    EXPECT_EQ(keyword_lookup(kHtmlKeywords, "STRONG"), TOK_B);
    EXPECT_EQ(keyword_lookup(kHtmlKeywords, "Blockquote"), TOK_BLOCKQUOTE);
    EXPECT_EQ(keyword_lookup(kHtmlKeywords, "xmp"), TOK_PRE);
    EXPECT_EQ(keyword_lookup(kHtmlKeywords, "centre"), TOK_CENTER);
    EXPECT_EQ(keyword_lookup(kHtmlKeywords, "dramaton"), TOK_DRAMATON);
    EXPECT_EQ(keyword_lookup(kHtmlKeywords, "quillet"), TOK_QUILLET);
}

TEST(Keywords, UnknownNamesGiveZero)
{
    EXPECT_EQ(keyword_lookup(kHtmlKeywords, "br/"), 0);
    EXPECT_EQ(keyword_lookup(kHtmlKeywords, "table"), 0);
    EXPECT_EQ(keyword_lookup(kHtmlKeywords, ""), 0);
    // The sentinel ends the table and is never compared.
    EXPECT_EQ(keyword_lookup(kHtmlKeywords, "zorbit"), 0);
    EXPECT_EQ(keyword_lookup(kHtmlKeywords, "blockquotes"), 0);
    EXPECT_EQ(keyword_lookup(kHtmlKeywords, "a-very-long-name-that-fits-no-row-at-all-anywhere-in-the-table"), 0);
}

// The html5tags table holds the design's rows and today's tags; the
// design's table none of the latter.
TEST(Keywords, TheHtml5TableAddsTodaysTags)
{
    for (const KeywordEntry* row = kHtmlKeywords; row->token != kKeywordEnd; ++row)
        EXPECT_EQ(keyword_lookup(kHtml5Keywords, row->name), row->token) << row->name;
    EXPECT_EQ(keyword_lookup(kHtml5Keywords, "FigCaption"), TOK_FIGCAPTION);
    EXPECT_EQ(keyword_lookup(kHtml5Keywords, "table"), TOK_TABLE);
    EXPECT_EQ(keyword_lookup(kHtml5Keywords, "br/"), 0);  // the tag reader drops the slash
    for (const char* name : {"section", "figcaption", "q", "table", "th", "style", "svg", "noscript", "wbr"})
        EXPECT_EQ(keyword_lookup(kHtmlKeywords, name), 0) << name;
}

TEST(Keywords, OtherTables)
{
    EXPECT_EQ(keyword_lookup(kUnsupportedKeywords, "TABLE"), 6);
    EXPECT_EQ(keyword_lookup(kUnsupportedKeywords, "style"), 7);
    EXPECT_EQ(keyword_lookup(kUnsupportedKeywords, "b"), 0);
    EXPECT_EQ(keyword_lookup(kDramatonKeywords, "defactress"), DRM_DEFACTRESS);
    EXPECT_EQ(keyword_lookup(kDramatonKeywords, "u"), DRM_U);
    EXPECT_EQ(keyword_lookup(kDramatonKeywords, "adbreak"), DRM_ADBREAK);
}

// The hashed look-up gives what a scan of the table from its first row
// gives, for every row's name in several spellings and near misses.
TEST(Keywords, LookupAgreesWithAScanOfTheTable)
{
    auto scan = [](const KeywordEntry* table, const std::string& name) {
        if (name.size() >= sizeof table->name) return 0;
        std::string low = name;
        for (char& c : low) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
        for (const KeywordEntry* row = table; row->token != kKeywordEnd; ++row)
            if (std::strncmp(low.c_str(), row->name, sizeof row->name) == 0) return static_cast<int>(row->token);
        return 0;
    };
    const KeywordEntry* tables[] = {kHtmlKeywords, kHtml5Keywords, kUnsupportedKeywords, kDramatonKeywords};
    int checked = 0;
    for (const KeywordEntry* table : tables) {
        for (const KeywordEntry* row = table; row->token != kKeywordEnd; ++row) {
            std::string name(row->name, strnlen(row->name, sizeof row->name));
            std::string upper = name;
            for (char& c : upper) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
            const std::string tries[] = {name,
                                         upper,
                                         name + "s",
                                         name.empty() ? "x" : name.substr(1),
                                         name.empty() ? "" : name.substr(0, name.size() - 1),
                                         "[" + name,
                                         name + "@",
                                         name + "\xC1"};
            for (const std::string& t : tries) {
                // Sixteen readable bytes after the name, as the tag reader gives it.
                char buf[32] = {};
                std::memcpy(buf, t.data(), t.size() < 16 ? t.size() : 16);
                std::memset(buf + (t.size() < 16 ? t.size() : 16), 'Z', 8);
                int want = scan(table, t);
                EXPECT_EQ(keyword_lookup(table, t.c_str()), want) << t;
                if (t.size() < 16) {
                    EXPECT_EQ(keyword_lookupn(table, buf, t.size()), want) << t;
                }
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 1100);
    EXPECT_EQ(keyword_lookup(kHtmlKeywords, "STRONG"), TOK_B);
}

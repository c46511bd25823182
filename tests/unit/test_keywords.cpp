// Keyword look-up in the three tables.
#include <gtest/gtest.h>

#include "html/keywords.h"

TEST(Keywords, HtmlNamesAreFoundWhateverTheirCase)
{
    EXPECT_EQ(keyword_lookup(kHtmlKeywords, "b"), 4);
    EXPECT_EQ(keyword_lookup(kHtmlKeywords, "B"), 4);
    EXPECT_EQ(keyword_lookup(kHtmlKeywords, "STRONG"), 4);
    EXPECT_EQ(keyword_lookup(kHtmlKeywords, "Blockquote"), 6);
    EXPECT_EQ(keyword_lookup(kHtmlKeywords, "xmp"), 46);
    EXPECT_EQ(keyword_lookup(kHtmlKeywords, "centre"), 19);
    EXPECT_EQ(keyword_lookup(kHtmlKeywords, "dramaton"), 60);
    EXPECT_EQ(keyword_lookup(kHtmlKeywords, "quillet"), 59);
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

TEST(Keywords, OtherTables)
{
    EXPECT_EQ(keyword_lookup(kUnsupportedKeywords, "TABLE"), 6);
    EXPECT_EQ(keyword_lookup(kUnsupportedKeywords, "style"), 7);
    EXPECT_EQ(keyword_lookup(kUnsupportedKeywords, "b"), 0);
    EXPECT_EQ(keyword_lookup(kDramatonKeywords, "defactress"), 15);
    EXPECT_EQ(keyword_lookup(kDramatonKeywords, "u"), 35);
    EXPECT_EQ(keyword_lookup(kDramatonKeywords, "adbreak"), 1);
}

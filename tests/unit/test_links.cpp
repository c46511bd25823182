// Link colour choice against the standard colour table alone (no user
// colours): black 1, VduGreen 12, VduBlue 13; there is no dark green.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "html/links.h"
#include "html/style.h"
#include "markup/tagreader.h"
#include "resources/colour.h"
#include "resources/config.h"

namespace {

class LinkColourTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        config_defaults();
        settings.disabledoccols = 1;  // no colours file needed
        static bool loaded = false;
        if (!loaded) {
            colour_load();
            loaded = true;
        }
        style_initstate();
    }
    int choose(const char* params)
    {
        std::snprintf(g_tag.params, sizeof g_tag.params, "%s", params);
        g_tag.paramlen = static_cast<int>(std::strlen(g_tag.params));
        return link_choosecolour();
    }
};

TEST_F(LinkColourTest, WebLinksAreBlueOrTheBodyLinkColour)
{
    EXPECT_EQ(choose(" href=\"http://example.org/\">"), 13);
    EXPECT_EQ(choose(" HREF=index.html>"), 13);
    g_style.link_colour = 17;
    EXPECT_EQ(choose(" href=\"http://example.org/\">"), 17);
}

TEST_F(LinkColourTest, AnchorsWithoutHrefAreNoLinks)
{
    EXPECT_EQ(choose(" name=\"top\">"), kLinkNone);
    EXPECT_EQ(choose(">"), kLinkNone);
    EXPECT_EQ(choose(""), kLinkNone);
    // Without blue highlighting every anchor is a link, in black.
    settings.highlightinblue = 0;
    EXPECT_EQ(choose(" name=\"top\">"), 1);
    EXPECT_EQ(choose(" href=\"mailto:a@b\">"), 1);
}

TEST_F(LinkColourTest, OtherSchemesAreGreen)
{
    // No dark green in the table, so plain green.
    EXPECT_EQ(choose(" href=\"mailto:someone@example.org\">"), 12);
    EXPECT_EQ(choose(" href=\"NEWS:comp.lang.c\">"), 12);
    EXPECT_EQ(choose(" href=\"gopher://x\">"), 12);
    // A scheme word anywhere in the tag counts.
    EXPECT_EQ(choose(" href=\"page.html\" title=\"see file: notes\">"), 12);
    g_style.vlink_colour = 18;
    EXPECT_EQ(choose(" href=\"telnet:host\">"), 18);
    EXPECT_EQ(choose(" href=\"http://x/\">"), 13);
    settings.nonurlsingreen = 0;
    EXPECT_EQ(choose(" href=\"telnet:host\">"), 13);
}

}  // namespace

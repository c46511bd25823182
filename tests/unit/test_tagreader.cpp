// The tag reader on its own: names, parameters, closing and complete
// flags, comments, the line counter.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "ddl/ddlout.h"
#include "html/tags.h"
#include "markup/attrreader.h"
#include "markup/tagreader.h"
#include "markup/tagstate.h"
#include "html/driver.h"
#include "resources/config.h"
#include "base/infile.h"

namespace {

class TagReader : public ::testing::Test {
protected:
    std::string path_ = "/tmp/quillet-tag-" + std::to_string(::getpid());
    void SetUp() override
    {
        config_defaults();
        tags_install();
        tagreader_setprebody(1);  // no comment lines, no translation
        ddlout_reset();
    }
    void TearDown() override
    {
        settings.html5tags = 0;
        keyword_sethtml(kHtmlKeywords);
        infile_close();
        std::remove(path_.c_str());
    }
    // Opens the text as the input, read up to and including its leading "<".
    void open_tag(const std::string& text)
    {
        FILE* f = std::fopen(path_.c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
        infile_open(path_.c_str());
        g_line = 1;
        EXPECT_EQ(infile_getc(), '<');
    }
    // Opens the text and reads the tag after its leading "<".
    int tag(const std::string& text)
    {
        open_tag(text);
        return read_tag();
    }
    std::string rest()
    {
        std::string s;
        int c;
        while ((c = infile_getc()) != EOF) s += static_cast<char>(c);
        return s;
    }
};

TEST_F(TagReader, NamesAndTokens)
{
    EXPECT_EQ(tag("<B>x"), TOK_B);
    EXPECT_TRUE(g_tag.complete);
    EXPECT_STREQ(g_tag.name, "B");
    EXPECT_EQ(rest(), "x");
    EXPECT_EQ(tag("</Strong>"), TOK_CLOSING + TOK_B);
    EXPECT_TRUE(g_tag.closing);
    EXPECT_STREQ(g_tag.name, "Strong");
    EXPECT_EQ(tag("<br/>"), 0);
    EXPECT_STREQ(g_tag.name, "br/");
    EXPECT_EQ(tag("</table>"), TOK_CLOSING);
    EXPECT_EQ(tag("<table>"), 0);
    EXPECT_EQ(tag("</>"), TOK_CLOSING);
    EXPECT_STREQ(g_tag.name, "");
    EXPECT_EQ(tag("<?xml version=1?>"), 0);
}

// The empty name is row 0's: </> is a found closing tag, setting or not.
// Under html5tags a name ending in "/" is the tag it names, before the
// body too, where the first pass's filter must let <img/> through.
TEST_F(TagReader, SlashAloneAndSelfClosingNames)
{
    for (int html5 : {0, 1}) {
        settings.html5tags = html5;
        tags_install();
        EXPECT_EQ(tag("</>"), TOK_CLOSING);
        EXPECT_TRUE(g_tag.found);
        EXPECT_EQ(tag("</ x>"), TOK_CLOSING);
        EXPECT_TRUE(g_tag.found);
        EXPECT_EQ(tag("<br/>"), html5 ? TOK_BR : 0);
        EXPECT_EQ(bool(g_tag.found), bool(html5));
        EXPECT_STREQ(g_tag.name, "br/");
        EXPECT_EQ(tag("</P/ x>"), html5 ? TOK_CLOSING + TOK_P : TOK_CLOSING);
        EXPECT_EQ(tag("<section>"), html5 ? TOK_SECTION : 0);
        EXPECT_EQ(tag("<//>"), TOK_CLOSING);  // the slash alone names nothing
        EXPECT_FALSE(g_tag.found);
        KeywordFilter filter;
        const int looked_for[] = {TOK_IMG, 0};
        keyword_filter(keyword_html(), looked_for, &filter);
        if (html5) keyword_filterslash(&filter);
        for (const std::string& tail : {std::string(40, '.'), std::string()}) {
            open_tag("<img/ src=a.gif>" + tail);
            EXPECT_EQ(read_tag_before_body(filter), html5 ? TOK_IMG : 0);
            EXPECT_EQ(rest(), tail);
        }
    }
}

TEST_F(TagReader, ParametersKeepTheLeadingSpaceAndTheBracket)
{
    EXPECT_EQ(tag("<a href=x>after"), TOK_A);
    EXPECT_STREQ(g_tag.params, " href=x>");
    EXPECT_EQ(g_tag.paramlen, 8);
    EXPECT_FALSE(g_tag.complete);
    EXPECT_EQ(rest(), "after");
}

TEST_F(TagReader, TagsSplitOverLinesCountTheLines)
{
    EXPECT_EQ(tag("<font\nsize=3>"), TOK_FONT);
    EXPECT_STREQ(g_tag.params, " size=3>");
    EXPECT_EQ(g_line, 2);
    EXPECT_EQ(tag("<p\talign=left\r\n>"), 0);  // a tab is part of the name
    EXPECT_STREQ(g_tag.name, "p\talign=left");
    EXPECT_EQ(g_line, 2);
}

TEST_F(TagReader, CommentsAndDeclarations)
{
    EXPECT_EQ(tag("<!-- a\nb -> y -->"), TOK_NOTHING);
    EXPECT_EQ(g_line, 2);
    EXPECT_EQ(rest(), " y -->");
    EXPECT_EQ(tag("<!doctype html>z"), TOK_NOTHING);
    EXPECT_EQ(rest(), "z");
    EXPECT_EQ(tag("<! x>z"), TOK_NOTHING);
    EXPECT_EQ(rest(), "z");
    // Not a comment: both characters are read again.
    EXPECT_EQ(tag("<!xy>"), TOK_NOTHING);
    EXPECT_EQ(rest(), "xy>");
    // An unterminated comment runs to the end of the input.
    EXPECT_EQ(tag("<!-- never closed"), TOK_NOTHING);
    EXPECT_EQ(rest(), "");
}

TEST_F(TagReader, LongNamesAndParametersAreCut)
{
    std::string name(40, 'n');
    EXPECT_EQ(tag("<" + name + ">"), 0);
    EXPECT_EQ(std::string(g_tag.name), std::string(31, 'n'));
    EXPECT_STREQ(g_tag.params, "nnnnnnnnn>");
    std::string params(600, 'p');
    EXPECT_EQ(tag("<i " + params + ">tail"), TOK_I);
    EXPECT_EQ(g_tag.paramlen, 511);
    EXPECT_EQ(std::string(g_tag.params), " " + std::string(510, 'p'));
    EXPECT_EQ(rest(), "tail");
}

TEST_F(TagReader, EndOfInputInsideParameters)
{
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(tag("<b x"), TOK_B);
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_STREQ(g_tag.params, " x ");
    EXPECT_EQ(err, "QuilletW: Unexpected control code found in parameter of \"<b>\" (at line 1).\n");
}

// A tag whose name and its end are all in the input buffer is read from the
// buffer whole; one near the end of the input a byte at a time. Both give
// the same name, token, flags, line count and rest.
TEST_F(TagReader, NamesReadWholeOrByteByByteAgree)
{
    const std::string names[] = {
        "b>",
        "B>",
        "/b>",
        "/B x>",
        "strong\n>",
        "/Blockquote\r>",
        "p\talign=left>",
        "br/>",
        "/>",
        "//b>",
        "-x>",
        "?xml ?>",
        "9>",
        std::string("b\0x>", 4),
        std::string("/fo\0nt>", 7),
        std::string(30, 'n') + ">",
        std::string(31, 'n') + ">",
        std::string(32, 'n') + ">",
        "/" + std::string(30, 'n') + ">",
        "/" + std::string(31, 'n') + " x>",
        "quillet fontsize=9>",
        "Dramaton>",
        "blockquotes>",
        "abcdefghij>",
        "abcdefghijk>",
        "h6\n\n>",
    };
    for (const std::string& name : names) {
        struct Seen {
            int token, closing, complete, found;
            long long line;
            std::string name, params, rest;
        } seen[2];
        // Padded far past the name, then with nothing after the tag: the
        // short input is below what the buffer path needs.
        const std::string texts[2] = {"<" + name + std::string(40, '.'), "<" + name};
        for (int k = 0; k < 2; ++k) {
            int token = tag(texts[k]);
            seen[k] = Seen{token,
                           g_tag.closing,
                           g_tag.complete,
                           g_tag.found,
                           g_line,
                           std::string(g_tag.name),
                           std::string(g_tag.params),
                           rest()};
            if (k == 0) seen[k].rest.resize(seen[k].rest.size() - 40);
        }
        SCOPED_TRACE("name " + name);
        EXPECT_EQ(seen[0].token, seen[1].token);
        EXPECT_EQ(seen[0].closing, seen[1].closing);
        EXPECT_EQ(seen[0].complete, seen[1].complete);
        EXPECT_EQ(seen[0].found, seen[1].found);
        EXPECT_EQ(seen[0].line, seen[1].line);
        EXPECT_EQ(seen[0].name, seen[1].name);
    }
    // And what they agree on, worked out by hand for a few.
    EXPECT_EQ(tag("</B x>" + std::string(40, '.')), TOK_B + TOK_CLOSING);
    EXPECT_STREQ(g_tag.params, " x>");
    EXPECT_EQ(tag(std::string("<b\0x>", 5) + std::string(40, '.')), TOK_B);  // the NUL ends the name looked up
    EXPECT_EQ(tag("<abcdefghijk>" + std::string(40, '.')), 0);
    EXPECT_EQ(tag("<" + std::string(32, 'n') + ">" + std::string(40, '.')), 0);
    EXPECT_EQ(std::string(g_tag.name), std::string(31, 'n'));
    EXPECT_EQ(tag("<h6\n\n>" + std::string(40, '.')), TOK_H6);
    EXPECT_EQ(g_line, 3);
}

// Before the body, a tag whose name the filter rules out is read past at
// once when it can be: the tokens, lines, messages and the input left must
// be those of the byte-by-byte reading, which a pushed-back byte forces.
TEST_F(TagReader, TagsRuledOutBeforeTheBodyAreReadPastAsByteByByte)
{
    KeywordFilter filter;
    const int looked_for[] = {TOK_BODY, TOK_FONT, TOK_IMG, 0};
    keyword_filter(kHtmlKeywords, looked_for, &filter);
    // Far past the tag, and (so that the name cannot be taken whole from
    // the buffer) just past it.
    for (const std::string& tail : {"text<b>" + std::string(40, '.'), std::string("x")}) {
        const std::string tags[] = {
            "table border=1>",
            "/table>",
            "TABLE\n>",
            "td\talign=left\r\nvalign=top>",
            "/>",
            "/ x>",
            "td x=\"a>b\">",
            "td x=1\x01y>",
            std::string("td\0x>", 5),
            std::string("td x=\0>", 7),
            "td a=1\nb=2\n\n>",
            std::string(40, 'n') + " a\nb>",
            "td " + std::string(600, 'p') + "\x02\n>",
            "td " + std::string(505, 'p') + "\x02\n>",
            "font color=red>",
            "/font>",
            "img src=a.gif>",
            "fony>",
            "BODY bgcolor=white>",
            "t\x01"
            "d>",
            "?xml ?>",
            "td <b>",
            "em>",
            "/u>",
            "b\n>",
        };
        for (const std::string& t : tags) {
            struct Seen {
                int token;
                long long line;
                std::string err, rest;
            } seen[2];
            for (int k = 0; k < 2; ++k) {
                open_tag("<" + t + tail);
                if (k == 1) infile_ungetc(infile_getc());  // closes the buffer path
                ::testing::internal::CaptureStderr();
                int token = read_tag_before_body(filter);
                std::string err = ::testing::internal::GetCapturedStderr();
                seen[k] = Seen{token, g_line, err, rest()};
            }
            SCOPED_TRACE("tag <" + t);
            EXPECT_EQ(seen[0].token, seen[1].token);
            EXPECT_EQ(seen[0].line, seen[1].line);
            EXPECT_EQ(seen[0].err, seen[1].err);
            EXPECT_EQ(seen[0].rest, seen[1].rest);
        }
    }
    const std::string tail = "text<b>" + std::string(40, '.');
    // Worked out by hand for a few.
    auto before_body = [&](const std::string& text) {
        open_tag(text);
        return read_tag_before_body(filter);
    };
    EXPECT_EQ(before_body("<td a=1\nb=2\n\n>" + tail), 0);
    EXPECT_EQ(g_line, 4);
    EXPECT_EQ(rest(), tail);
    EXPECT_EQ(before_body("</TABLE x=\"a>b\">" + tail), TOK_CLOSING);
    EXPECT_EQ(rest(), "b\">" + tail);
    EXPECT_EQ(before_body("<font color=red>" + tail), TOK_FONT);
    EXPECT_STREQ(g_tag.params, " color=red>");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(before_body("<td x=1\x01y>" + tail), 0);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("Unexpected control code found in parameter of "
                                                            "\"<td>\" (at line 1)."),
              std::string::npos);
    EXPECT_EQ(rest(), tail);
}

// The parameters' length as a string, for every place of a NUL and every
// length up to the buffer's end.
TEST_F(TagReader, ParameterTextEndsAtTheFirstNul)
{
    for (int len : {-1, 0, 1, 15, 16, 17, 40, 496, 510, 511, 600}) {
        for (int nul = -1; nul < 512; nul += (nul < 40 || nul > 490) ? 1 : 37) {
            std::memset(g_tag.params, 'x', sizeof g_tag.params);
            if (nul >= 0) g_tag.params[nul] = '\0';
            g_tag.paramlen = len;
            size_t n = len < 0 ? 0 : len > 511 ? 511 : static_cast<size_t>(len);
            size_t want = nul >= 0 && static_cast<size_t>(nul) < n ? static_cast<size_t>(nul) : n;
            ASSERT_EQ(tagreader_paramtext(), want) << "length " << len << ", NUL at " << nul;
        }
    }
    g_tag.paramlen = 0;
    g_tag.params[0] = '\0';
}

// The run-at-a-time scan against the states stepped byte by byte: the
// same end, and the attributes where the states say they begin and end.
TEST(TagScan, AgreesWithTheStatesStepByStep)
{
    std::mt19937 rng(7);
    const char alphabet[] = "ab =\"'/> \n";
    for (int round = 0; round < 20000; ++round) {
        std::string t(rng() % 24, ' ');
        for (char& c : t) c = alphabet[rng() % (sizeof alphabet - 1)];
        std::vector<TagAttr> want;
        size_t end = t.size();
        int state = TAGSTATE_BEFORENAME;
        for (size_t i = 0; i < t.size() && end == t.size(); ++i) {
            int next = tagstate_step(state, static_cast<unsigned char>(t[i]));
            auto in_value = [](int s) {
                return s == TAGSTATE_DOUBLE || s == TAGSTATE_SINGLE || s == TAGSTATE_UNQUOTED;
            };
            uint32_t at = static_cast<uint32_t>(i);
            if (next == TAGSTATE_NAME && state != TAGSTATE_NAME) want.push_back(TagAttr{at, 0, 0, 0, false});
            if (state == TAGSTATE_NAME && next != TAGSTATE_NAME) want.back().namelen = at - want.back().name;
            if (state == TAGSTATE_BEFOREVALUE && next != state) {
                want.back().hasvalue = true;
                want.back().value = next == TAGSTATE_UNQUOTED ? at : at + 1;
            }
            if (in_value(state) && next != state) want.back().valuelen = at - want.back().value;
            if (next == TAGSTATE_END) end = i;
            state = next;
            if (end == t.size() && i + 1 == t.size() && !want.empty()) {
                if (state == TAGSTATE_NAME) want.back().namelen = at + 1 - want.back().name;
                if (state == TAGSTATE_BEFOREVALUE) {
                    want.back().hasvalue = true;
                    want.back().value = at + 1;
                }
                if (in_value(state)) want.back().valuelen = at + 1 - want.back().value;
            }
        }
        std::vector<TagAttr> got;
        ASSERT_EQ(tagstate_scan(reinterpret_cast<const unsigned char*>(t.data()), t.size(), &got), end) << t;
        ASSERT_EQ(got.size(), want.size()) << t;
        for (size_t k = 0; k < got.size(); ++k) {
            EXPECT_EQ(got[k].name, want[k].name) << t;
            EXPECT_EQ(got[k].namelen, want[k].namelen) << t;
            EXPECT_EQ(got[k].hasvalue, want[k].hasvalue) << t;
            if (want[k].hasvalue && want[k].valuelen) {
                EXPECT_EQ(got[k].value, want[k].value) << t;
            }
            EXPECT_EQ(got[k].valuelen, want[k].valuelen) << t;
        }
    }
}

// Under html5tags a tag ends at the first ">" outside a quoted value,
// read from the buffer at once or a byte at a time alike; the parameters
// keep the design's form (white space as spaces, at most 511 bytes).
TEST_F(TagReader, QuotedValuesHoldTheTagEnd)
{
    settings.html5tags = 1;
    tags_install();
    struct Case {
        std::string tag, params, rest;
    } cases[] = {
        {"<p title=\"a > b\">One", " title=\"a > b\">", "One"},
        {"<p title='x<y/z' id=k>T", " title='x<y/z' id=k>", "T"},
        {"<p a=\"x\ny\">T", " a=\"x y\">", "T"},
        {"<p a=b>c>", " a=b>", "c>"},
        {"<p a=x\"y>z", " a=x\"y>", "z"},
        {"<p \"a>b\">", " \"a>", "b\">"},
        {"<p a=\"1\"b='>'>c", " a=\"1\"b='>'>", "c"},
        {"<p title=\"" + std::string(600, 'v') + " > \">rest", " title=\"" + std::string(503, 'v'), "rest"},
    };
    for (const Case& c : cases) {
        for (int k = 0; k < 2; ++k) {
            SCOPED_TRACE(c.tag.substr(0, 40) + (k ? " byte by byte" : ""));
            open_tag(c.tag + std::string(40, '.'));
            if (k) infile_ungetc(infile_getc());
            EXPECT_EQ(read_tag(), TOK_P);
            EXPECT_EQ(std::string(g_tag.params, static_cast<size_t>(g_tag.paramlen)), c.params);
            EXPECT_EQ(rest(), c.rest + std::string(40, '.'));
        }
    }
    EXPECT_EQ(tag("<p a=\"x\ny\">"), TOK_P);
    EXPECT_EQ(g_line, 2);
    EXPECT_EQ(tag("<p a=\"never closed>x"), TOK_P);
    EXPECT_EQ(rest(), "");
}

// Attributes by their whole names, case aside, the first of a repeated
// one; values decoded, whole past the parameter buffer up to 64 KB.
TEST_F(TagReader, AttributesByWholeName)
{
    settings.html5tags = 1;
    tags_install();
    tag("<a title=\"href=x src=y\" TITLE=second>");
    EXPECT_FALSE(attr_has("href"));
    EXPECT_FALSE(attr_has("src"));
    EXPECT_EQ(*attr_value("title"), "href=x src=y");
    tag("<img SRC=\"a&amp;b&#x41;&lt.gif\" alt hidden data-lazy-src=l.gif id= >");
    EXPECT_EQ(*attr_value("src"), "a&bA<.gif");
    EXPECT_EQ(*attr_value("alt"), "");
    EXPECT_EQ(*attr_value("hidden"), "");
    EXPECT_EQ(*attr_value("id"), "");
    EXPECT_EQ(attr_value("width"), nullptr);
    EXPECT_EQ(*attr_valuelike("data-", "src"), "l.gif");
    // A legacy name without ';' is no reference before "=" or a letter.
    tag("<a href=\"?a=1&copy=2&copyx&copy\">");
    EXPECT_EQ(*attr_value("href"), "?a=1&copy=2&copyx\xa9");
    std::string big(70000, 'j');
    tag("<img alt=\"" + big + "\" src=\"p.gif\" width=3>after");
    EXPECT_EQ(g_tag.paramlen, 511);
    EXPECT_EQ(attr_value("alt")->size(), kAttrValueLimit);
    EXPECT_EQ(*attr_value("src"), "p.gif");
    EXPECT_EQ(*attr_value("width"), "3");
    EXPECT_EQ(rest(), "after");
}

}  // namespace

// The view of a DDL file: text decoding, effects, colours, alignment,
// pictures, and the structural errors that stop it.
#include <gtest/gtest.h>

#include <string>

#include "view/ddlview.h"

namespace {

struct Result {
    bool ok;
    std::string html, error;
    int line;
};

Result view(const std::string& body)
{
    Result r{false, "", "", 0};
    r.ok = view_render("//->DDL\n" + body, "in.ddl", &r.html, &r.error, &r.line);
    return r;
}

// The style of the span that holds `word`.
std::string style_of(const std::string& html, const std::string& word)
{
    size_t at = html.find(">" + word + "<");
    if (at == std::string::npos) return "(missing)";
    size_t open = html.rfind("style=\"", at);
    return html.substr(open, at - open);
}

TEST(View, HostTextDecodedToUtf8WithQuotesAndHyphen)
{
    Result r = view(
        "\"\x94x\x95 \x90y\x91 a\xAD"
        "b \xE9 <&>\"\n");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_NE(r.html.find("\xE2\x80\x9Cx\xE2\x80\x9D \xE2\x80\x98y\xE2\x80\x99 a-b \xC3\xA9 &lt;&amp;&gt;"),
              std::string::npos);
    EXPECT_NE(r.html.find("charset=\"utf-8\""), std::string::npos);
}

TEST(View, EffectsSizeAndColourFollowTheCommands)
{
    Result r = view(
        "COL_010={colour \"Red\" {cmyk 0x0 0x10000 0x10000 0x0}}\n"
        "COL_011={colour \"Grey\" {rgb 0x8000 0x8000 0x8000}}\n"
        "{bold 1}{textsize 24000}{foreground COL_010 0x10000 0}\"big\"\n"
        "{bold 0}{italic 1}{underline 1}{foreground COL_011 0x10000 0}{textsize 12000}\"small\"\n"
        "{italic 0}{underline 0}{strikeout 1}{super 1}{foreground}\"plain\"\n");
    ASSERT_TRUE(r.ok) << r.error;
    std::string big = style_of(r.html, "big"), small = style_of(r.html, "small"), plain = style_of(r.html, "plain");
    EXPECT_NE(big.find("font-weight:bold"), std::string::npos);
    EXPECT_NE(big.find("font-size:24.00pt"), std::string::npos);
    EXPECT_NE(big.find("color:#ff0000"), std::string::npos);
    EXPECT_EQ(small.find("font-weight:bold"), std::string::npos);
    EXPECT_NE(small.find("font-style:italic"), std::string::npos);
    EXPECT_NE(small.find("underline"), std::string::npos);
    EXPECT_NE(small.find("color:#808080"), std::string::npos);
    EXPECT_NE(plain.find("line-through"), std::string::npos);
    EXPECT_NE(plain.find("vertical-align:super"), std::string::npos);
    EXPECT_EQ(plain.find("color:"), std::string::npos);
}

TEST(View, AlignmentAppliesToTheTextAfterIt)
{
    Result r = view("\"first\"\n{align 1}\n{newline}\n\"second\"\n{align 2}{newpara}\"third\"\n");
    ASSERT_TRUE(r.ok) << r.error;
    size_t first = r.html.find("first"), second = r.html.find("second"), third = r.html.find("third");
    EXPECT_NE(r.html.rfind("text-align:left", first), std::string::npos);
    EXPECT_GT(r.html.rfind("text-align:center", second), first);
    EXPECT_GT(r.html.rfind("text-align:right", third), second);
}

TEST(View, FontsFallBackToAGenericFamily)
{
    Result r = view("FONT_021={font \"Corpus.Medium\"}\n{font}\nFONT_021\n\"code\"\n");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_NE(style_of(r.html, "code").find("monospace"), std::string::npos);
}

TEST(View, PicturesBecomeDataUrisInFramesOfTheirSize)
{
    // "GIF89a" in the six-bit text encoding: groups of three bytes to four
    // characters, each value plus 35.
    Result r = view(
        "PICT_001={pictframe {fcurve {box {x 0} {y 0} {w 36000} {h 18000}}}}\n"
        "PICTURE_001={picture {data \"gif\" 6 \"4WH)1&HD\"}}\n{embed PICT_001}\n");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_NE(r.html.find("width:36.0pt;height:18.0pt"), std::string::npos);
    EXPECT_NE(r.html.find("src=\"data:image/gif;base64,R0lGODlh\""), std::string::npos);
}

TEST(View, StructuralErrorsNameTheirLine)
{
    Result open = view("\"a\"\n{bold 1\n\"b\"\n");
    EXPECT_FALSE(open.ok);
    EXPECT_EQ(open.line, 3);
    EXPECT_NE(open.error.find("brace left open"), std::string::npos);

    Result stray = view("\"a\"\n\n}\n");
    EXPECT_FALSE(stray.ok);
    EXPECT_EQ(stray.line, 4);

    Result string = view("\n\"never closed\n\"x\"\n");
    EXPECT_FALSE(string.ok);
    EXPECT_EQ(string.line, 3);

    Result undeclared = view("{foreground COL_099 0x10000 0}\n");
    EXPECT_FALSE(undeclared.ok);
    EXPECT_NE(undeclared.error.find("COL_099"), std::string::npos);

    Result shortdata = view("PICTURE_001={picture {data \"gif\" 9 \"4WH)1&HD\"}}\n");
    EXPECT_FALSE(shortdata.ok);
    EXPECT_NE(shortdata.error.find("does not decode"), std::string::npos);

    EXPECT_FALSE(view(std::string(100000, '{')).ok);
}

}  // namespace

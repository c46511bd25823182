// The attribute sub-parsers and their quirks.
#include "output_test.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "ddl/ddlout.h"
#include "markup/attributes.h"
#include "html/style.h"
#include "markup/tagreader.h"
#include "resources/colour.h"
#include "resources/config.h"
#include "resources/fontmap.h"
#include "base/runstate.h"

namespace {

class AttributeTest : public OutputTest {
protected:
    void SetUp() override
    {
        OutputTest::SetUp();
        settings.disabledoccols = 1;
        colour_load();
        settings.disabledoccols = 0;
        fontmap_defaults();
    }

    static void params(const std::string& p) { set_tag("font", p); }
    static int top_size() { return g_style.size_stack[g_style.size_depth - 1]; }
    static int top_font() { return g_style.font_stack[g_style.font_depth - 1]; }
};

TEST_F(AttributeTest, Size)
{
    const struct {
        const char* text;
        int size;
    } cases[] = {
        {" size=+2>", 5},
        {" size=-1>", 2},
        {" size=9>", 7},
        {" size=0>", 1},
        {" size=\"4\">", 4},
        {" size=-9>", 1},
        {" size=+>", 3},
        {" fontsize=6>", 6},  // found inside another name
        {" size=99999999999999999999>", 7},
    };
    for (const auto& c : cases) {
        params(c.text);
        EXPECT_EQ(subparse_size(), 1) << c.text;
        EXPECT_EQ(top_size(), c.size) << c.text;
    }
    params(" face=arial>");
    EXPECT_EQ(subparse_size(), 0);
    params(" size=+2>");
    style_resetstacks();
    out();
    subparse_size();
    EXPECT_EQ(out(), "{textsize 16000}\n");
}

TEST_F(AttributeTest, Face)
{
    params(" face=foo,arial>");
    EXPECT_EQ(subparse_face(), 1);
    EXPECT_EQ(top_font(), 41);
    params(" face=\"Courier New\" size=2>");
    EXPECT_EQ(subparse_face(), 1);
    EXPECT_EQ(top_font(), kMonospacedFont);
    EXPECT_EQ(out(), "FONT_041\nFONT_021\n");
    int depth = g_style.font_depth;
    // Names are taken unchanged between the commas: " arial" is not "arial".
    params(" face=\"Foo, Arial\">");
    EXPECT_EQ(subparse_face(), 0);
    // Unquoted and followed by another attribute: only what follows the last '='.
    params(" face=arial size=3>");
    EXPECT_EQ(subparse_face(), 0);
    // The text must end before the value does.
    params(" face=arial");
    EXPECT_EQ(subparse_face(), 0);
    params(" face=>");
    EXPECT_EQ(subparse_face(), 0);
    params(" face=\"" + std::string(40, 'm') + "\">");
    EXPECT_EQ(subparse_face(), 0);
    EXPECT_EQ(g_style.font_depth, depth);
    settings.ignorefonts = 1;
    params(" face=arial>");
    EXPECT_EQ(subparse_face(), 0);
}

TEST_F(AttributeTest, Align)
{
    params(" align=center>");
    EXPECT_EQ(subparse_align(44), 1);
    EXPECT_EQ(g_style.align_depth, 2);
    EXPECT_EQ(g_style.align_stack[1], 1);
    EXPECT_EQ(g_style.alignkey_stack[1], 44);
    params(" align=\"Right\">");
    EXPECT_EQ(subparse_align(17), 1);
    EXPECT_EQ(g_style.align_stack[2], 2);
    params(" ALIGN='left'>");
    EXPECT_EQ(subparse_align(17), 1);
    EXPECT_EQ(g_style.align_stack[3], 3);  // justified is on
    EXPECT_EQ(out(), "{align 1}\n{newline}\n{align 2}\n{newline}\n{align 3}\n{newline}\n");
    params(" align=justify>");
    EXPECT_EQ(subparse_align(17), 0);
    params(" valign=top>");
    EXPECT_EQ(subparse_align(17), 0);
    params("");
    EXPECT_EQ(subparse_align(17), 0);
    settings.ignorealignment = 1;
    params(" align=center>");
    EXPECT_EQ(subparse_align(17), 0);
    EXPECT_EQ(g_style.align_depth, 4);
    EXPECT_EQ(out(), "");
}

TEST_F(AttributeTest, Colour)
{
    params(" color=#ff0000>");
    EXPECT_EQ(subparse_colour(), 1);
    params(" colour=#00ff00 color=#ff0000>");  // both: the "colour" one is used
    EXPECT_EQ(subparse_colour(), 1);
    EXPECT_EQ(out(), "{foreground COL_010 0x10000 0}\n{foreground COL_012 0x10000 0}\n");
    EXPECT_EQ(g_style.colour_depth, 2);
    params(" size=3>");
    EXPECT_EQ(subparse_colour(), 0);
    settings.processblind = 1;
    params(" color=#ff0000>");
    EXPECT_EQ(subparse_colour(), 0);
    settings.processblind = 0;
    settings.disabledoccols = 1;
    EXPECT_EQ(subparse_colour(), 0);
    EXPECT_EQ(g_style.colour_depth, 2);
}

TEST_F(AttributeTest, UnmatchedColourIsReported)
{
    // No user table was loaded, so a new colour cannot be added.
    g_line = 12;
    params(" color=fuchsia>");
    testing::internal::CaptureStderr();
    EXPECT_EQ(subparse_colour(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "QuilletW: Unusual error! Could not match font colour in the following HTML command at line 12 "
              "(this colour should have been defined in the first pass)...\n"
              "QuilletW: <font  color=fuchsia>\n");
    EXPECT_EQ(g_style.colour_depth, 0);
}

TEST_F(AttributeTest, Number)
{
    params(" border=5>");
    EXPECT_EQ(subparse_number("border"), 5);
    params(" width=-12 >");
    EXPECT_EQ(subparse_number("width"), -12);
    params(" x=+7>");
    EXPECT_EQ(subparse_number("x"), 7);
    params(" height=\"30\">");
    EXPECT_EQ(subparse_number("height"), 30);
    params(" height=abc>");
    EXPECT_EQ(subparse_number("height"), 0);
    EXPECT_EQ(subparse_number("width"), 0);
    params(" width=" + std::string(300, '9') + ">");
    EXPECT_GT(subparse_number("width"), 0);  // held, not overflowed
}

TEST_F(AttributeTest, String)
{
    params(" ddlscript=\"Hello.DDL\">");
    EXPECT_STREQ(subparse_string("ddlscript"), "hello.ddl");
    params(" name='abc' x=1>");
    EXPECT_STREQ(subparse_string("name"), "abc");
    params(" ddlscript=x>");
    EXPECT_STREQ(subparse_string("ddlscript"), "");
    params(" ddlscript=\"abc>");  // unterminated
    EXPECT_STREQ(subparse_string("ddlscript"), "");
    params(" ddlscript=\"\">");
    EXPECT_STREQ(subparse_string("ddlscript"), "");
    params(" other=\"x\">");
    EXPECT_STREQ(subparse_string("ddlscript"), "");
    std::string v99(99, 'k'), v100(100, 'k');
    params(" s=\"" + v99 + "\">");
    EXPECT_EQ(std::string(subparse_string("s")), v99);
    params(" s=\"" + v100 + "\">");
    EXPECT_STREQ(subparse_string("s"), "");
}

TEST_F(AttributeTest, Src)
{
    params(" src=\"Pics/Logo.GIF\" alt=x>");
    EXPECT_STREQ(subparse_src(0), "pics/logo.gif");
    EXPECT_STREQ(subparse_src(1), "logo.gif");
    params(" src=sounds/Tune.MID width=20>");
    EXPECT_STREQ(subparse_src(1), "tune.mid");
    params(" src=c:\\pics\\a.gif>");
    EXPECT_STREQ(subparse_src(0), "c:\\pics\\a.gif");
    EXPECT_STREQ(subparse_src(1), "a.gif");
    params(" alt=x>");
    EXPECT_STREQ(subparse_src(0), "<filename unknown>");
    params(" src=\"\">");
    EXPECT_STREQ(subparse_src(0), "<filename unknown>");
    params(" src=a.gif");  // the text ends before the value does
    EXPECT_STREQ(subparse_src(0), "<filename unknown>");
    params(" src=\"dir/\">");
    EXPECT_STREQ(subparse_src(1), "<filename unknown>");
    params(" src=" + std::string(300, 'p') + ">");
    EXPECT_EQ(std::string(subparse_src(0)), std::string(255, 'p'));
    params(" src=" + std::string(40, 'p') + ">");
    EXPECT_EQ(std::string(subparse_src(1)), std::string(31, 'p'));
}

TEST_F(AttributeTest, Dimensions)
{
    params(" width=10 height=20>");
    EXPECT_EQ(subparse_dimensions(), 10u + 20u * 65536u);
    params(" width=10>");
    EXPECT_EQ(subparse_dimensions(), 0u);
    params(" height=5>");
    EXPECT_EQ(subparse_dimensions(), 0u);
    params(" height=7 width=3>");
    unsigned d = subparse_dimensions();
    EXPECT_EQ(d & 0xFFFF, 3u);
    EXPECT_EQ(d >> 16, 7u);
}

TEST_F(AttributeTest, DeepNestingResetsTheStacks)
{
    // 500 rounds: the resets' warnings stay under the 100 showings of one
    // message that a run is given.
    testing::internal::CaptureStderr();
    for (int i = 0; i < 500; ++i) {
        // No user table here: "red" cannot be added, so only every other colour is pushed.
        params(i % 2 ? " size=+1 face='arial' color=red>" : " size=-1 face=\"courier\" color=#00ff00>");
        subparse_size();
        subparse_face();
        subparse_colour();
        ASSERT_LE(g_style.size_depth, 16);
        ASSERT_LE(g_style.font_depth, 16);
        ASSERT_LE(g_style.colour_depth, 16);
    }
    std::string err = testing::internal::GetCapturedStderr();
    size_t resets = 0;
    for (size_t at = err.find("TryToRecover"); at != std::string::npos; at = err.find("TryToRecover", at + 1)) ++resets;
    EXPECT_EQ(resets, 2u * (500u / 17u) + 250u / 17u);
}

TEST_F(AttributeTest, MalformedParameters)
{
    // A full buffer of odd bytes, quotes left open, 8-bit characters.
    std::string junk;
    for (int i = 0; i < 511; ++i) junk += static_cast<char>(i % 7 == 0 ? '"' : 128 + i % 128);
    junk.replace(10, 5, "size=");
    junk.replace(100, 5, "face=");
    junk.replace(200, 4, "src=");
    junk.replace(300, 6, "align=");
    params(junk);
    EXPECT_EQ(subparse_face(), 0);
    // Back from the closing quote to the quote before it, "src=" and all.
    EXPECT_EQ(std::string(subparse_string("src")), "\xC5\xC6\xC7src=\xCC\xCD\xCE\xCF\xD0\xD1");
    EXPECT_EQ(subparse_align(17), 0);
    EXPECT_EQ(subparse_size(), 1);
    EXPECT_EQ(top_size(), 1);
    EXPECT_EQ(std::string(subparse_src(1)), "\xCC\xCD\xCE\xCF\xD0\xD1");
    params(std::string(511, '='));
    EXPECT_EQ(subparse_number("="), 0);
    EXPECT_STREQ(subparse_src(0), "<filename unknown>");
}

}  // namespace

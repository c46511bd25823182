// The style stacks: what each push and pop writes, the reset on <p>, and
// what happens when a stack overflows.
#include "output_test.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "ddl/ddlout.h"
#include "html/style.h"
#include "resources/colour.h"
#include "resources/config.h"
#include "base/runstate.h"

namespace {

class StackTest : public OutputTest {
protected:
    void SetUp() override
    {
        OutputTest::SetUp();
        settings.disabledoccols = 1;  // the standard colours are enough here
        colour_load();
    }
};

TEST_F(StackTest, FontPushesAndPops)
{
    style_pushfont(21);
    EXPECT_EQ(out(), "FONT_021\n");
    style_pushfont(21);  // same as the entry below: nothing written
    EXPECT_EQ(out(), "");
    EXPECT_EQ(g_style.font_depth, 2);
    style_popfont();  // 21 over 21
    EXPECT_EQ(out(), "");
    style_popfont();  // last entry: back to font 1
    EXPECT_EQ(out(), "FONT_001\n");
    EXPECT_EQ(g_style.font_depth, 0);
    style_popfont();  // empty: slot 0 still holds 21
    EXPECT_EQ(out(), "FONT_001\n");
    EXPECT_EQ(g_style.font_depth, 0);
}

TEST_F(StackTest, EmptyFontPopComparesWithTheMarker)
{
    style_popfont();  // slot 0 holds "CURF", not 1
    EXPECT_EQ(out(), "FONT_001\n");
}

TEST_F(StackTest, FontChangeReassertsEffects)
{
    g_style.bold_count = 1;
    g_style.italic_count = 2;
    g_style.underline_count = 1;
    g_style.subscript_count = 1;
    g_style.superscript_count = 1;
    ddlout_addchar('x');
    style_pushfont(41);
    EXPECT_EQ(out(), "\"x\"\nFONT_041\n{bold 1}\n{italic 1}\n{underline 1}\n{sub 1}\n{super 1}\n");
    style_pushfont(31);
    style_popfont();
    EXPECT_EQ(out(),
              "FONT_031\n{bold 1}\n{italic 1}\n{underline 1}\n{sub 1}\n{super 1}\n"
              "FONT_041\n{bold 1}\n{italic 1}\n{underline 1}\n{sub 1}\n{super 1}\n");
}

TEST_F(StackTest, PopInsidePreformattedKeepsMonospaced)
{
    style_pushfont(41);
    g_style.pre_count = 1;
    style_popfont();
    EXPECT_EQ(out(), "FONT_041\nFONT_021\n");
    // In <plaintext> the restore is not turned into the monospaced font.
    style_pushfont(41);
    g_style.plaintext_count = 1;
    style_popfont();
    EXPECT_EQ(out(), "FONT_041\nFONT_001\n");
    g_style.pre_count = g_style.plaintext_count = 0;
    g_style.tt_count = 1;
    style_pushfont(31);
    style_popfont();
    EXPECT_EQ(out(), "FONT_031\nFONT_021\n");
}

TEST_F(StackTest, SizePushesAndPops)
{
    style_pushsize(5);
    EXPECT_EQ(out(), "{textsize 16000}\n");
    style_pushsize(5);
    EXPECT_EQ(out(), "");
    style_pushsize(1);
    EXPECT_EQ(out(), "{textsize 8000}\n");
    style_popsize();
    EXPECT_EQ(out(), "{textsize 16000}\n");
    style_popsize();
    EXPECT_EQ(out(), "");
    style_popsize();
    EXPECT_EQ(out(), "{textsize 12000}\n");
    EXPECT_EQ(g_style.size_depth, 0);
    style_popsize();  // slot 0 still 5, compared with size 3
    EXPECT_EQ(out(), "{textsize 12000}\n");
    g_style.base_size = 20;
    style_pushsize(7);
    EXPECT_EQ(out(), "{textsize 28000}\n");
}

TEST_F(StackTest, SizeArithmeticStaysInRange)
{
    EXPECT_EQ(style_sizeof(3), 12000);
    EXPECT_EQ(style_sizeof(9), 24000);  // above 7 the same rule goes on
    g_style.base_size = 2000000000;
    EXPECT_EQ(style_sizeof(7), 2147483647);
}

TEST_F(StackTest, ColourPushesAndPops)
{
    style_pushcolour(0);  // nothing pushed
    EXPECT_EQ(g_style.colour_depth, 0);
    EXPECT_EQ(out(), "");
    style_pushcolour(10);
    style_pushcolour(10);  // no test for an unchanged colour
    EXPECT_EQ(out(), "{foreground COL_010 0x10000 0}\n{foreground COL_010 0x10000 0}\n");
    style_popcolour();
    EXPECT_EQ(out(), "");
    style_popcolour();
    EXPECT_EQ(out(), "{foreground COL_001 0x10000 0}\n");
    g_style.text_colour = 13;
    style_popcolour();  // empty: slot 0 holds 10, restore the text colour
    EXPECT_EQ(out(), "{foreground COL_013 0x10000 0}\n");
}

TEST_F(StackTest, ListsNumbersAndBullets)
{
    style_listitem();  // outside any list
    EXPECT_EQ(out(), "");
    style_pushlist(1);
    style_listitem();
    ddlout_addchar('a');
    style_listitem();
    EXPECT_EQ(out(), "{leftindent 1 28346}\n{newline}\n\"1. a\"\n{newline}\n\"2. \"\n");
    style_pushlist(kListUnordered);
    style_listitem();
    style_pushlist(kListDefinition);
    style_listitem();
    EXPECT_EQ(out(), "{leftindent 1 56692}\n{newline}\n\"+ \"\n{leftindent 1 85038}\n{newline}\n");
    style_poplist();
    style_poplist();
    style_listitem();
    EXPECT_EQ(out(), "{leftindent 1 56692}\n{leftindent 1 28346}\n{newline}\n\"3. \"\n");
    style_poplist();
    EXPECT_EQ(out(), "{leftindent}\n{newline}\n");
    style_poplist();  // nothing open
    EXPECT_EQ(out(), "");
    EXPECT_EQ(g_style.list_depth, 0);
    EXPECT_EQ(g_style.indent_level, 0);
}

TEST_F(StackTest, BulletsRepeatFromTheFifthLevel)
{
    std::string want;
    const char bullets[] = "*+#%*";
    for (int i = 0; i < 5; ++i) {
        style_pushlist(kListUnordered);
        style_listitem();
        want += "{leftindent 1 " + std::to_string((i + 1) * 28346) + "}\n{newline}\n";
        want += std::string("\"") + bullets[i] + " \"\n";
    }
    EXPECT_EQ(out(), want);
}

TEST_F(StackTest, NestedCentreAlignments)
{
    settings.justified = 0;
    style_initstate();
    style_resetstacks();
    style_pushalign(ALIGN_CENTRED, 19);
    EXPECT_EQ(out(), "{align 1}\n{newline}\n");
    style_pushalign(ALIGN_CENTRED, 19);  // same as below: taken off again
    EXPECT_EQ(out(), "");
    EXPECT_EQ(g_style.align_depth, 2);
    style_popalign(19);
    EXPECT_EQ(out(), "{align 0}\n{newline}\n");
    style_popalign(19);  // only the base left: compares with slot 1 (centred)
    EXPECT_EQ(out(), "{align 0}\n{newline}\n");
    EXPECT_EQ(g_style.align_depth, 1);
}

TEST_F(StackTest, ParagraphPopRestoresTheBase)
{
    style_pushalign(ALIGN_CENTRED, 19);
    style_pushalign(ALIGN_RIGHT, 44);
    EXPECT_EQ(out(), "{align 1}\n{newline}\n{align 2}\n{newline}\n");
    style_popalign(44);  // justified is on by default
    EXPECT_EQ(out(), "{align 3}\n{newline}\n");
    // A </p> with nothing of its own pushed still writes the base.
    style_popalign(19);
    style_popalign(44);
    EXPECT_EQ(out(), "{align 3}\n{newline}\n{align 3}\n{newline}\n");
}

TEST_F(StackTest, PopOfAnotherTagsAlignment)
{
    style_pushalign(ALIGN_CENTRED, 19);
    style_pushalign(ALIGN_RIGHT, 17);
    out();
    style_popalign(19);  // the top entry is the div's: left in place
    EXPECT_EQ(out(), "{newline}\n");
    EXPECT_EQ(g_style.align_depth, 3);
    style_pushalign(ALIGN_RIGHT, 19);  // same value as the div's: not stacked
    EXPECT_EQ(out(), "");
    style_popalign(17);
    EXPECT_EQ(out(), "{align 3}\n{newline}\n");
    style_popalign(19);
    EXPECT_EQ(out(), "{align 3}\n{newline}\n");
    // A normal push over the base, then its pop: nothing to restore.
    style_pushalign(ALIGN_NORMAL, 18);
    EXPECT_EQ(out(), "{align 3}\n{newline}\n");
    style_popalign(18);
    EXPECT_EQ(out(), "{newline}\n");
    EXPECT_EQ(g_style.align_depth, 1);
}

TEST_F(StackTest, IgnoredAlignment)
{
    settings.ignorealignment = 1;
    style_pushalign(ALIGN_CENTRED, 19);
    style_popalign(19);
    EXPECT_EQ(out(), "");
    EXPECT_EQ(g_style.align_depth, 1);
}

TEST_F(StackTest, AlignmentTrace)
{
    settings.debug = 1;
    style_pushalign(ALIGN_CENTRED, 19);
    style_pushalign(ALIGN_CENTRED, 19);
    EXPECT_EQ(out(),
              "// Setting alignment CENTRED.\n"
              "//  align stack 00 : 3\n"
              "//  align stack 01 : 1\n"
              "{align 1}\n{newline}\n"
              "// Setting alignment CENTRED.\n"
              "//  align stack 00 : 3\n"
              "//  align stack 01 : 1\n"
              "//  align stack 02 : 1\n"
              "// prev align = 1, this align = 1; doing nothing!\n");
    style_pushalign(ALIGN_NORMAL, 44);
    EXPECT_EQ(out(),
              "// Setting alignment NORMAL.\n"
              "//  align stack 00 : 3\n"
              "//  align stack 01 : 1\n"
              "//  align stack 02 : 3\n"
              "{align 3}\n{newline}\n");
    settings.debug = 0;
    style_pushalign(ALIGN_RIGHT, 20);
    EXPECT_EQ(out(), "{align 2}\n{newline}\n");
}

TEST_F(StackTest, ResetOnParagraph)
{
    StyleState& s = g_style;
    s.heading_depth = 1;
    s.heading_count[2] = 1;
    s.bold_count = 2;
    s.italic_count = 1;
    s.underline_count = 1;
    s.strike_count = 1;
    s.superscript_count = 1;
    s.subscript_count = 1;
    s.tt_count = 1;
    s.font_depth = 3;
    s.list_depth = 2;
    s.indent_level = 3;
    s.dt_bold = 1;
    s.align_depth = 3;
    s.size_depth = 2;
    s.colour_depth = 1;
    s.link_count = 1;
    s.blockquote_count = 1;
    s.base_size = 10;
    style_resetonpara();
    // The strikeout template is empty here, so its end is the one command.
    EXPECT_EQ(out(),
              "{bold 0}{font}\n{textsize 10000}\n{bold 0}\n{italic 0}\n{underline 0}\n"
              "{strikeout 0}\n{super 0}\n{sub 0}\nFONT_001\nFONT_001\n{leftindent}\n{align 0}\n");
    EXPECT_EQ(s.heading_depth, 0);
    EXPECT_EQ(s.heading_count[2], 0);
    EXPECT_EQ(s.bold_count + s.italic_count + s.underline_count + s.strike_count, 0);
    EXPECT_EQ(s.superscript_count + s.subscript_count + s.tt_count + s.font_depth, 0);
    EXPECT_EQ(s.list_depth + s.indent_level + s.dt_bold, 0);
    EXPECT_EQ(s.align_depth, 1);
    // Not reset.
    EXPECT_EQ(s.size_depth, 2);
    EXPECT_EQ(s.colour_depth, 1);
    EXPECT_EQ(s.link_count, 1);
    EXPECT_EQ(s.blockquote_count, 1);
    style_resetonpara();
    EXPECT_EQ(out(), "");
}

TEST_F(StackTest, OverflowRecovers)
{
    std::string want;
    for (int i = 1; i <= 16; ++i) {
        style_pushfont(i);
        want += "FONT_0" + std::string(i < 10 ? "0" : "") + std::to_string(i) + "\n";
    }
    EXPECT_EQ(out(), want);
    testing::internal::CaptureStderr();
    style_pushfont(30);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err,
              "QuilletW: TryToRecover: Too many nested font changes (>16) - resetting the font "
              "stack, your output document may not be quite correct.\n");
    EXPECT_EQ(out(), "FONT_001\n");
    EXPECT_EQ(g_style.font_depth, 0);

    testing::internal::CaptureStderr();
    for (int i = 0; i < 17; ++i) style_pushsize(i % 2 ? 4 : 5);
    for (int i = 0; i < 17; ++i) style_pushcolour(10);
    for (int i = 0; i < 17; ++i) style_pushlist(1);
    for (int i = 0; i < 16; ++i) style_pushalign(i % 2 ? ALIGN_CENTRED : ALIGN_RIGHT, 19);
    err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("nested font size changes (>16) - resetting the font size stack"), std::string::npos);
    EXPECT_NE(err.find("nested colour changes (>16) - resetting the colour stack"), std::string::npos);
    EXPECT_NE(err.find("nested indentation changes (>16) - resetting the indentation stack"), std::string::npos);
    // The alignment stack holds the base entry, so its sixteenth push overflows.
    EXPECT_NE(err.find("nested alignment changes (>16) - resetting the alignment stack"), std::string::npos);
    std::string o = out();
    EXPECT_NE(o.find("{textsize 14000}\n{textsize 12000}\n{foreground COL_010"), std::string::npos);
    EXPECT_NE(o.find("{foreground COL_010 0x10000 0}\n{foreground}\n{leftindent 1 28346}"), std::string::npos);
    EXPECT_NE(o.find("{leftindent 1 453536}\n{leftindent}\n{align 2}"), std::string::npos);
    EXPECT_EQ(o.substr(o.size() - 10), "{align 0}\n");
    EXPECT_EQ(g_style.size_depth, 0);
    EXPECT_EQ(g_style.colour_depth, 0);
    EXPECT_EQ(g_style.list_depth, 0);
    EXPECT_EQ(g_style.indent_level, 0);
    EXPECT_EQ(g_style.align_depth, 1);
}

TEST_F(StackTest, OverflowWithoutRecoveryEnds)
{
    settings.trytorecover = 0;
    EXPECT_EXIT(
        {
            for (int i = 0; i < 17; ++i) style_pushfont(i + 1);
        },
        testing::ExitedWithCode(50), "Too many nested font changes, can't keep track of >16\\. Aborting\\.");
    EXPECT_EXIT(
        {
            for (int i = 0; i < 17; ++i) style_pushlist(1);
        },
        testing::ExitedWithCode(50), "Too many nested indentation changes, can't keep track of >16\\.");
}

}  // namespace

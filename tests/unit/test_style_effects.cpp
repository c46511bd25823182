// The effect handlers on their own: the underline colour, the ignored
// nested monospaced tags and the shared bold and italic operations.
#include "output_test.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "ddl/ddlout.h"
#include "html/handlers.h"
#include "html/tags.h"
#include "html/style.h"
#include "resources/colour.h"
#include "resources/config.h"
#include "base/runstate.h"

namespace {

class EffectTest : public OutputTest {
protected:
    void SetUp() override
    {
        OutputTest::SetUp();
        settings.disabledoccols = 1;
        colour_load();
    }
};

TEST_F(EffectTest, UnderlineColour)
{
    effects_tag(TOK_U, false);  // the text colour
    g_style.text_colour = 0;
    effects_tag(TOK_U, false);  // no text colour: black
    EXPECT_EQ(out(),
              "{underline 1 {colourvalue COL_001 0x10000 0}}\n"
              "{underline 1 {colourvalue COL_001 0x10000 0}}\n");
    g_style.text_colour = 12;
    effects_tag(TOK_U, false);
    style_pushcolour(10);  // the top of the colour stack comes first
    out();
    effects_tag(TOK_U, false);
    g_style.link_count = 1;  // inside a link always black
    effects_tag(TOK_U, false);
    EXPECT_EQ(out(),
              "{underline 1 {colourvalue COL_010 0x10000 0}}\n"
              "{underline 1 {colourvalue COL_001 0x10000 0}}\n");
    EXPECT_EQ(g_style.underline_count, 5);
    for (int i = 0; i < 4; ++i) effects_tag(TOK_U, true);
    EXPECT_EQ(out(), "");
    effects_tag(TOK_U, true);
    EXPECT_EQ(out(), "{underline 0}\n");
}

TEST_F(EffectTest, TrashedNestedMonospaced)
{
    g_style.trashtt = 1;
    effects_tag(TOK_TT, false);
    effects_tag(TOK_TT, false);  // ignored: nothing pushed
    EXPECT_EQ(g_style.tt_count, 1);
    EXPECT_EQ(g_style.font_depth, 1);
    effects_tag(TOK_TT, true);
    effects_tag(TOK_TT, true);  // pops the empty stack: slot 0 still holds 21
    EXPECT_EQ(out(), "FONT_021\nFONT_001\nFONT_001\n");
    EXPECT_EQ(g_style.tt_count, 0);
    // <samp> is never ignored.
    effects_tag(TOK_SAMP, false);
    effects_tag(TOK_SAMP, false);
    EXPECT_EQ(g_style.tt_count, 2);
    EXPECT_EQ(g_style.font_depth, 2);
}

TEST_F(EffectTest, CountersAndClamps)
{
    effects_tag(TOK_CITE, true);  // not clamped
    EXPECT_EQ(g_style.cite_count, -1);
    EXPECT_EQ(g_style.italic_count, 0);
    effects_tag(TOK_DFN, true);
    effects_tag(TOK_ADDRESS, true);
    EXPECT_EQ(g_style.dfn_count, 0);
    EXPECT_EQ(g_style.address_count, 0);
    effects_tag(TOK_KBD, true);
    EXPECT_EQ(g_style.tt_count, 0);
    EXPECT_EQ(g_style.italic_count, 0);
    out();
    effects_tag(TOK_S, true);
    effects_tag(TOK_SUB, true);
    effects_tag(TOK_SUP, true);
    EXPECT_EQ(g_style.strike_count + g_style.subscript_count + g_style.superscript_count, 0);
    EXPECT_EQ(out(), "{strikeout 0}\n{sub 0}\n{super 0}\n");
    // Each opening tag raises its counters once.
    effects_tag(TOK_ADDRESS, false);
    effects_tag(TOK_DFN, false);
    effects_tag(TOK_VAR, false);
    effects_tag(TOK_SAMP, false);
    effects_tag(TOK_S, false);
    EXPECT_EQ(g_style.address_count, 1);
    EXPECT_EQ(g_style.dfn_count, 1);
    EXPECT_EQ(g_style.var_count, 1);
    EXPECT_EQ(g_style.tt_count, 1);
    EXPECT_EQ(g_style.strike_count, 1);
    EXPECT_EQ(g_style.italic_count, 2);
    EXPECT_EQ(g_style.bold_count, 1);
}

TEST_F(EffectTest, SharedBoldAndItalic)
{
    effect_boldon();
    effect_italicon();
    effect_italicon();
    effect_italicoff();
    effect_boldoff();
    effect_italicoff();
    EXPECT_EQ(out(), "{bold 1}\n{italic 1}\n{italic 1}\n{bold 0}\n{italic 0}\n");
    settings.ignoreeffects = 1;
    effect_boldon();
    effect_boldoff();
    EXPECT_EQ(out(), "");
    EXPECT_EQ(g_style.bold_count, 0);
}

}  // namespace

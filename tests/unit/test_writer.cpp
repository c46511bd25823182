// The output workspace and writer: quoting, smart quotes, line filling,
// breaks, tabs, the scratch-formatted text.
#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>
#include <fstream>
#include <sstream>
#include <memory>
#include <string>

#include "ddl/ddlout.h"
#include "support.h"
#include "ddl/template.h"
#include "html/preamble.h"
#include "html/style.h"
#include "resources/colour.h"
#include "resources/config.h"

namespace {

class Writer : public ::testing::Test {
protected:
    void SetUp() override
    {
        config_defaults();
        ddlout_setsmartquotes(settings.usesmartquotes);
        template_setvaluewriter(preamble_writevalue);
        ddlout_reset();
        capture_.reset();  // before the new one opens its sink
        capture_ = std::make_unique<test_support::Capture>();
        ddlout_suppress(0);
    }
    void TearDown() override
    {
        ddlout_setkeepspaces(0);
        capture_.reset();
    }
    std::string output() { return capture_->text(); }
    std::unique_ptr<test_support::Capture> capture_;
    // Text as the page loop gives it: in a buffer that may be read past its
    // end.
    void addtext(const std::string& s)
    {
        char buf[64] = {};
        s.copy(buf, sizeof buf - 32);
        ddlout_addtext(buf, s.size());
    }
    // 0x13 in `s` stands for the soft space, which only its own call gives.
    void add(const std::string& s)
    {
        for (unsigned char c : s) {
            if (c == 0x13)
                ddlout_addsoftspace();
            else
                ddlout_addchar(c);
        }
    }
};

TEST_F(Writer, QuotesAreEscapedWithoutSmartQuotes)
{
    ddlout_setsmartquotes(0);
    add("say \"hi\" it's a\\b");
    EXPECT_EQ(output(), "\"say \\\"hi\\\" it's a\\\\b\"\n");
}

TEST_F(Writer, SmartQuotesOpenAfterWhiteSpaceAndCloseAfterText)
{
    ddlout_setsmartquotes(1);
    ddlout_break(DDL_NEWPARA);  // after a break the last written character is a space
    add("\"a\" 'b' x\"y");
    EXPECT_EQ(output(),
              "{newpara}\n\"\x94"
              "a\x95 \x90"
              "b\x91 x\x95y\"\n");
}

TEST_F(Writer, SoftSpaceNeverDoublesASpace)
{
    add("a\x13 b \x13"
        "c");
    EXPECT_EQ(output(), "\"a  b c\"\n");
}

TEST_F(Writer, QuotingRulesHoldAtEveryPositionOfALine)
{
    // A changed byte after k bytes of text (the last of them a space or
    // not), then more text: the line is written in blocks, so every
    // position up to past the second block is tried.
    const std::string changed = "\"'\\\x13";
    for (int smart = 0; smart < 2; ++smart) {
        for (char ch : changed) {
            SetUp();
            ddlout_setsmartquotes(smart);
            std::string want;
            for (int k = 0; k <= 40; ++k) {
                for (int spaced = 0; spaced < 2 && (spaced == 0 || k > 0); ++spaced) {
                    ddlout_break(DDL_NEWLINE);  // the last written is then a space
                    std::string text(static_cast<size_t>(k), 'x');
                    if (spaced) text.back() = ' ';
                    add(text + ch + "yz");
                    ddlout_flush();
                    bool white = k == 0 || spaced;
                    std::string mid;
                    switch (ch) {
                    case '"': mid = smart ? (white ? "\x94" : "\x95") : "\\\""; break;
                    case '\'': mid = smart ? (white ? "\x90" : "\x91") : "'"; break;
                    case '\\': mid = "\\\\"; break;
                    default: mid = white ? "" : " "; break;
                    }
                    std::string line = text;
                    // After a break a leading space is dropped.
                    if (k == 1 && spaced) line.clear();
                    want += "{newline}\n\"" + line + mid + "yz\"\n";
                }
            }
            EXPECT_EQ(output(), want) << "byte " << static_cast<int>(ch) << (smart ? " smart" : "");
        }
    }
}

TEST_F(Writer, TwoHundredCharactersMakeThreeLines)
{
    std::string text(200, 'x');
    add(text);
    std::string want =
        "\"" + std::string(77, 'x') + "\"\n\"" + std::string(77, 'x') + "\"\n\"" + std::string(46, 'x') + "\"\n";
    EXPECT_EQ(output(), want);
}

TEST_F(Writer, LoneSpaceOrNoBreakSpaceIsNotWritten)
{
    ddlout_addchar('a');
    ddlout_flush();
    ddlout_addchar(' ');
    ddlout_flush();
    ddlout_addchar(0xA0);
    ddlout_flush();
    EXPECT_EQ(output(), "\"a\"\n");
}

TEST_F(Writer, KeptSpacesGoInFrontOfTheNextTextButNeverStartALine)
{
    ddlout_setkeepspaces(1);
    // "<b>x</b> <i>y</i>": the space alone between the commands opens the
    // next text; one that stands before a break is dropped.
    ddlout_addchar('x');
    ddlout_command("{bold 0}");
    ddlout_addchar(' ');
    ddlout_command("{italic 1}");
    addtext("y");
    ddlout_command("{italic 0}");
    ddlout_addchar(' ');
    ddlout_break(DDL_NEWLINE);
    addtext("z");
    // A no-break space waits the same way; a space that follows one does
    // not double it, and a string takes it in front as well.
    ddlout_command("{bold 1}");
    ddlout_addchar(0xA0);
    ddlout_command("{bold 0}");
    ddlout_addchar(' ');
    ddlout_command("{bold 1}");
    ddlout_addchar(' ');
    ddlout_command("{bold 0}");
    ddlout_addstring("%s", "w");
    EXPECT_EQ(output(),
              "\"x\"\n{bold 0}\n{italic 1}\n\" y\"\n{italic 0}\n{newline}\n\"z\"\n{bold 1}\n{bold 0}\n\"\xA0 \"\n"
              "{bold 1}\n{bold 0}\n\" w\"\n");
    // Switched off, the lone space is dropped as before.
    ddlout_setkeepspaces(0);
    ddlout_command("{bold 1}");
    ddlout_addchar(' ');
    ddlout_command("{bold 0}");
    addtext("v");
    EXPECT_EQ(output(), "{bold 1}\n{bold 0}\n\"v\"\n");
}

TEST_F(Writer, SpacesAfterABreakAreDroppedButNotTabs)
{
    ddlout_break(DDL_NEWLINE);
    add("   a");
    ddlout_break(DDL_NEWPARA);
    ddlout_tab();
    add("b");
    EXPECT_EQ(output(), "{newline}\n\"a\"\n{newpara}\n\"        b\"\n");
}

TEST_F(Writer, TabPadsToTheNextMultipleOfEight)
{
    ddlout_break(DDL_NEWLINE);
    add("abcde");
    ddlout_tab();
    add("f");
    EXPECT_EQ(output(), "{newline}\n\"abcde   f\"\n");
}

TEST_F(Writer, AddStringFlushesWhenTheLineWouldOverflow)
{
    add(std::string(50, 'a'));
    ddlout_addstring("%s", std::string(60, 'b').c_str());
    EXPECT_EQ(output(), "\"" + std::string(50, 'a') + "\"\n\"" + std::string(60, 'b') + "\"\n");
}

TEST_F(Writer, AddStringOfAHundredCharactersIsDropped)
{
    ::testing::internal::CaptureStderr();
    ddlout_addstring("%s", std::string(100, 'z').c_str());
    ddlout_addstring("ok");
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(output(), "\"ok\"\n");
    EXPECT_NE(err.find("QuilletW: Unexpected error: printf style string passed to ddlout_addstring() would "
                       "overflow workspace - dropping it on the floor...\n"),
              std::string::npos);
    EXPECT_NE(err.find("QuilletW: String \"" + std::string(100, 'z') + "\", length 100.\n"), std::string::npos);
}

TEST_F(Writer, CharacterAfterALongStringNeverOverrunsTheWorkspace)
{
    ddlout_addstring("%s", std::string(99, 'q').c_str());
    ddlout_addchar('r');
    EXPECT_EQ(output(), "\"" + std::string(99, 'q') + "\"\n\"r\"\n");
}

TEST_F(Writer, SuppressedOutputDropsTextButNotCommands)
{
    ddlout_suppress(1);
    add("hidden");
    ddlout_command("{bold 1}");
    ddlout_suppress(0);
    add("shown");
    EXPECT_EQ(output(), "{bold 1}\n\"shown\"\n");
}

TEST_F(Writer, ForegroundUsesTheColourOrItsContrast)
{
    colour_load();
    g_style.background_colour = 2;
    ddlout_foreground(0);
    ddlout_foreground(1);
    ddlout_foregroundcolour(10);
    // White text on the white background: black (declared) is used instead.
    ddlout_foregroundcolour(2);
    g_style.background_colour = 1;
    ddlout_foregroundcolour(1);  // black on black: white
    g_style.background_colour = 10;
    ddlout_foregroundcolour(10);  // red on red: cyan, declared only when used
    g_style.background_colour = 2;
    EXPECT_EQ(output(),
              "{foreground}\n"
              "{foreground COL_001 0x10000 0}\n"
              "{foreground COL_010 0x10000 0}\n"
              "{foreground COL_001 0x10000 0}\n"
              "{foreground COL_002 0x10000 0}\n"
              "{foreground {colour {rgb 0x00000 0x10000 0x10000}} 0x10000 0}\n");
}

}  // namespace

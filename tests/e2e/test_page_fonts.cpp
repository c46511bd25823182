// Fonts, sizes, colours and headings as written into the document text.
#include "page_format.h"

namespace {

using format_test::FormatTest;

class Fonts : public FormatTest {};

const char* const kBlack = "{foreground COL_001 0x10000 0}\n";
const char* const kRed = "{foreground COL_010 0x10000 0}\n";
const char* const kBlue = "{foreground COL_013 0x10000 0}\n";

TEST_F(Fonts, FontTagChangesFaceSizeColourAndRestoresThem)
{
    EXPECT_EQ(text("<body>a<font size=+1 color=\"#FF0000\" face=courier>b</font>c</body>"),
              std::string("\"a\"\nFONT_021\n{textsize 14000}\n") + kRed + "\"b\"\nFONT_001\n{textsize 12000}\n" +
                  kBlack + "\"c\"\n");
    // Nothing understood, nothing pushed; a stray close pops nothing.
    EXPECT_EQ(text("<body>a<font>b</font>c</font>d<font face=nosuch>e</font></body>"),
              "\"a\"\n\"b\"\n\"c\"\n\"d\"\n\"e\"\n");
    EXPECT_EQ(last_.err, "");
}

TEST_F(Fonts, OnlySixteenFontTagsAreTracked)
{
    std::string html = "<body>";
    std::string expected;
    for (int i = 0; i < 8; ++i) {
        html += "<font color=#FF0000><font color=#0000FF>";
        expected += std::string(kRed) + kBlue;
    }
    // The seventeenth is ignored, and so is its closing tag; the next one
    // pops the sixteenth (blue) back to red.
    html += "<font color=#FF0000>x</font></font>y</body>";
    expected += std::string("\"x\"\n") + kRed + "\"y\"\n";
    EXPECT_EQ(text(html), expected);
    EXPECT_EQ(last_.err, "QuilletW: Can only track 16 font effect changes, ignoring this one (17)...\n");
}

TEST_F(Fonts, DocumentColoursAreDeclaredBeforeTheText)
{
    RunResult r = run("<body><font color=\"#123456\">x</font><font color=orange>y</font></body>");
    // The first pass added #123456 as colour 18 and flagged the file's Orange.
    EXPECT_NE(r.output.find("\nCOL_017={colour "), std::string::npos);
    EXPECT_NE(r.output.find("\nCOL_018={colour \"(user) #123456\" {rgb 0x01200 0x03400 0x05600}"), std::string::npos);
    EXPECT_EQ(format_test::document_text(r.output), std::string("{foreground COL_018 0x10000 0}\n\"x\"\n") + kBlack +
                                                        "{foreground COL_017 0x10000 0}\n\"y\"\n" + kBlack);
    EXPECT_EQ(format_test::ddl_problems(r.output), "");
}

TEST_F(Fonts, BasefontSetsTheBaseOfLaterSizes)
{
    // Size 3 is the new base; closing it changes nothing.
    EXPECT_EQ(text("<body><basefont size=5>a<basefont size=5>b<font size=3>c</font></body>"),
              "{textsize 16000}\n\"a\"\n{textsize 20000}\n\"b\"\n{textsize 20000}\n\"c\"\n");
    // Ignored inside a size change; twelve is taken as points.
    EXPECT_EQ(text("<body><big><basefont size=3>a</big><basefont size=12>b</body>"),
              "{textsize 14000}\n\"a\"\n{textsize 12000}\n{textsize 12000}\n\"b\"\n");
}

TEST_F(Fonts, BigAndSmallStepFromTheSizeAround)
{
    EXPECT_EQ(text("<body><big><big><big><big><big>x</big></big></big></big></big>"
                   "<small><small><small>y</small></small></small></body>"),
              "{textsize 14000}\n{textsize 16000}\n{textsize 18000}\n{textsize 20000}\n{textsize 22000}\n"
              "\"x\"\n"
              "{textsize 20000}\n{textsize 18000}\n{textsize 16000}\n{textsize 14000}\n{textsize 12000}\n"
              "{textsize 10000}\n{textsize 8000}\n"
              "\"y\"\n"
              "{textsize 10000}\n{textsize 12000}\n");
}

TEST_F(Fonts, NestedHeadingsStartTheOuterHeadingAgain)
{
    EXPECT_EQ(text("<body><h2>one<h3>two</h3>three</h2>after</body>"),
              "{newpara}\n{H2}\n\"one\"\n"
              "{newpara}\n{H3}\n\"two\"\n{newline}\n"
              "{newpara}\n{H2}\n\"three\"\n{newline}\n"
              "{bold 0}{font}\n{textsize 12000}\nFONT_001 \n{newline}\n"
              "\"after\"\n");
}

TEST_F(Fonts, HeadingEndRestoresFontAlignmentAndEffects)
{
    EXPECT_EQ(text("<body><b><font face=arial><h1 align=center>T</h1></font></b></body>"),
              "{bold 1}\nFONT_041\n{bold 1}\n"
              "{align 1}\n{newline}\n{newpara}\n{H1}\n\"T\"\n{align 0}\n{newline}\n"
              "{bold 0}{font}\n{textsize 12000}\nFONT_041\n{bold 1}\n{newline}\n"
              "FONT_001\n{bold 1}\n{bold 0}\n");
    // Stray heading ends still bring back normal text.
    EXPECT_EQ(text("<body>x</h4>y</body>"),
              "\"x\"\n{newline}\n{bold 0}{font}\n{textsize 12000}\nFONT_001 \n{newline}\n\"y\"\n");
}

TEST_F(Fonts, HeadingsInBoldInsteadOfTheTemplate)
{
    config("tignoreheadings=true\ntheadingsinbold=true\n");
    EXPECT_EQ(text("<body><h1>T</h1>x</body>"),
              "{newpara}\n{bold 1}\n\n\"T\"\n{newline}\n{bold 0}{font}\n{textsize 12000}\nFONT_001 \n{newline}\n"
              "\"x\"\n");
    config("tignoreheadings=true\n");
    EXPECT_EQ(text("<body><h1>T</h1></body>"),
              "{newpara}\n\n\"T\"\n{newline}\n{bold 0}{font}\n{textsize 12000}\nFONT_001 \n{newline}\n");
}

TEST_F(Fonts, IgnoredFacesAndDocumentColours)
{
    config("tignorefonts=true\n");
    EXPECT_EQ(text("<body><font face=courier size=4>x</font></body>"), "{textsize 14000}\n\"x\"\n{textsize 12000}\n");
    config("gdisabledoccols=true\n");
    EXPECT_EQ(text("<body><font color=\"#FF0000\">x</font></body>"), "\"x\"\n");
    EXPECT_EQ(last_.err, "");
    config("gprocessblind=true\n");
    EXPECT_EQ(text("<body><font color=\"#FF0000\">x</font></body>"), "\"x\"\n");
    EXPECT_EQ(last_.err, "");
}

}  // namespace

// Paragraphs, alignment, block quotations, lists and rules as written into
// the document text.
#include "page_format.h"

namespace {

using format_test::FormatTest;

class Blocks : public FormatTest {};

TEST_F(Blocks, ParagraphsAndTheirAlignment)
{
    EXPECT_EQ(text("<body><p>text<p>more</body>"), "{newpara}\n\"text\"\n{newpara}\n\"more\"\n");
    EXPECT_EQ(text("<body><p align=center>x</p>y</body>"),
              "{newpara}\n{align 1}\n{newline}\n\"x\"\n{align 0}\n{newline}\n\"y\"\n");
    // A closing paragraph always goes back to the base alignment.
    EXPECT_EQ(text("<body><p>x</p>y</body>"), "{newpara}\n\"x\"\n{align 0}\n{newline}\n\"y\"\n");
    EXPECT_EQ(text("<body><center><p align=\"right\">x</p></center></body>"),
              "{align 1}\n{newline}\n{newpara}\n{align 2}\n{newline}\n\"x\"\n{align 0}\n{newline}\n"
              "{align 0}\n{newline}\n");
    config("tjustified=true\n");
    EXPECT_EQ(text("<body><p align=center>x</p><div align=justify>y</div></body>"),
              "{newpara}\n{align 1}\n{newline}\n\"x\"\n{align 3}\n{newline}\n\"y\"\n{align 3}\n{newline}\n");
}

TEST_F(Blocks, RepeatedAndForeignAlignments)
{
    EXPECT_EQ(text("<body><center><center>x</center>more</center></body>"),
              "{align 1}\n{newline}\n\"x\"\n{align 0}\n{newline}\n\"more\"\n{align 0}\n{newline}\n");
    // </center> finds the <div>'s alignment on top and leaves it there.
    EXPECT_EQ(text("<body><center><div align=right>x</center>y</div></body>"),
              "{align 1}\n{newline}\n{align 2}\n{newline}\n\"x\"\n{newline}\n\"y\"\n{align 0}\n{newline}\n");
    EXPECT_EQ(text("<body><left>a</left><right>b</right></body>"),
              "{align 0}\n{newline}\n\"a\"\n{newline}\n{align 2}\n{newline}\n\"b\"\n{align 0}\n{newline}\n");
}

TEST_F(Blocks, IgnoredAlignment)
{
    config("tignorealignment=true\n");
    EXPECT_EQ(text("<body><center>x</center><p align=right>y</p><div align=left>z</div><centre>w</centre></body>"),
              "\"x\"\n{newpara}\n\"yzw\"\n");
}

TEST_F(Blocks, BreaksAndRules)
{
    EXPECT_EQ(text("<body>a<br>b</br>c</body>"), "\"a\"\n{newline}\n\"b\"\n{newline}\n\"c\"\n");
    EXPECT_EQ(text("<body>a<hr>b</body>"),
              "\"a\"\n{newpara}\n{textsize 10000}\n\" [ \"\n{italic 1}\n\"horizontal rule\"\n{italic 0}\n"
              "\" ] \"\n{textsize 12000}\n{newline}\n\"b\"\n");
    // Inside italics the brackets are still upright.
    EXPECT_EQ(text("<body><i><hr align=center></i></body>"),
              "{italic 1}\n{newpara}\n{textsize 10000}\n{align 1}\n{newline}\n"
              "{italic 0}\n\" [ \"\n{italic 1}\n\"horizontal rule\"\n{italic 0}\n\" ] \"\n{italic 1}\n"
              "{textsize 12000}\n{align 0}\n{newline}\n{italic 0}\n");
}

TEST_F(Blocks, BlockQuotationsShareTheIndentWithLists)
{
    EXPECT_EQ(text("<body><blockquote>q<ul><li>i</ul></blockquote>after</blockquote></body>"),
              "{newline}{leftindent 1 28346}\n\"q\"\n{leftindent 1 56692}\n{newline}\n\"* i\"\n"
              "{leftindent 1 28346}\n{leftindent}\n\"after\"\n");
}

TEST_F(Blocks, ListsNumberAndBulletTheirItems)
{
    EXPECT_EQ(text("<body><ol><li>a<li>b</ol></body>"),
              "{leftindent 1 28346}\n{newline}\n\"1. a\"\n{newline}\n\"2. b\"\n{leftindent}\n{newline}\n");
    EXPECT_EQ(text("<body><ul><ul><li>x</ul></ul></body>"),
              "{leftindent 1 28346}\n{leftindent 1 56692}\n{newline}\n\"+ x\"\n{leftindent 1 28346}\n"
              "{leftindent}\n{newline}\n");
    EXPECT_EQ(text("<body><menu><li>a</menu><dir><li>b</dir></body>"),
              "{leftindent 1 28346}\n{newline}\n\"a\"\n{leftindent}\n{newline}\n"
              "{leftindent 1 28346}\n{newline}\n\"b\"\n{leftindent}\n{newline}\n");
    // Items outside a list, and stray list ends, write nothing.
    EXPECT_EQ(text("<body><li>x</ul></ol></dl></menu>y</body>"), "\"xy\"\n");
}

TEST_F(Blocks, DefinitionTermsAreBold)
{
    EXPECT_EQ(text("<body><dl><dt>term<dd>text</dl></body>"),
              "{leftindent 1 28346}\n{newline}\n{bold 1}\n\"term\"\n{bold 0}\n{newline}\n\"text\"\n"
              "{leftindent}\n{newline}\n");
    // Repeated terms do not stack; the list end switches bold off.
    EXPECT_EQ(text("<body><dl><dt>a<dt>b</dl></body>"),
              "{leftindent 1 28346}\n{newline}\n{bold 1}\n\"a\"\n{newline}\n\"b\"\n{bold 0}\n"
              "{leftindent}\n{newline}\n");
}

TEST_F(Blocks, ParagraphsCanResetTheStyles)
{
    config("aresetstylesonp=true\n");
    EXPECT_EQ(text("<body><b><i>x<p>y</b></body>"),
              "{bold 1}\n{italic 1}\n\"x\"\n{newpara}\n{bold 0}\n{italic 0}\n\"y\"\n{bold 0}\n");
    EXPECT_EQ(text("<body><ul><li>x<p align=center>y</body>"),
              "{leftindent 1 28346}\n{newline}\n\"* x\"\n{newpara}\n{leftindent}\n{align 1}\n{newline}\n\"y\"\n");
}

TEST_F(Blocks, KeptSpacesSeparateWordsBetweenTags)
{
    const std::string page = "<body><b>one</b> <i>two</i> <u>three</u><p> four &nbsp;<b>five</b></body>";
    // The design drops a space that stands alone between two tags.
    EXPECT_EQ(text(page),
              "{bold 1}\n\"one\"\n{bold 0}\n{italic 1}\n\"two\"\n{italic 0}\n"
              "{underline 1 {colourvalue COL_001 0x10000 0}}\n\"three\"\n{underline 0}\n"
              "{newpara}\n\"four \xA0\"\n{bold 1}\n\"five\"\n{bold 0}\n");
    config("mkeepspaces=true\n");
    EXPECT_EQ(text(page),
              "{bold 1}\n\"one\"\n{bold 0}\n{italic 1}\n\" two\"\n{italic 0}\n"
              "{underline 1 {colourvalue COL_001 0x10000 0}}\n\" three\"\n{underline 0}\n"
              "{newpara}\n\"four \xA0\"\n{bold 1}\n\"five\"\n{bold 0}\n");
    // Before a break the space goes: no line starts with it.
    EXPECT_EQ(text("<body><b>a</b> <br><i>b</i> </p>c</body>"),
              "{bold 1}\n\"a\"\n{bold 0}\n{newline}\n{italic 1}\n\"b\"\n{italic 0}\n{align 0}\n{newline}\n\"c\"\n");
}

}  // namespace

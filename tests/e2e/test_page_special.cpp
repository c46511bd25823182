// The program's own <quillet> commands, preformatted text, <embed> and the
// alignment around <img>.
#include "page_format.h"

namespace {

using format_test::FormatTest;

class Special : public FormatTest {};

TEST_F(Special, FontsizeAndLeadingInTheText)
{
    // Limited to 20 points, which is then the base of later sizes.
    EXPECT_EQ(text("<body><quillet fontsize=30><big>x</big><quillet leading=100></body>"),
              "{textsize 20000}\n{textsize 22000}\n\"x\"\n{textsize 20000}\n{leading 2 65535}\n");
    // Case matters after the body; only the first command word counts.
    EXPECT_EQ(text("<body><quillet FONTSIZE=14>a<quillet fontsize=14 leading=120>b</body>"),
              "\"a\"\n{textsize 14000}\n\"b\"\n");
}

TEST_F(Special, ScriptsCommentsAndMacros)
{
    EXPECT_EQ(text("<body><quillet ddlscript=\"{Bold 1}\"><quillet ddlcomment=\"Note\">x"
                   "<quillet macro=\"fsize\">y<quillet ddlscript=unquoted></body>"),
              "{bold 1}\n// note\n\"x\"\n{textsize 12000}\"y\"\n\n");
}

TEST_F(Special, FactsAboutTheRun)
{
    EXPECT_EQ(text("<body>[<quillet infile>] [<quillet outfile>] <quillet appname> <quillet appvers> "
                   "<quillet appdate></body>"),
              "\"[in.htm] [out.ddl] QuilletW 0.48WIN 25th August 2005\"\n");
}

TEST_F(Special, DebugCommands)
{
    text("<body><quillet debug on><quillet parsevars><quillet config>x</body>");
    const std::string tail =
        " because you are not using the debug-enabled version of !Quillet. Please read the "
        "release notes.\n";
    EXPECT_EQ(last_.err, "QuilletW: Can't execute <quillet debug on>" + tail +
                             "QuilletW: Can't execute <quillet debug parsevar>" + tail +
                             "QuilletW: Can't execute <quillet debug config>" + tail);
    // Switching debug off ends the alignment trace.
    config("adebug=true\n");
    EXPECT_EQ(text("<body><center>a</center><quillet debug off><center>b</center></body>"),
              "// Setting alignment CENTRED.\n//  align stack 00 : 0\n//  align stack 01 : 1\n"
              "{align 1}\n{newline}\n\"a\"\n{align 0}\n{newline}\n"
              "{align 1}\n{newline}\n\"b\"\n{align 0}\n{newline}\n");
}

TEST_F(Special, PreformattedTextIsMonospaced)
{
    EXPECT_EQ(text("<body>a<pre>  x\n  y</pre>b</body>"),
              "\"a\"\nFONT_021\n{newline}\n\"  x\"\n{newline}\n\"  y\"\nFONT_001\n{newline}\n\"b\"\n");
    // A font closed inside the block keeps the monospaced font.
    EXPECT_EQ(text("<body><font face=arial><xmp>t</font></xmp></body>"),
              "FONT_041\nFONT_021\n{newline}\n\"t\"\nFONT_021\nFONT_001\n{newline}\n");
    // A stray end of plain text leaves the text flowing.
    EXPECT_EQ(text("<body></plaintext>a\n   b</body>"), "{newline}\n\"a b\"\n");
}

TEST_F(Special, EmbeddedObjectsAreMarked)
{
    config("gusesmartquotes=false\n");
    EXPECT_EQ(text("<body>a<embed src=music/Theme.mid width=40 height=20></embed>b</body>"),
              "\"a\"\n\" [ \"\n{italic 1}\n\"embedded: \\\"theme.mid\\\", 40 x 20\"\n{italic 0}\n\" ] \"\n"
              "{newline}\n\"b\"\n");
    EXPECT_EQ(text("<body><i><embed align=right></embed></i></body>"),
              "{italic 1}\n{align 2}\n{newline}\n{italic 0}\n\" [ \"\n{italic 1}\n"
              "\"embedded: \\\"<filename unknown>\\\"\"\n{italic 0}\n\" ] \"\n{italic 1}\n"
              "{align 0}\n{newline}\n{italic 0}\n");
    config("gmarkembedded=false\n");
    EXPECT_EQ(text("<body>a<embed src=x.mid align=center></embed>b</body>"), "\"ab\"\n");
}

TEST_F(Special, PictureAlignmentAppliesToThePictureOnly)
{
    std::string t = text("<body><img align=center src=none.gif>b</body>");
    EXPECT_EQ(t.compare(0, 20, "{align 1}\n{newline}\n"), 0) << t;
    const std::string tail = "{align 0}\n{newline}\n\"b\"\n";
    ASSERT_GE(t.size(), tail.size());
    EXPECT_EQ(t.substr(t.size() - tail.size()), tail) << t;
    // Without an align attribute no alignment is written around it.
    t = text("<body><img src=none.gif>b</body>");
    EXPECT_EQ(t.find("{align"), std::string::npos) << t;
}

}  // namespace

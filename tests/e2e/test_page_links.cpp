// Links and the page values the first pass collects before the preamble.
#include "page_format.h"

namespace {

using format_test::FormatTest;

class Links : public FormatTest {};

std::string link_on(int colour)
{
    char buf[200];
    std::snprintf(buf, sizeof buf,
                  "{foreground COL_%03d 0x10000 0}\n"
                  "{underline 1 {type 1} {thickness 1310} {colourvalue COL_%03d 0x10000 0} "
                  "{wordunderline 0} {doubleunderline 0}}\n",
                  colour, colour);
    return buf;
}

const char* const kLinkOff = "{underline 0}\n{foreground}\n";

TEST_F(Links, WebLinksAreBlueAndUnderlined)
{
    EXPECT_EQ(text("<body><a href=\"http://example.org/\">t</a>u</body>"),
              link_on(13) + "\"t\"\n" + kLinkOff + "\"u\"\n");
    // Only the outer anchor's end closes the link.
    EXPECT_EQ(text("<body><a href=x><a href=y>t</a>u</a></body>"), link_on(13) + link_on(13) + "\"tu\"\n" + kLinkOff);
}

TEST_F(Links, BodyLinkColoursAndOtherSchemes)
{
    // link is orange (17); vlink, dark green (16), is used for other schemes.
    EXPECT_EQ(text("<body link=orange vlink=darkgreen><a href=\"http://x/\">t</a>"
                   "<a href=\"MailTo:m@example.org\">m</a></body>"),
              link_on(17) + "\"t\"\n" + kLinkOff + link_on(16) + "\"m\"\n" + kLinkOff);
    // vlink alone leaves the link colour unset: web links stay blue.
    EXPECT_EQ(text("<body vlink=orange alink=darkgreen><a href=\"http://x/\">t</a><a href=\"news:x\">n</a></body>"),
              link_on(13) + "\"t\"\n" + kLinkOff + link_on(17) + "\"n\"\n" + kLinkOff);
}

TEST_F(Links, OtherSchemesWithoutBodyColours)
{
    // Dark green is in the table but not used by the page: plain green.
    EXPECT_EQ(text("<body><a href=\"mailto:m@example.org\">m</a></body>"), link_on(12) + "\"m\"\n" + kLinkOff);
    EXPECT_EQ(
        text("<body><font color=darkgreen>g</font><a href=\"file:/x\">m</a></body>"),
        "{foreground COL_016 0x10000 0}\n\"g\"\n{foreground COL_001 0x10000 0}\n" + link_on(16) + "\"m\"\n" + kLinkOff);
    config("unonurlsingreen=false\n");
    EXPECT_EQ(text("<body><a href=\"mailto:m@example.org\">m</a></body>"), link_on(13) + "\"m\"\n" + kLinkOff);
}

TEST_F(Links, AnchorsWithoutHref)
{
    EXPECT_EQ(text("<body>a<a name=\"top\">t</a>u</body>"), std::string("\"a\"\n\"t\"\n") + kLinkOff + "\"u\"\n");
    config("uhighlightinblue=false\n");
    EXPECT_EQ(text("<body><a name=\"top\">t</a></body>"), link_on(1) + "\"t\"\n{underline 0}\n");
    config("uunderline=false\n");
    EXPECT_EQ(text("<body><a href=\"http://x/\">t</a></body>"),
              "{foreground COL_013 0x10000 0}\n\"t\"\n{foreground}\n");
}

class FirstPass : public FormatTest {
protected:
    // The page values line of the test template.
    std::string page_line(const std::string& html)
    {
        std::string out = run(html).output;
        size_t p = out.find("// page ");
        if (p == std::string::npos) return "";
        return out.substr(p, out.find('\n', p) - p);
    }
};

TEST_F(FirstPass, PageColoursReachThePreambleAndTheText)
{
    EXPECT_EQ(page_line("<body>x</body>"), "// page COL_002 COL_001 {textsize 12000} {leading 2 13107} {align 0}");
    EXPECT_EQ(page_line("<BODY BGCOLOR=\"#FFFF00\" Text=\"#0000FF\">x</body>"),
              "// page COL_011 COL_013 {textsize 12000} {leading 2 13107} {align 0}");
    // A closed colour goes back to the page's text colour.
    EXPECT_EQ(format_test::document_text(last_.output), "\"x\"\n");
    EXPECT_EQ(text("<body text=\"#0000FF\"><font color=\"#FF0000\">x</font></body>"),
              "{foreground COL_010 0x10000 0}\n\"x\"\n{foreground COL_013 0x10000 0}\n");
}

TEST_F(FirstPass, SizeAndLeadingBeforeTheBody)
{
    EXPECT_EQ(page_line("<quillet fontsize=30 leading=120><body>x</body>"),
              "// page COL_002 COL_001 {textsize 20000} {leading 2 78643} {align 0}");
    EXPECT_EQ(page_line("<QUILLET FONTSIZE=14><body>x</body>"),
              "// page COL_002 COL_001 {textsize 14000} {leading 2 13107} {align 0}");
    // After the body the first pass leaves them to the conversion.
    EXPECT_EQ(page_line("<body><quillet fontsize=9>x<quillet leading=100></body>"),
              "// page COL_002 COL_001 {textsize 12000} {leading 2 13107} {align 0}");
    EXPECT_EQ(format_test::document_text(last_.output), "{textsize 9000}\n\"x\"\n{leading 2 65535}\n");
}

TEST_F(FirstPass, ScriptsAndSwitchedOffColours)
{
    RunResult r = run("<body><script><font color=\"#123456\"></script><font color=\"#654321\">x</font></body>");
    EXPECT_EQ(r.output.find("123456"), std::string::npos);
    EXPECT_NE(r.output.find("\nCOL_018={colour \"(user) #654321\""), std::string::npos);

    config("gprocessblind=true\n");
    EXPECT_EQ(page_line("<body bgcolor=\"#FFFF00\"><font color=\"#654321\">x</font></body>"),
              "// page COL_002 COL_001 {textsize 12000} {leading 2 13107} {align 0}");
    EXPECT_EQ(last_.output.find("COL_018"), std::string::npos);
    EXPECT_EQ(last_.err, "");
    config("gdisabledoccols=true\n");
    EXPECT_EQ(page_line("<body bgcolor=\"#FFFF00\" text=\"#0000FF\">x</body>"),
              "// page COL_002 COL_001 {textsize 12000} {leading 2 13107} {align 0}");
}

TEST_F(FirstPass, ABackgroundThatCannotBeHadStaysWhite)
{
    // 150 colours fill the slots for document colours; the background finds none.
    std::string html;
    for (int i = 1; i <= 150; ++i) {
        char buf[40];
        std::snprintf(buf, sizeof buf, "<font color=#0000%02X>", i);
        html += buf;
    }
    EXPECT_EQ(page_line(html + "<body bgcolor=\"#FEDCBA\">x</body>"),
              "// page COL_002 COL_001 {textsize 12000} {leading 2 13107} {align 0}");
    EXPECT_NE(last_.err.find("Run out of user-defined colour slots"), std::string::npos);
    // Black text on white, not the contrast colour.
    EXPECT_EQ(format_test::document_text(last_.output), "\"x\"\n");
}

}  // namespace

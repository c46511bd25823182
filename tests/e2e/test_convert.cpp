// Whole conversions with a small template of the test's own, so that every
// byte of the output is known.
#include <gtest/gtest.h>

#include <string>

#include "harness.h"

namespace {

const char* const kDefinits =
    "#defcolours#\n"
    "COL_004={colour \"Four\" {rgb 0x00000 0x00000 0x00000}}\n"
    "#deffonts#\n"
    "FONT_001={font \"Trinity.Medium\"}\n"
    "#genpref#\n"
    "{genpref}\n"
    "#styles#\n"
    "#chap_a4pre#\n"
    "\xa4PSIZE\xa4\n"
    "{text \xa4"
    "ALIGN\xa4"
    "\xa4"
    "FSIZE\xa4}\n"
    "#chap_a4post#\n"
    "{post}\n"
    "#chap_finish#\n"
    "{finish}\n"
    "#head1#\n"
    "{h1}\n"
    "#END#\n";

const char* const kPreamble =
    "//->DDL\n"
    "// Produced by QuilletW v0.48WIN (25th August 2005)\n"
    "// Copyright (c) 2005 the Quillet developers\n"
    "//\n//\n// Input file \"in.htm\"\n//\n//\n\n"
    "DOC={document}\n\n"
    "COL_001={colour \"Black\" {cmyk 0x0 0x0 0x0 0x10000}{lock 1}}\n"
    "COL_002={colour \"White\" {rgb 0x10000 0x10000 0x10000}{lock 1}}\n"
    "COL_003={colour \"Transparent\" {rgb 0x10000 0x10000 0x10000}{transparent 1}}\n"
    "COL_010={colour \"VDU Red\" {rgb 0x10000 0x00000 0x00000}{overprintlimit 0xe666}}\n"
    "COL_011={colour \"VDU Yellow\" {rgb 0x10000 0x10000 0x00000}{overprintlimit 0xe666}}\n"
    "COL_012={colour \"VDU Green\" {rgb 0x00000 0x10000 0x00000}{overprintlimit 0xe666}}\n"
    "COL_013={colour \"VDU Blue\" {rgb 0x00000 0x00000 0x10000}{overprintlimit 0xe666}}\n"
    "COL_014={colour \"VDU Magenta\" {rgb 0x10000 0x00000 0x10000}{overprintlimit 0xe666}}\n"
    "COL_015={colour \"VDU Cyan\" {rgb 0x00000 0x10000 0x10000}{overprintlimit 0xe666}}\n"
    "\n\n\n"
    "COL_004={colour \"Four\" {rgb 0x00000 0x00000 0x00000}}\n"
    "\n"
    "FONT_001={font \"Trinity.Medium\"}\n"
    "\n"
    "{genpref}\n"
    "{papersize \"a4\" 0 {w 595276} {h 841890} {sideways 0}}\n"
    "{text {align 3}{textsize 12000}}{post}\n"  // a marker line has no line end of its own
    "{foreground COL_001 0x10000 0}\n";

class Convert : public ::testing::Test {
protected:
    ScratchDir d_{{"entities", "unierr", "revent", "colours", "fontmap", "fontexpt"}};
    void SetUp() override
    {
        d_.write("definits", kDefinits);
        config("");
    }
    void config(const std::string& extra) { d_.write("config", extra); }
    // The document text between the preamble and the finish section.
    std::string body(const std::string& html)
    {
        RunResult r = d_.convert(html);
        EXPECT_EQ(r.code, 0) << r.err;
        const std::string& out = r.output;
        if (out.compare(0, std::string(kPreamble).size(), kPreamble) != 0) {
            ADD_FAILURE() << "preamble differs:\n" << out;
            return std::string();
        }
        std::string rest = out.substr(std::string(kPreamble).size());
        const std::string finish = "{finish}\n";
        if (rest.size() < finish.size() || rest.compare(rest.size() - finish.size(), finish.size(), finish)) {
            ADD_FAILURE() << "no finish section:\n" << out;
            return rest;
        }
        last_err_ = r.err;
        return rest.substr(0, rest.size() - finish.size());
    }
    std::string last_err_;
};

TEST_F(Convert, PlainPageIsExactFromHeaderToFinish)
{
    RunResult r = d_.convert("<html><head><title>Ignored</title></head>\n<body>\nHello,   world.\n</body></html>\n");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "");
    // The line end before </body> is white space like any other.
    EXPECT_EQ(r.output, std::string(kPreamble) + "\"Hello, world. \"\n{finish}\n");
}

TEST_F(Convert, WhiteSpaceAroundTagsAndLineEnds)
{
    // One space before the tag and one after it stay; a run of white space,
    // line ends included, gives one space.
    EXPECT_EQ(body("<body>one <b> two\n\t   three</body>"), "\"one \"\n{bold 1}\n\" two three\"\n");
}

TEST_F(Convert, TextBeforeTheBodyAndAfterItsEndIsNotWritten)
{
    // Commands still go out after the end of the body; only text is held back.
    EXPECT_EQ(body("<title>T</title><!-- <b> --><body>in</body>out<p>more"), "\"in\"\n{newpara}\n");
}

TEST_F(Convert, SmartQuotesAndHyphens)
{
    EXPECT_EQ(body("<body>a \"quoted\" well-known it's</body>"), "\"a \x94quoted\x95 well\xADknown it\x91s\"\n");
    config("gusesmartquotes=false\ntnonbreakhyphens=false\n");
    EXPECT_EQ(body("<body>a \"quoted\" well-known it's</body>"), "\"a \\\"quoted\\\" well-known it's\"\n");
}

TEST_F(Convert, EntitiesNamedNumericAndUnknown)
{
    EXPECT_EQ(body("<body>fish &amp; chips &AMP; caf&eacute; &#65;&#x42; a&#9;b &bogus; & x &T y</body>"),
              "\"fish & chips & caf\xE9 AB a\"\n{tab}\n\"b \"\n"
              "{foreground COL_010 0x10000 0}\n\" [&bogus;] \"\n{foreground}\n"
              "\" & x &T y\"\n");
    config("aomitunknownents=true\n");
    EXPECT_EQ(body("<body>a &bogus; &; b</body>"), "\"a   b\"\n");
}

TEST_F(Convert, LongEntityNamesAreWrittenBack)
{
    // Twelve letters are collected; the rest is read as text.
    EXPECT_EQ(body("<body>&abcdefghijklmnop;</body>"), "\"&abcdefghijklmnop;\"\n");
}

TEST_F(Convert, BreaksAndLineFilling)
{
    std::string words;
    for (int i = 0; i < 20; ++i) words += "word ";
    EXPECT_EQ(body("<body>" + words + "<br>next<BR></body>"),
              "\"word word word word word word word word word word word word word word word wo\"\n"
              "\"rd word word word word \"\n{newline}\n\"next\"\n{newline}\n");
}

TEST_F(Convert, PlaintextKeepsLinesAndSpaces)
{
    EXPECT_EQ(body("<body>a<plaintext>  x  y\n\tz</plaintext> b</body>"),
              "\"a\"\n{newline}\n\"  x  y\"\n{newline}\n\"        z\"\n{newline}\n\"b\"\n");
}

TEST_F(Convert, ScriptsAreSkippedWithTheirTags)
{
    // <script> flushes the pending text; the space after </script> stays.
    EXPECT_EQ(body("<body>a<script>if (x < 1) { <b>bold</b> }</script> b</body>"), "\"a\"\n\" b\"\n");
}

TEST_F(Convert, LessThanSignsThatStartNoTag)
{
    EXPECT_EQ(body("<body>a < b <> c <=d <!x> e</body>"), "\"a < b <> c <=d <!x> e\"\n");
    EXPECT_EQ(body("<body>xyz</body>-<"), "\"xyz\"\n");
}

TEST_F(Convert, CommentsAndDeclarationsAreSkipped)
{
    EXPECT_EQ(body("<body>a<!-- x -> y -->b<!DOCTYPE html>c<! any >d</body>"), "\"a y \xAD\xAD>bcd\"\n");
}

TEST_F(Convert, ProcessedTagsAsCommentLines)
{
    config("aincludeprocessed=true\n");
    // Comment lines go straight out, before text still pending.
    EXPECT_EQ(body("<body>x<p align=center>y</zz><em>z</em></Body>"),
              "// <p align=center>> (token 44)\n"
              "\"x\"\n{newpara}\n{align 1}\n{newline}\n"
              "// </zz> (unrecognised)\n"
              "// <em> (token 36)\n"
              "\"y\"\n{italic 1}\n"
              "// </em> (token 164)\n"
              "\"z\"\n{italic 0}\n"
              "// </Body> (token 135)\n");
}

TEST_F(Convert, UnknownTagsShownInRedItalics)
{
    config("aincludeunknown=true\n");
    EXPECT_EQ(body("<body>a<blink x=1>b</body>"),
              "\"a\"\n{foreground COL_010 0x10000 0}\n\" [\"\n{italic 1}\n\"<blink ...>\"\n{italic 0}\n"
              "\"] \"\n{foreground}\n\"b\"\n");
}

TEST_F(Convert, UnsupportedLayoutWarnsOnce)
{
    EXPECT_EQ(body("<body><table><tr><td>x</td></tr></table><table></body>"), "\"x\"\n");
    EXPECT_EQ(last_err_,
              "QuilletW: Encountered unsupported HTML command <table>. This command usually affects "
              "the  document layout, so your converted document may not look entirely as it was "
              "intended.\n");
    config("gwarnunsupported=false\n");
    body("<body><table>x</body>");
    EXPECT_EQ(last_err_, "");
}

TEST_F(Convert, ControlCodesInsideATagWarnAndBecomeSpaces)
{
    // A control code in the name is part of the name; in the parameters it warns.
    EXPECT_EQ(body("<body>a<b\x01>b<b \x01\n>c</body>"), "\"ab\"\n{bold 1}\n\"c\"\n");
    // The first pass reads every tag too but leaves the warning to the conversion.
    EXPECT_EQ(last_err_, "QuilletW: Unexpected control code found in parameter of \"<b>\" (at line 1).\n");
}

TEST_F(Convert, ControlCodesPastTheParameterLimitAreNotReported)
{
    // Only the bytes that fit the 511-byte parameters are looked at; the
    // line feeds inside a tag's parameters are counted.
    std::string x400(400, 'x'), x600(600, 'x');
    EXPECT_EQ(body("<body>a<zz " + x600 + "\x01>b<zz " + x400 + "\n\x02" + x400 + ">c<b \x03>d</body>"),
              "\"abc\"\n{bold 1}\n\"d\"\n");
    const std::string zz = "QuilletW: Unexpected control code found in parameter of \"<zz>\" (at line 2).\n";
    const std::string b = "QuilletW: Unexpected control code found in parameter of \"<b>\" (at line 2).\n";
    EXPECT_EQ(last_err_, zz + b);
}

TEST_F(Convert, ParametersAreCutAt511Characters)
{
    std::string params(2000, 'x');
    EXPECT_EQ(body("<body>a<zz " + params + ">b</body>"), "\"ab\"\n");
}

}  // namespace

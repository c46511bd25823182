// Pages and scripts in UTF-8, UTF-16, Windows-1252 and ISO-8859-15 read
// into the host character set under the charsets setting, and the
// references it reads; with the setting off, the bytes as they are.
#include <gtest/gtest.h>

#include <string>

#include "page_format.h"
#include "test_script_common.h"

namespace {

using format_test::FormatTest;

// Plain quotes and hyphens, so that every byte of the text is the page's.
const char* const kPlain = "gusesmartquotes=false\ntnonbreakhyphens=false\n";
const std::string kOn = std::string(kPlain) + "mcharsets=true\n";

// The red marker of a reference without a character.
std::string marker(const std::string& ref)
{
    return "{foreground COL_010 0x10000 0}\n\" [" + ref + "] \"\n{foreground}\n";
}

std::string utf16(const std::string& ascii_or_latin1, bool le)
{
    std::string out;
    for (unsigned char c : ascii_or_latin1) {
        out += le ? std::string(1, static_cast<char>(c)) + '\0' : std::string(1, '\0') + static_cast<char>(c);
    }
    return out;
}

class Charsets : public FormatTest {
protected:
    void SetUp() override
    {
        FormatTest::SetUp();
        config(kOn);
    }
    // The whole output of a page given as raw bytes (no "<html>" added).
    RunResult raw(const std::string& bytes)
    {
        last_ = d_.convert(bytes);
        EXPECT_EQ(last_.code, 0) << last_.err;
        EXPECT_EQ(ddl_problems(last_.output), "");
        return last_;
    }
    std::string raw_text(const std::string& bytes) { return format_test::document_text(raw(bytes).output); }
};

// "Crème “q” €" in each set, and what the host gets: E8 for è, 0x94/0x95
// for the quotes, "EUR" for the euro.
const std::string kHost = "\"Cr\xE8me \x94q\x95 EUR\"\n";

TEST_F(Charsets, APageInEachSet)
{
    // UTF-8 undeclared (valid, with multi-byte sequences), and with a mark.
    const std::string u8 = "<body>Cr\xC3\xA8me \xE2\x80\x9Cq\xE2\x80\x9D \xE2\x82\xAC</body>";
    EXPECT_EQ(raw_text("<html>" + u8), kHost);
    EXPECT_EQ(raw_text("\xEF\xBB\xBF<html>" + u8), kHost);
    // UTF-16 both ways (the quotes U+201C/D and the euro U+20AC as units).
    std::string le = "\xFF\xFE" + utf16("<html><body>Cr\xE8me ", true) +
                     std::string("\x1C\x20q\0\x1D\x20 \0\xAC\x20", 10) + utf16("</body>", true);
    EXPECT_EQ(raw_text(le), kHost);
    std::string be = "\xFE\xFF" + utf16("<html><body>Cr\xE8me ", false) +
                     std::string("\x20\x1C\0q\x20\x1D\0 \x20\xAC", 10) + utf16("</body>", false);
    EXPECT_EQ(raw_text(be), kHost);
    // Windows-1252 undeclared (not UTF-8) and declared.
    const std::string w = "<body>Cr\xE8me \x93q\x94 \x80</body>";
    EXPECT_EQ(raw_text("<html>" + w), kHost);
    EXPECT_EQ(raw_text("<html><meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">" + w),
              kHost);
    // ISO-8859-15: the euro at 0xA4; its 0x93 is a control (a space), so
    // plain quotes here.
    EXPECT_EQ(raw_text("<html><meta charset=ISO-8859-15><body>Cr\xE8me \"q\" \xA4</body>"),
              "\"Cr\xE8me \\\"q\\\" EUR\"\n");
    EXPECT_EQ(last_.err, "");
}

TEST_F(Charsets, DetectionOrder)
{
    // “ is E2 80 9C in UTF-8; read as Windows-1252 those bytes are â, the
    // euro and œ: E2, "EUR", "oe".
    const std::string quote = "<body>\xE2\x80\x9C</body>";
    // A mark wins over a declaration.
    EXPECT_EQ(raw_text("\xEF\xBB\xBF<html><meta charset=windows-1252>" + quote), "\"\x94\"\n");
    // A declaration wins over the bytes.
    EXPECT_EQ(raw_text("<html><meta charset=\"latin1\">" + quote),
              "\"\xE2"
              "EURoe\"\n");
    // Not declared: valid UTF-8 is UTF-8; one broken byte makes it all
    // Windows-1252.
    EXPECT_EQ(raw_text("<html>" + quote), "\"\x94\"\n");
    EXPECT_EQ(raw_text("<html>" + quote + "\xE9"),
              "\"\xE2"
              "EURoe\"\n");
    // A name that is not read: its message, and Windows-1252.
    EXPECT_EQ(raw_text("<html><meta charset=\"KOI8-R\">" + quote),
              "\"\xE2"
              "EURoe\"\n");
    EXPECT_EQ(last_.err,
              "QuilletW: The page's character set \"KOI8-R\" is not supported; its text is read as "
              "Windows-1252.\n");
    // Declared UTF-8: a byte that starts no sequence is its Windows-1252
    // character (0x93, the opening quote).
    EXPECT_EQ(raw_text("<html><meta charset=utf-8><body>\xC3\xA9\x93</body>"), "\"\xE9\x94\"\n");
}

TEST_F(Charsets, SettingOffReadsTheBytes)
{
    const std::string page = "<body>Cr\xC3\xA8me &#8217; &#150;</body>";
    config(kPlain);
    EXPECT_EQ(text(page), "\"Cr\xC3\xA8me \"\n" + marker("&#8217;") + "\" \x96\"\n");
    // An ASCII page reads the same with the setting on or off.
    const std::string ascii = "<body><p>a &amp; b<img alt=x>c</p></body>";
    std::string off = run(ascii).output;
    config(kOn);
    EXPECT_EQ(run(ascii).output, off);
}

TEST_F(Charsets, References)
{
    // Above 255 through the host mapping; 128-159 as Windows-1252; the
    // tables' names keep their values; HTML5 names the tables lack.
    EXPECT_EQ(text("<body>&#8217;&#x2014;&#150;&#133;&#x20AC;&#8482;&#x105;&#8203;|&rsquo;&Lstrok;&hellip;&zwj;|"
                   "&Tab;x</body>"),
              "\"\x91--...EUR(TM)a|\x91L...|\"\n{tab}\n\"x\"\n");
    // Without a host form: the marker (one for a run of letters), counted
    // in the end message; the longest HTML5 name is read whole.
    std::string out = text("<body>&#x4E2D; &#20013; &CounterClockwiseContourIntegral; &#1114112;</body>");
    for (const char* ref : {"Han: 2 characters", "&CounterClockwiseContourIntegral;", "&#1114112;"})
        EXPECT_NE(out.find(marker(ref)), std::string::npos) << ref;
    EXPECT_EQ(last_.err, "QuilletW: 4 characters of this page have no form in the host character set.\n");
    // A name without ';' is written back as text; a tag after it is read.
    EXPECT_EQ(text("<body>AT&T<b>x</b> Q&A</body>"), "\"AT&T\"\n{bold 1}\n\"x\"\n{bold 0}\n\" Q&A\"\n");
    config(kOn + "aomitunknownents=true\n");
    EXPECT_EQ(text("<body>a&#x4E2D;b</body>"), "\"ab\"\n");
}

TEST_F(Charsets, CharactersWithoutHostFormByContext)
{
    // In text the marker; in a tag's parameter '?' (a comment command's
    // text; the a-ogonek beside it is its letter); in the title '?'.
    // Three in all.
    std::string out = raw_text(
        "<html><head><title>\xE4\xB8\xAD</title></head><body>a\xE4\xB8\xAD"
        "b<quillet ddlcomment=\"\xE4\xB8\xAD\xC4\x85\"></body>");
    EXPECT_NE(out.find("\"a\"\n" + marker("Han: 1 character")), std::string::npos) << out;
    EXPECT_NE(out.find("\"b\"\n// ?a\n"), std::string::npos) << out;
    EXPECT_EQ(last_.err, "QuilletW: 3 characters of this page have no form in the host character set.\n");
}

TEST_F(Charsets, TagsAndPreformattedTextAreDecoded)
{
    // A <quillet> command's text and a preformatted block see host bytes.
    EXPECT_EQ(raw_text("<html><body><quillet ddlcomment=\"Cr\xC3\xA8me\"><pre>\xE2\x80\x93x</pre></body>"),
              "// cr\xE8me\nFONT_021\n{newline}\n\"-x\"\nFONT_001\n{newline}\n");
}

TEST_F(Charsets, FirstByteAbove127PastTheFirstBlock)
{
    // A page read as it is until its first byte above 127, 100 KB in, then
    // from its copy in host bytes: UTF-8 (valid, undeclared), and
    // Windows-1252 (not UTF-8), the dagger of which has no host form.
    std::string head = "<html><head><title>t</title></head><body><p>";
    for (int i = 0; i < 10000; ++i) head += "word word ";
    std::string out = raw(head + "Cr\xC3\xA8me \xE2\x80\x9Cq\xE2\x80\x9D \xE4\xB8\xAD</body>").output;
    EXPECT_NE(out.find("Cr\xE8me \x94q\x95 \"\n" + marker("Han: 1 character")), std::string::npos);
    EXPECT_EQ(last_.err, "QuilletW: 1 characters of this page have no form in the host character set.\n");
    out = raw(head + "Cr\xE8me \x93q\x94 \x86</body>").output;
    EXPECT_NE(out.find("Cr\xE8me \x94q\x95 \"\n" + marker("&#x2020;")), std::string::npos);
    // A script starting before the first block's end gives '?' after it.
    ScriptDir sd{kOn};
    std::string script = std::string(kShortHeader);
    for (int i = 0; i < 10000; ++i) script += "line line\n";
    RunResult r = sd.script(script + "Jos\xC3\xA9 \xE4\xB8\xAD");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.output.find("Jos\xE9 ?\""), std::string::npos);
}

TEST_F(Charsets, TheInputKeepsItsIdentity)
{
    // A script read through its copy that continues into itself is
    // refused as a file already read.
    ScriptDir sd{kOn};
    RunResult r = sd.script(std::string(kShortHeader) + "Jos\xC3\xA9<continue in.htm>");
    EXPECT_EQ(r.code, 44);
    EXPECT_EQ(r.err, msg("Can't open file \"in.htm\" for Dramaton continuation, it has already been read and the "
                         "script would never end, aborting... [5]"));
    // A mark with nothing after it is an empty page.
    r = d_.convert("\xEF\xBB\xBF");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "QuilletW: This file is empty! Aborting process.\n");
}

TEST_F(Charsets, LineNumbersAndStandardInput)
{
    // A UTF-16 page read through a pipe: decoded like a file; its line
    // feeds, two bytes each, still count one line each.
    d_.set_stdin("\xFF\xFE" + utf16("<html>\n<body>\nCr\xE8me<p align=\"\x01\">\n</body>", true));
    RunResult r = d_.run({"-", "out.ddl"}, "out.ddl");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(format_test::document_text(r.output).find("\"Cr\xE8me\"\n"), std::string::npos) << r.output;
    EXPECT_EQ(r.err, "QuilletW: Unexpected control code found in parameter of \"<p>\" (at line 3).\n");
}

TEST(CharsetScript, Utf8Script)
{
    ScriptDir d{kOn};
    RunResult r = d.script(std::string(kShortHeader) + "Jos\xC3\xA9 \xE2\x80\x94 \xE4\xB8\xAD");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(script_body(r.output), "\"Jos\xE9 - ?\"\n");
    EXPECT_EQ(r.err, msg("1 characters of this page have no form in the host character set."));

    // A continuation is detected on its own: Windows-1252 after a UTF-8
    // script, a UTF-8 one after a Windows-1252 script; its count joins the
    // page's.
    d.write("part2.txt", "Cr\xE8me \x93q\x94 \x86");
    r = d.script(std::string(kShortHeader) + "\xC3\xA9 <continue part2.txt>");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(script_body(r.output), "\"\xE9 \"\n\"Cr\xE8me \x94q\x95 ?\"\n");
    EXPECT_EQ(r.err, msg("1 characters of this page have no form in the host character set."));
    d.write("part2.txt", "\xC3\xA9\xE2\x80\x9D");
    r = d.script(std::string(kShortHeader) + "\xE9 <continue part2.txt>");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(script_body(r.output), "\"\xE9 \"\n\"\xE9\x95\"\n");
}

}  // namespace

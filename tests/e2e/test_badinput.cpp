// Malformed inputs and support files: no crash, no hang, the design's
// message where it names one; malformed and extreme pages through the
// formatting handlers keep the DDL well formed.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "harness.h"
#include "page_format.h"

namespace {

std::string garbage(size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(rng() & 0xFF);
    return s;
}

TEST(BadInput, BinaryGarbageAfterTheBodyConverts)
{
    ScratchDir d;
    for (unsigned seed = 1; seed <= 8; ++seed) {
        std::string page = "<html><body>" + garbage(20000, seed);
        RunResult r = d.convert(page);
        EXPECT_EQ(r.code, 0) << "seed " << seed;
        EXPECT_TRUE(r.has_output);
        EXPECT_EQ(r.err.find("memtrace"), std::string::npos);
    }
}

TEST(BadInput, HugeTagsLinesAndEntities)
{
    ScratchDir d;
    std::string page = "<body>" + std::string(100000, 'x') + "<" + std::string(100000, 'a') + " " +
                       std::string(100000, '"') + ">&" + std::string(50000, 'e') + ";" + std::string(5000, '<') +
                       std::string(5000, '&') + "<!--" + std::string(1000, '-');
    RunResult r = d.convert(page);
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.has_output);
}

TEST(BadInput, GarbageSupportFiles)
{
    for (const char* f : {"config", "definits", "entities", "unierr", "revent", "colours", "fontmap", "fontexpt"}) {
        ScratchDir d;
        // Long lines without line ends, NUL bytes and high bytes.
        d.write(f, garbage(5000, 7) + std::string(3000, '#') + std::string(1, '\0') +
                       "\xa4"
                       "AL");
        RunResult r = d.convert("<html><body>Some <b>text</b> &amp; &eacute;</body></html>");
        EXPECT_TRUE(r.code == 0) << f << ": " << r.code << " " << r.err;
    }
}

TEST(BadInput, TemplateMarkersAtTheEndOfLines)
{
    ScratchDir d;
    d.write("definits",
            "#chap_a4pre#\nx\xa4\n\xa4"
            "ALI\n\xa4PSIZE\n\xa4"
            "MRGNS\xa4\xa4\n#chap_finish#\nend\xa4");
    RunResult r = d.convert("<html><body>text</body></html>");
    EXPECT_EQ(r.code, 0);
    // Marker lines have no line end of their own; cut markers have no value.
    EXPECT_NE(r.output.find("x{papersize \"a4\" 0 {w 595276} {h 841890} {sideways 0}}\n{fcurve"), std::string::npos);
}

}  // namespace

// Malformed and extreme pages through the formatting handlers: deep
// nesting, stray closing tags, cut-off attributes and huge values. None may
// crash or hang the run, and the DDL must stay well formed.
namespace {

using format_test::ddl_problems;
using format_test::FormatTest;

class FormatBadInput : public FormatTest {
protected:
    void converts(const std::string& html)
    {
        RunResult r = run(html);
        EXPECT_TRUE(r.has_output) << html.substr(0, 80);
        EXPECT_EQ(ddl_problems(r.output), "") << html.substr(0, 80);
    }
};

std::string repeat(const std::string& s, int n)
{
    std::string r;
    for (int i = 0; i < n; ++i) r += s;
    return r;
}

TEST_F(FormatBadInput, ThousandfoldNesting)
{
    const char* const opens[] = {
        "<ul><li>",
        "<ol><li>",
        "<dl><dt>",
        "<blockquote>",
        "<font face=courier size=+1 color=#FF0000>",
        "<big>",
        "<small>",
        "<center>",
        "<div align=right>",
        "<p align=left>",
        "<h1>",
        "<h3 align=center>",
        "<a href=\"http://x/\">",
        "<pre>",
        "<b><i><u>",
        "<embed align=center>",
        "<hr align=right>",
    };
    const char* const closes[] = {
        "</ul>", "</ol>", "</dl>", "</blockquote>", "</font>", "</big>",       "</small>", "</center>", "</div>",
        "</p>",  "</h1>", "</h3>", "</a>",          "</pre>",  "</u></i></b>", "</embed>", "</hr>",
    };
    for (size_t i = 0; i < sizeof opens / sizeof opens[0]; ++i)
        converts("<body>" + repeat(std::string(opens[i]) + "x ", 1000) + repeat(closes[i], 1000) + "end</body>");
    // All of them at once, closed in the wrong order.
    std::string all;
    for (const char* o : opens) all += o;
    std::string ends;
    for (const char* c : closes) ends += c;
    converts("<body>" + repeat(all + "y", 100) + repeat(ends, 120) + "</body>");
}

TEST_F(FormatBadInput, OverflowWithoutRecoveryEndsTheRun)
{
    config("atrytorecover=false\n");
    RunResult r = d_.convert("<html><body>" + repeat("<ul>", 20) + "x</body>");
    EXPECT_EQ(r.code, 50);
    EXPECT_NE(r.err.find("Too many nested indentation changes, can't keep track of >16. Aborting."), std::string::npos);
}

TEST_F(FormatBadInput, StrayClosingTags)
{
    converts(
        "<body>a</a></font></basefont></big></small></h1></h6></p></div></center></left></right>"
        "</blockquote></ul></ol></dl></dir></menu></li></dt></dd></hr></pre></listing></xmp>"
        "</plaintext></embed></img></quillet></script>b</body>");
}

TEST_F(FormatBadInput, AttributesCutOffByTheEndOfTheInput)
{
    for (const char* tail : {"<font color=\"#FF0000", "<font face=\"", "<a href=\"mailto:", "<p align=\"",
                             "<quillet ddlscript=\"abc", "<quillet macro=\"", "<embed src=\"x", "<basefont size=",
                             "<img align=center src=\"", "<h2 align=", "<div align", "<quillet fontsize="}) {
        // The first pass meets it as well as the conversion.
        converts(std::string("<body>text ") + tail);
    }
    converts("<body bgcolor=\"");
    converts("<body vlink=");
    converts("<body text=\"#12");
}

TEST_F(FormatBadInput, HugeValues)
{
    const std::string nines(40, '9');
    converts("<body><font size=" + nines + ">a</font><font size=-" + nines +
             ">b</font>"
             "<basefont size=" +
             nines + ">c<basefont size=-" + nines +
             ">d"
             "<quillet fontsize=" +
             nines + ">e<quillet leading=-" + nines +
             ">f"
             "<embed src=" +
             std::string(400, 'n') + " width=" + nines + " height=" + nines +
             ">g"
             "<font color=\"#" +
             std::string(300, 'f') +
             "\">h</font>"
             "<font face=\"" +
             std::string(300, 'z') +
             "\">i</font>"
             "<quillet ddlscript=\"" +
             std::string(200, 'q') + "\">j</body>");
}

}  // namespace

// ---- Inputs that are no page --------------------------------------------

namespace {

std::string quillet_msg(const std::string& text) { return "QuilletW: " + text + "\n"; }

const std::string kPage = "<html><body><p>Some <b>bold</b> text.</p></body></html>\n";

}  // namespace

TEST(NoPage, FoldersAndDevicesAreRefusedWithTheirReason)
{
    ScratchDir d;
    d.write("out.ddl", "earlier");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"missing.htm", "No such file or directory"}, {".", "it is a folder"},         {"/dev/zero", "it is a device"},
        {"/dev/urandom", "it is a device"},           {"/dev/null", "it is a device"},
    };
    for (const auto& c : cases) {
        RunResult r = d.run({c.first, "out.ddl"}, "out.ddl");
        EXPECT_EQ(r.code, 10) << c.first;
        EXPECT_EQ(r.err, quillet_msg("Couldn't open input file \"" + c.first + "\" (" + c.second + ").")) << c.first;
        EXPECT_EQ(r.output, "earlier") << c.first;
    }
}

TEST(NoPage, AnOutputGivenAsTheInputLeavesThePageAsItWas)
{
    ScratchDir d;
    d.write("page.htm", kPage);
    ASSERT_EQ(d.run({"page.htm", "page.ddl"}).code, 0);
    // The names swapped: the output is refused as a page, before the page
    // is written over.
    RunResult r = d.run({"page.ddl", "page.htm"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, quillet_msg("The input file \"page.ddl\" is a DDL file, not an HTML page: were the input and "
                                 "output names swapped?"));
    EXPECT_EQ(d.read("page.htm"), kPage);
    // Through standard input too; a page that only mentions the mark is
    // a page.
    d.set_stdin(d.read("page.ddl"));
    r = d.run({"-", "page.htm"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(d.read("page.htm"), kPage);
    d.set_stdin(" //->DDL" + kPage);
    EXPECT_EQ(d.run({"-", "new.ddl"}).code, 0);
}

TEST(NoPage, AFragmentNeedsAKnownTagAndNoNul)
{
    ScratchDir d;
    d.write("config", shipped_as_is("config"));
    const std::string refused = quillet_msg(
        "Reached end of file without finding '<body>', this file does not seem to be an HTML document. Abandoning "
        "process...");
    RunResult r = d.convert("A fragment with <b>a known tag</b> in it.");
    EXPECT_EQ(r.code, 0) << r.err;
    r = d.convert("Only <blink>unknown</blink> <frob> tags in this text.");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, refused);
    EXPECT_FALSE(r.has_output);
    r = d.convert(std::string("A fragment <b>with a NUL\0 byte</b> in it.", 38));
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, refused);
    // UTF-16 is no fragment without its mark, and one with it.
    std::string text = "A fragment with <b>a known tag</b> in it.", le, marked = "\xFF\xFE";
    for (char c : text) le += std::string{c, '\0'};
    r = d.convert(le);
    EXPECT_EQ(r.code, 1);
    r = d.convert(marked + le);
    EXPECT_EQ(r.code, 0) << r.err;
}

TEST(NoPage, AFailingTemporaryFolderIsNamed)
{
    ScratchDir d;
    d.write("out.ddl", "earlier");
    d.set_stdin(kPage);
    for (const std::string& tmp : {d.path("none"), d.path("out.ddl")}) {
        d.clear_env();
        d.set_env("TMPDIR", tmp);
        RunResult r = d.run({"-", "out.ddl"}, "out.ddl");
        EXPECT_EQ(r.code, 10) << tmp;
        std::string why = tmp == d.path("none") ? "No such file or directory" : "Not a directory";
        EXPECT_EQ(r.err, quillet_msg("Couldn't write a temporary copy of \"-\" in \"" + tmp + "\" (" + why + ")."));
        EXPECT_EQ(r.output, "earlier");
    }
    // A temporary folder that can be written is used.
    std::filesystem::create_directory(d.path("tmp"));
    d.clear_env();
    d.set_env("TMPDIR", d.path("tmp"));
    EXPECT_EQ(d.run({"-", "out.ddl"}).code, 0);
    EXPECT_TRUE(std::filesystem::is_empty(d.path("tmp"))) << "a temporary copy was left behind";
}

// The text effect tags through whole conversions, with small support files
// of the test's own so that the document text is known byte for byte.
#include <gtest/gtest.h>

#include <string>

#include "harness.h"

namespace {

const char* const kDefinits =
    "#defcolours#\n"
    "#deffonts#\n"
    "FONT_001={font \"Body\"}\n"
    "#genpref#\n"
    "#styles#\n"
    "#chap_a4pre#\n"
    "#chap_a4post#\n"
    "#chap_finish#\n"
    "{finish}\n"
    "#strikeout#\n"
    "{strikeout 1 {colour COL_001}}\n"
    "#END#\n";

const std::string kFinish = "{finish}\n";

class Effects : public ::testing::Test {
protected:
    ScratchDir d_{std::vector<std::string>{}};

    void SetUp() override
    {
        d_.write("definits", kDefinits);
        d_.write("config", "; defaults\n");
        d_.write("colours", "FF0000Red\n");
        d_.write("fontmap", "Arial ~ 41\n");
        d_.write("fontexpt", "corpus ~ Mono\n");
        d_.write("entities", "&amp\n");
        d_.write("unierr", "");
        d_.write("revent", "");
    }

    void config(const std::string& text) { d_.write("config", text); }

    // The document text between the body's first colour command and the
    // finish section; empty (and a failure) when the run went wrong.
    std::string body(const std::string& html)
    {
        last_ = d_.convert(html);
        EXPECT_EQ(last_.code, 0) << last_.err;
        std::string b = body_of(last_.output);
        if (b.size() < kFinish.size() || b.compare(b.size() - kFinish.size(), kFinish.size(), kFinish)) {
            ADD_FAILURE() << "no finish section in: " << last_.output;
            return std::string();
        }
        return b.substr(0, b.size() - kFinish.size());
    }

    static std::string repeat(const std::string& s, int n)
    {
        std::string r;
        for (int i = 0; i < n; ++i) r += s;
        return r;
    }

    RunResult last_;
};

TEST_F(Effects, NestedBoldEndsAtTheOutermostClose)
{
    EXPECT_EQ(body("<body><b><b>x</b>y</b></body>"), "{bold 1}\n{bold 1}\n\"xy\"\n{bold 0}\n");
    // A stray close takes the count to zero first and still writes the off command.
    EXPECT_EQ(body("<body>a</b>b</body>"), "\"a\"\n{bold 0}\n\"b\"\n");
    EXPECT_EQ(last_.err, "");
}

TEST_F(Effects, PhraseTags)
{
    EXPECT_EQ(body("<body><cite>c</cite><dfn>d</dfn><em>e</em><STRONG>s</STRONG><i>i</i></body>"),
              "{italic 1}\n\"c\"\n{italic 0}\n{bold 1}\n\"d\"\n{bold 0}\n{italic 1}\n\"e\"\n{italic 0}\n"
              "{bold 1}\n\"s\"\n{bold 0}\n{italic 1}\n\"i\"\n{italic 0}\n");
    EXPECT_EQ(body("<body><u>u</u><var>v</var></body>"),
              "{underline 1 {colourvalue COL_001 0x10000 0}}\n\"u\"\n{underline 0}\n"
              "{italic 1}\n\"v\"\n{italic 0}\n");
}

TEST_F(Effects, IgnoredEffects)
{
    config("tignoreeffects=true\n");
    // Bold, italic and underline change nothing; the close of <var> still writes.
    EXPECT_EQ(body("<body><b>a</b><i>b</i><u>c</u><cite>d</cite><var>x</var></body>"), "\"abcdx\"\n{italic 0}\n");
    // Strikeout, sub- and superscript and the monospaced tags do not look at it.
    EXPECT_EQ(body("<body><s>a</s><sub>b</sub><tt>c</tt><kbd>d</kbd></body>"),
              "{strikeout 1 {colour COL_001}}\n\"a\"\n{strikeout 0}\n{sub 1}\n\"b\"\n{sub 0}\n"
              "FONT_021\n\"c\"\nFONT_001\nFONT_021\n{italic 1}\n\"d\"\n{italic 0}\nFONT_001\n");
}

TEST_F(Effects, Strikeout)
{
    EXPECT_EQ(body("<body><s>a<strike>b</strike>c</s></body>"),
              "{strikeout 1 {colour COL_001}}\n\"a\"\n{strikeout 1 {colour COL_001}}\n\"b\"\n\"c\"\n"
              "{strikeout 0}\n");
}

TEST_F(Effects, SubAndSuperscript)
{
    EXPECT_EQ(body("<body><sup><sub>x</sub></sup></body>"),
              "{super 1}\n// selected subscript whilst in superscript!\n{sub 1}\n\"x\"\n{sub 0}\n{super 0}\n");
    EXPECT_EQ(body("<body><sub>a<sup>b</sup></sub></body>"),
              "{sub 1}\n\"a\"\n// selected superscript whilst in subscript!\n{super 1}\n\"b\"\n{super 0}\n"
              "{sub 0}\n");
}

TEST_F(Effects, MonospacedAndAddress)
{
    EXPECT_EQ(body("<body><tt>a</tt><samp>s</samp></body>"), "FONT_021\n\"a\"\nFONT_001\nFONT_021\n\"s\"\nFONT_001\n");
    // The active effects are written again after every font change.
    EXPECT_EQ(body("<body><b>x<code>y</code></b></body>"),
              "{bold 1}\n\"x\"\nFONT_021\n{bold 1}\n\"y\"\nFONT_001\n{bold 1}\n{bold 0}\n");
    EXPECT_EQ(body("<body><b><kbd>x</kbd></b></body>"),
              "{bold 1}\nFONT_021\n{bold 1}\n{italic 1}\n\"x\"\n{italic 0}\nFONT_001\n{bold 1}\n{bold 0}\n");
    EXPECT_EQ(body("<body><address>a</address></body>"), "FONT_041\n{italic 1}\n\"a\"\n{italic 0}\nFONT_001\n");
    // Closing the inner font brings back the outer one with the effects.
    EXPECT_EQ(body("<body><address><tt>a</tt>b</address></body>"),
              "FONT_041\n{italic 1}\nFONT_021\n{italic 1}\n\"a\"\nFONT_041\n{italic 1}\n\"b\"\n{italic 0}\n"
              "FONT_001\n");
}

TEST_F(Effects, ClosingSpanBeforeAWord)
{
    EXPECT_EQ(body("<body><span>Cast</span>Name<span>x</span> y<span>z</span>9<span>q</span><br></body>"),
              "\"Cast\"\n{tab}\n\"Namex yz\"\n{tab}\n\"9q\"\n{newline}\n");
    // At the very end of the input there is nothing to look at.
    EXPECT_EQ(body("<body>a</span>\xE9</body>b</span>"), "\"a\xE9\"\n");
}

TEST_F(Effects, FontStackOverflowRecovers)
{
    EXPECT_EQ(body("<body>" + repeat("<tt>", 17) + "x</body>"), "FONT_021\nFONT_001\n\"x\"\n");
    EXPECT_EQ(last_.err,
              "QuilletW: TryToRecover: Too many nested font changes (>16) - resetting the font "
              "stack, your output document may not be quite correct.\n");
}

TEST_F(Effects, FontStackOverflowWithoutRecoveryEnds)
{
    config("atrytorecover=false\n");
    RunResult r = d_.convert("<body>" + repeat("<samp>", 17) + "x</body>");
    EXPECT_EQ(r.code, 50);
    EXPECT_EQ(r.err, "QuilletW: Too many nested font changes, can't keep track of >16. Aborting.\n");
}

TEST_F(Effects, DeepNesting)
{
    // Counters have no depth limit: one off command after a thousand opens.
    EXPECT_EQ(body("<body>" + repeat("<b>", 1000) + "x" + repeat("</b>", 1000) + "</body>"),
              repeat("{bold 1}\n", 1000) + "\"x\"\n{bold 0}\n");
    // A thousand addresses overflow the font stack every seventeenth push.
    std::string b = body("<body>" + repeat("<address>", 1000) + "x" + repeat("</address>", 1000) + "</body>");
    size_t messages = 0;
    for (size_t at = last_.err.find("TryToRecover"); at != std::string::npos;
         at = last_.err.find("TryToRecover", at + 1))
        ++messages;
    EXPECT_EQ(messages, 1000u / 17u);
    const std::string tail = "{italic 0}\nFONT_001\n";
    ASSERT_GE(b.size(), tail.size());
    EXPECT_EQ(b.substr(b.size() - tail.size()), tail);
    // Font tags nested as deep, with attributes for every sub-parser.
    RunResult r = d_.convert("<body>" + repeat("<font size=+1 face=\"arial,x\" color=red>", 1000) + "x" +
                             repeat("</font>", 1000) + "</body>");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.output.substr(r.output.size() - kFinish.size()), kFinish);
}

TEST_F(Effects, MalformedTags)
{
    // Unterminated quotes, huge values and 8-bit bytes in the parameters are read and ignored.
    std::string huge(5000, '\xC4');
    EXPECT_EQ(body("<body><b title=\"" + huge + "\">a</b><i class='x>b</i><u \xFF\xFE=\x80>c</u></body>"),
              "{bold 1}\n\"a\"\n{bold 0}\n{italic 1}\n\"b\"\n{italic 0}\n"
              "{underline 1 {colourvalue COL_001 0x10000 0}}\n\"c\"\n{underline 0}\n");
}

}  // namespace

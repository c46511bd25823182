// Today's tags under the html5tags setting, each beside the design's
// reading with the setting off; the slash alone, read the same either way;
// and the real-world pages converting with the shipped configuration.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "page_format.h"

namespace {

using format_test::FormatTest;

const char* const kOn = "mhtml5tags=true\n";

class Html5 : public FormatTest {
protected:
    void SetUp() override
    {
        FormatTest::SetUp();
        config(kOn);
    }
    std::string off(const std::string& html)
    {
        config("");
        std::string t = text(html);
        config(kOn);
        return t;
    }
};

TEST_F(Html5, SelfClosingNamesAreTheTagTheyName)
{
    EXPECT_EQ(text("<body>a<br/>b<br />c<BR/>d</body>"),
              "\"a\"\n{newline}\n\"b\"\n{newline}\n\"c\"\n{newline}\n\"d\"\n");
    EXPECT_EQ(text("<body>a<p/>b</body>"), "\"a\"\n{newpara}\n\"b\"\n");
    EXPECT_EQ(text("<body>a<hr/>b</body>"), text("<body>a<hr>b</body>"));
    // A name that is only the slash names nothing.
    EXPECT_EQ(text("<body>a<//>b</body>"), "\"ab\"\n");
    // The design: the slash is part of an unknown name.
    EXPECT_EQ(off("<body>a<br/>b<br />c<BR/>d</body>"), "\"ab\"\n{newline}\n\"cd\"\n");
}

TEST_F(Html5, BlocksReadAsDivisions)
{
    EXPECT_EQ(text("<body><section>One</section><article>Two</article></body>"),
              "\"One\"\n{align 0}\n{newline}\n\"Two\"\n{align 0}\n{newline}\n");
    for (const char* name : {"section", "article", "header", "footer", "nav", "main", "aside", "figure", "details",
                             "summary", "hgroup", "dialog"}) {
        std::string n = name;
        EXPECT_EQ(text("<body>a<" + n + " align=center>b</" + n + ">c</body>"),
                  "\"a\"\n{align 1}\n{newline}\n\"b\"\n{align 0}\n{newline}\n\"c\"\n")
            << n;
    }
    EXPECT_EQ(text("<body><figure>p<figcaption>c</figcaption></figure></body>"),
              "\"p\"\n{italic 1}\n\"c\"\n{italic 0}\n{align 0}\n{newline}\n{align 0}\n{newline}\n");
    EXPECT_EQ(off("<body><section>One</section><article>Two</article></body>"), "\"OneTwo\"\n");
}

TEST_F(Html5, PhraseTags)
{
    EXPECT_EQ(text("<body><ins>a</ins><del>b</del><mark>c</mark></body>"),
              "{underline 1 {colourvalue COL_001 0x10000 0}}\n\"a\"\n{underline 0}\n{strikeout 1}\n\"b\"\n"
              "{strikeout 0}\n{bold 1}\n\"c\"\n{bold 0}\n");
    EXPECT_EQ(text("<body>He said <q>yes</q>.</body>"), "\"He said \x94yes\x95.\"\n");
    EXPECT_EQ(off("<body><ins>a</ins><del>b</del><mark>c</mark><q>d</q></body>"), "\"abcd\"\n");
}

TEST_F(Html5, TagsWithoutEffectAreKnown)
{
    config(std::string(kOn) + "aincludeunknown=true\n");
    const std::string page =
        "<body><abbr title=x>A</abbr><time>B</time><data value=1>C</data><bdi>D</bdi><bdo dir=rtl>E</bdo>F<wbr>G"
        "<picture><source srcset=x><track src=y></picture><noscript>H</noscript></body>";
    EXPECT_EQ(text(page), "\"ABCDEFG\"\n");
    config("aincludeunknown=true\n");
    EXPECT_NE(text(page).find("<abbr ...>"), std::string::npos);
}

// Tags end where the HTML tokenizer ends them and attributes are found by
// their whole names; with the setting off, the design's reading.
TEST_F(Html5, TagsReadAsTheTokenizerReadsThem)
{
    const std::string quoted = "<body><p title=\"a > b\">One</p></body>";
    EXPECT_EQ(text(quoted), text("<body><p>One</p></body>"));
    EXPECT_NE(off(quoted).find(">One"), std::string::npos);
    const std::string no_href = "<body><a name=x>T</a></body>";
    EXPECT_EQ(text("<body><a title=\"href=x\">T</a></body>"), text(no_href));
    EXPECT_NE(off("<body><a title=\"href=x\">T</a></body>"), off(no_href));
    EXPECT_EQ(text("<body><a title=\"href=x\" href=\"mailto:a&#64;b\">T</a></body>"),
              text("<body><a href=\"mailto:a@b\">T</a></body>"));
    EXPECT_EQ(text("<body><font title='color=red' size=+1>T</font></body>"),
              text("<body><font size=+1>T</font></body>"));
    EXPECT_EQ(text("<body>a<![CDATA[x y]]>b<?php echo 1 ?>c<!x y>d</body>"), "\"abcd\"\n");
    EXPECT_NE(off("<body>a<!x y>d</body>").find("x y>"), std::string::npos);
    // Comments end at "-->" or "--!>", empty ones at once; "->" is inside.
    const std::string comments = "<body>a<!-- x -- y -->b<!--->c<!-->d<!-- x --!>e<!-- a -> b -->f</body>";
    EXPECT_EQ(text(comments), "\"abcdef\"\n");
    EXPECT_NE(off(comments), text(comments));
}

// What a reader never sees: titles, raw text to its own end tag, the
// script's escaped states; what they do see: textarea and xmp as text,
// and what follows </body>.
TEST_F(Html5, RawTextEndsAtItsOwnEndTag)
{
    EXPECT_EQ(text("<body>a<title>T</title>b</body>"), "\"ab\"\n");
    EXPECT_EQ(text("<title>T</title><p>x").find("T"), std::string::npos);
    EXPECT_EQ(text("<body>a<style><!--</style>X</body>"), text("<body>a<style></style>X</body>"));
    EXPECT_NE(text("<body>a<style></style>X</body>").find("\"X\""), std::string::npos);
    EXPECT_EQ(text("<body><script>'<!--'</script>BAR</body>"), "\"BAR\"\n");
    EXPECT_EQ(text("<body><script><!--x</script>Z</body>"), "\"Z\"\n");
    // <script> inside an escaped script is double escaped: its </script>
    // returns to the escaped state, and the next one ends the element.
    EXPECT_EQ(text("<body><script><!--<script>x</script>Z</script>W</body>"), "\"W\"\n");
    EXPECT_EQ(text("<body><script><!--<script>x</script>--></script>W</body>"), "\"W\"\n");
    EXPECT_EQ(text("<body><iframe><b>x</b></iframe>Y</body>"), "\"Y\"\n");
    EXPECT_EQ(text("<body><textarea>a<b>c</b>&amp;</textarea></body>"), "\"a<b>c</b>&\"\n");
    EXPECT_NE(text("<body><xmp>&amp;<i>x</i></xmp></body>").find("\"&amp;<i>x</i>\""), std::string::npos);
    EXPECT_EQ(text("<body>a</body>b</html><i>c</i>"), "\"a\"\n\"b\"\n{italic 1}\n\"c\"\n{italic 0}\n");
    EXPECT_EQ(off("<body>a</body>b</html>c"), "\"a\"\n");
    EXPECT_EQ(last_.err, "");
}

// Under css, what the page's style hides is left out with all it holds:
// by a rule of a <style> anywhere (for the screen), a style attribute or
// the hidden attribute; an open <p> hidden ends at the next block.
TEST_F(Html5, StyleSheetsHideWhatBrowsersHide)
{
    config(std::string(kOn) + "mcss=true\n");
    const std::string page =
        "<html><head><style>.hide{display:none} #m{display : none} @media print{.p{display:none}}</style></head>"
        "<body>a<div class=\"x hide\">B<b>C</b></div>d<p id=m>E<div>f</div><span style=\"display:none\">G</span>"
        "h<p class=p>i<section hidden>K<p>L</section>l<ul><li class=hide>M<li>n</ul></body>"
        "<style>.late{display:none}</style>";
    // A hidden element leaves no break either.
    EXPECT_EQ(text(page), text("<body>ad<div>f</div>h<p>il<ul><li>n</ul></body>"));
    EXPECT_EQ(text("<body>a<span class=late>B</span>c</body><style>.late{display:none}</style>"), "\"ac\"\n");
    // Off, every word is there.
    config(kOn);
    EXPECT_NE(text(page).find("B"), std::string::npos);
}

TEST_F(Html5, Tables)
{
    EXPECT_EQ(text("<body>before<table><caption>Cap</caption><tr><th>Step</th><th>Minutes</th></tr>"
                   "<tr><td>Prepare</td><td>15</td></tr></table>after</body>"),
              "\"before\"\n{newpara}\n\"Cap\"\n{newline}\n{bold 1}\n\"Step\"\n{bold 0}\n{tab}\n{bold 1}\n"
              "\"Minutes\"\n{bold 0}\n{newline}\n\"Prepare\"\n{tab}\n\"15\"\n{newpara}\n\"after\"\n");
    EXPECT_EQ(last_.err, "");
    // Closing tags left out: a cell ends at the next cell, row or the end.
    EXPECT_EQ(text("<body><table><tr><th>a<th>b<tr><td>c</table></body>"),
              "{newpara}\n{bold 1}\n\"a\"\n{bold 0}\n{tab}\n{bold 1}\n\"b\"\n{bold 0}\n{newline}\n\"c\"\n{newpara}\n");
    // A table in a cell is flattened into it.
    EXPECT_EQ(text("<body><table><tr><td>a<table><tr><td>b</td><td>c</td></tr><tr><td>d</td></tr></table>e</td>"
                   "<td>f</td></tr></table></body>"),
              "{newpara}\n\"a b c d e\"\n{tab}\n\"f\"\n{newpara}\n");
    // Stray table tags outside a table.
    EXPECT_EQ(text("<body>a</table></tr><td>b</td><th>c</th>d</body>"), "\"ab\"\n{bold 1}\n\"c\"\n{bold 0}\n\"d\"\n");
    // The other layout tags keep their warning.
    text("<body><form>x</form></body>");
    EXPECT_NE(last_.err.find("Encountered unsupported HTML command <form>"), std::string::npos);
    EXPECT_EQ(off("<body><table><tr><td>a</td><td>b</td></tr></table></body>"), "\"ab\"\n");
    EXPECT_NE(last_.err.find("Encountered unsupported HTML command <table>"), std::string::npos);
}

TEST_F(Html5, ContentThatIsNotTextIsLeftOut)
{
    EXPECT_EQ(text("<body>a<style>.x{margin:0} b</style>b<template><p>t</template>c"
                   "<svg><svg><text>s</text></svg>still</svg>d<noscript>n</noscript></body>"),
              "\"a\"\n\"b\"\n\"c\"\n\"d\"\n");
    EXPECT_EQ(last_.err, "");
    // Another left-out tag inside does not count; the same one does.
    EXPECT_EQ(text("<body><style><svg></style>x<template><template></template>y</template>z</body>"), "\"x\"\n\"z\"\n");
    // Tags inside do nothing, and a page that never closes it ends quietly.
    EXPECT_EQ(text("<body><b>a<svg></b><i>x</svg>c</b><style>d"), "{bold 1}\n\"a\"\n\"c\"\n{bold 0}\n");
    EXPECT_EQ(off("<body>a<style>.x{}</style>b</body>"), "\"a.x{}b\"\n");
    EXPECT_NE(last_.err.find("Encountered unsupported HTML command <style>"), std::string::npos);
}

TEST_F(Html5, FragmentsConvertFromTheirStart)
{
    EXPECT_EQ(text("<p>Hello</p>world"), "{newpara}\n\"Hello\"\n{align 0}\n{newline}\n\"world\"\n");
    RunResult r = d_.convert("Only words, and no tag anywhere in them.");
    EXPECT_EQ(r.code, 1);
    EXPECT_FALSE(r.has_output);
    EXPECT_NE(r.err.find("without finding '<body>'"), std::string::npos);
    // A comment is no tag.
    EXPECT_EQ(d_.convert("<!-- a comment and nothing else -->").code, 1);
    config("");
    EXPECT_EQ(d_.convert("<p>Hello</p>world, and more").code, 1);
}

TEST_F(Html5, CodeKeepsQuotesAndHyphens)
{
    const std::string settings = "tnonbreakhyphens=true\ngusesmartquotes=true\n";
    config(settings + kOn);
    EXPECT_EQ(text("<body>x \"a\" -- <code>\"b\" --</code> \"c\"</body>"),
              "\"x \x94"
              "a\x95 \xAD\xAD \"\nFONT_021\n\"\\\"b\\\" --\"\nFONT_001\n\" \x94"
              "c\x95\"\n");
    for (const char* name : {"pre", "xmp", "listing", "code", "tt", "kbd", "samp", "var", "plaintext"}) {
        std::string n = name;
        std::string t = text("<body><" + n + ">a=\"1\" -- b</" + n + "></body>");
        EXPECT_NE(t.find("a=\\\"1\\\" -- b"), std::string::npos) << n << t;
        EXPECT_EQ(t.find_first_of("\x94\x95\xAD"), std::string::npos) << n << t;
    }
    // Nested code tags: the quotes become typographic again after the outermost.
    std::string t = text("<body><pre><code>\"x\"</code>\"y\"</pre>\"z\"</body>");
    EXPECT_NE(t.find("\"\\\"x\\\"\"\n\"\\\"y\\\"\""), std::string::npos) << t;
    EXPECT_NE(t.find("\x94z\x95"), std::string::npos) << t;
    config(settings);
    t = text("<body><code>a=\"1\" -- b</code></body>");
    EXPECT_NE(t.find("a=\x95"
                     "1\x95 \xAD\xAD b"),
              std::string::npos)
        << t;
}

TEST_F(Html5, ListNumbers)
{
    EXPECT_EQ(text("<body><ol start=5><li>a<li>b</ol></body>"),
              "{leftindent 1 28346}\n{newline}\n\"5. a\"\n{newline}\n\"6. b\"\n{leftindent}\n{newline}\n");
    EXPECT_EQ(text("<body><ol><li value=10>a<li>b<li value=-2>c<li>d</ol></body>"),
              "{leftindent 1 28346}\n{newline}\n\"10. a\"\n{newline}\n\"11. b\"\n{newline}\n\"-2. c\"\n{newline}\n"
              "\"-1. d\"\n{leftindent}\n{newline}\n");
    // Numbers from the page are held within plus or minus 10^9.
    EXPECT_EQ(text("<body><ol start=999999999><li>a<li>b<li>c</ol></body>"),
              "{leftindent 1 28346}\n{newline}\n\"999999999. a\"\n{newline}\n\"1000000000. b\"\n{newline}\n"
              "\"1000000000. c\"\n{leftindent}\n{newline}\n");
    EXPECT_EQ(text("<body><ol start=99999999999999999999><li>a<li value=-2147483649>b<li>c</ol></body>"),
              "{leftindent 1 28346}\n{newline}\n\"1000000000. a\"\n{newline}\n\"-1000000000. b\"\n{newline}\n"
              "\"-999999999. c\"\n{leftindent}\n{newline}\n");
    // No number: the attribute is not there. Outside an ordered list value does nothing.
    EXPECT_EQ(text("<body><ol start=x><li value=>a</ol><ul><li value=3>b</ul></body>"),
              "{leftindent 1 28346}\n{newline}\n\"1. a\"\n{leftindent}\n{newline}\n{leftindent 1 28346}\n{newline}\n"
              "\"* b\"\n{leftindent}\n{newline}\n");
    // An inner list counts on its own; the outer one goes on where it was.
    EXPECT_EQ(text("<body><ol start=3><li>a<ol start=7><li>b</ol><li>c</ol></body>"),
              "{leftindent 1 28346}\n{newline}\n\"3. a\"\n{leftindent 1 56692}\n{newline}\n\"7. b\"\n"
              "{leftindent 1 28346}\n{newline}\n\"4. c\"\n{leftindent}\n{newline}\n");
    EXPECT_EQ(off("<body><ol start=5><li value=9>a</ol></body>"),
              "{leftindent 1 28346}\n{newline}\n\"1. a\"\n{leftindent}\n{newline}\n");
}

// The slash alone is the empty name: a found closing tag, setting or not.
TEST_F(Html5, TheSlashAloneIsAFoundClosingTag)
{
    for (const char* m : {"", kOn}) {
        config(std::string(m) + "aincludeprocessed=true\naincludeunknown=true\n");
        EXPECT_EQ(text("<body>a</>b</body>"), "// </> (token 128)\n// </body> (token 135)\n\"ab\"\n") << m;
    }
}

// Every saved real page converts with the shipped configuration, group m
// on, to well-formed DDL.
bool is_folder(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

TEST(Html5Corpus, RealWorldPagesConvertToWellFormedDdl)
{
    std::string folder;
    for (const char* rel : {"/../shared/corpus/realworld", "/../../shared/corpus/realworld"})
        if (is_folder(std::string(QUILLET_SOURCE_DIR) + rel)) folder = std::string(QUILLET_SOURCE_DIR) + rel;
    if (folder.empty()) GTEST_SKIP() << "no real-world pages beside the sources";
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* e = readdir(dir)) {
            std::string n = e->d_name;
            if (n.size() > 5 && n.compare(n.size() - 5, 5, ".html") == 0) names.push_back(n);
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    ASSERT_GT(names.size(), 20u);
    ScratchDir d;
    d.write("config", shipped_as_is("config"));
    for (const std::string& n : names) {
        std::ifstream in(folder + "/" + n, std::ios::binary);
        std::ostringstream ss;
        ss << in.rdbuf();
        RunResult r = d.convert(ss.str());
        EXPECT_EQ(r.code, 0) << n << ": " << r.err.substr(0, 300);
        ASSERT_TRUE(r.has_output) << n;
        EXPECT_EQ(ddl_problems(r.output), "") << n;
        // Nothing between <style> and </style> reaches the text.
        EXPECT_EQ(r.output.find("{margin"), std::string::npos) << n;
    }
}

}  // namespace

// Translate scripts end to end: a translat file beside the program changes
// the conversion of the documents its selectors choose.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "harness.h"

namespace {

const char* const kSupport[] = {"config", "definits", "colours", "fontmap", "fontexpt", "entities", "unierr", "revent"};

// A program folder with empty support files of its own (defaults apply, and
// the document text follows the preamble directly) and the given script.
class Folder {
public:
    explicit Folder(const std::string& translat = "") : d(std::vector<std::string>{})
    {
        for (const char* f : kSupport) d.write(f, "");
        if (!translat.empty()) d.write("translat", translat);
    }
    RunResult convert(const std::string& body) const
    {
        return d.convert("<html><head><title>t</title></head><body>" + body + "</body></html>\n");
    }
    ScratchDir d;
};

std::string box(const std::string& text) { return "QuilletW: " + text + "\n"; }

const std::string kSelect = "translate ifleaf `in.htm`\n";

}  // namespace

TEST(TranslateE2E, ReplaceTurnsParagraphsIntoLineBreaksForTheSelectedFileOnly)
{
    const std::string rules = "{\nwhen `p`\n  replace `br`\n  done\n}\n";
    Folder f("; paragraphs become line breaks\n" + kSelect + rules);
    RunResult r = f.convert("one<p align=center>two");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(body_of(r.output), "\"one\"\n{newline}\n\"two\"\n");

    // Another leaf, a folder that is not the input's, no file at all: the
    // paragraph tag is left to its handler.
    for (const std::string& selector :
         {std::string("translate ifleaf `other.htm`\n"), std::string("translate ifpath `docs`\n"), std::string()}) {
        Folder g(selector.empty() ? "" : selector + rules);
        RunResult q = g.convert("one<p>two");
        EXPECT_EQ(q.err, "");
        EXPECT_EQ(body_of(q.output), "\"one\"\n{newpara}\n\"two\"\n") << selector;
    }
}

TEST(TranslateE2E, SelectorsTestThePathAsGiven)
{
    const std::string rules = "{\nwhen `br`\nwarn `chosen`\ndone\n}\n";
    {
        // The leaf in capitals does not match the lower-cased selector.
        Folder f("translate ifleaf `in.htm`\n" + rules);
        f.d.write("IN.HTM", "<html><body>x<br>y</body></html>\n");
        RunResult r = f.d.run({"IN.HTM", "out.ddl"}, "out.ddl");
        EXPECT_EQ(r.code, 0);
        EXPECT_EQ(r.err, "");
    }
    {
        // A backslash separates folders here too: the file named sub\in.htm
        // is in the folder "sub".
        Folder f("translate ifpath `sub`\n" + rules);
        f.d.write("sub\\in.htm", "<html><body>x<br>y</body></html>\n");
        RunResult r = f.d.run({"sub\\in.htm", "out.ddl"}, "out.ddl");
        EXPECT_EQ(r.err, box("chosen"));
    }
    {
        // The full path of the input: its folder contains the text.
        Folder f("translate inpath `/tmp/quillet-e2e-`\n" + rules);
        f.d.write("in.htm", "<html><body>x<br>y</body></html>\n");
        RunResult r = f.d.run({f.d.path("in.htm"), "out.ddl"}, "out.ddl");
        EXPECT_EQ(r.err, box("chosen"));
        RunResult rel = f.d.run({"in.htm", "out.ddl"}, "out.ddl");
        EXPECT_EQ(rel.err, "");  // given as a bare name, it has no folder
    }
    {
        // The first matching selector wins; lines outside blocks that are no
        // selector are passed over.
        Folder f(
            "when `br`\ntranslate ifleaf `x.htm`\n{\nwhen `br`\nwarn `x`\ndone\n}\n"
            "translate ifleaf `in.htm`\n{\nwhen `br`\nwarn `first`\ndone\n}\n"
            "translate inpath ``\n{\nwhen `br`\nwarn `second`\ndone\n}\n");
        RunResult r = f.convert("x<br>y");
        EXPECT_EQ(r.err, box("first"));
    }
}

TEST(TranslateE2E, OmitDropsTheTagLikeAnUnknownOne)
{
    Folder f(kSelect + "{\nwhen `br`\nomit\ndone\nwhen `img`\nomit\ndone\n}\n");
    RunResult r = f.convert("one<br>two<img src=\"pic.gif\" alt=x>three");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(body_of(r.output), "\"onetwothree\"\n");
}

TEST(TranslateE2E, IfisComparesTheWholeParameterText)
{
    // The parameters begin with the space after the name and end with ">".
    Folder f(kSelect + "{\nwhen `span`\nifis ` class=x>`\n{\nreplace `br`\n}\ndone\n}\n");
    RunResult r = f.convert("a<span CLASS=X>b<span class=x >c<span class=xy>d");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(body_of(r.output), "\"a\"\n{newline}\n\"bcd\"\n");
}

TEST(TranslateE2E, AFlagSetByOneTagIsTestedByLaterTags)
{
    // Paragraphs after the first level-1 heading take the flagged branch.
    Folder f(kSelect +
             "{\nwhen `h1`\nsetflag a\ndone\n"
             "when `p`\nifflag a\n{\nwarn `after the heading`\n}\ndone\n}\n");
    RunResult r = f.convert("<p>x<h1>T</h1><p>y<h1>U</h1><p>z");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, box("after the heading") + box("after the heading"));

    // And its effect on the text, with tags whose handling is fixed.
    Folder g(kSelect +
             "{\nwhen `span`\nsetflag a\nomit\ndone\n"
             "when `nobr`\nifflag a\n{\nreplace `br`\n}\ndone\n}\n");
    RunResult q = g.convert("a<nobr>b<span>c<nobr>d<nobr>e");
    EXPECT_EQ(q.err, "");
    EXPECT_EQ(body_of(q.output), "\"abc\"\n{newline}\n\"d\"\n{newline}\n\"e\"\n");
}

TEST(TranslateE2E, StrcountAndPrintflag)
{
    // Three texts in the table, none of them in the rule that runs.
    Folder f(kSelect +
             "{\nwhen `p`\nstrcount b\nprintflag b\ndone\n"
             "unknown `blink`\nwarn `one`\nifin `two`\ndone\n}\n");
    RunResult r = f.convert("<p>x<p>");
    EXPECT_EQ(r.err, box("The B flag is set to 3.") + box("The B flag is set to 3."));
}

TEST(TranslateE2E, UnknownRulesTakeTagsTheProgramDoesNotKnow)
{
    Folder f(kSelect + "{\nunknown `Blink`\nreplace `br`\ndone\n}\n");
    // The closing tag has the same name, so the rule takes it too.
    RunResult r = f.convert("a<BLINK>b</blink>c<marquee>d");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(body_of(r.output), "\"a\"\n{newline}\n\"b\"\n{newline}\n\"cd\"\n");
}

TEST(TranslateE2E, ARuleWithoutDoneAndABlockWithoutItsEnd)
{
    Folder f(kSelect + "{\nwhen `br`\nwarn `one`\nwhen `nobr`\nwarn `two`\ndone\n}\n");
    RunResult r = f.convert("<br><nobr>");
    EXPECT_EQ(r.err, box("one") + box("Unexpected 'when' in translate script, ignoring...") + box("two") + box("two"));

    // Cut short by the end of the file: the result stands, with one message
    // for each run of the rule.
    Folder g(kSelect + "{\nwhen `p`\nreplace `br`");
    RunResult q = g.convert("a<p>b<p>c");
    const std::string end = box("Unexpected end of translate script - use \"done\" command...");
    EXPECT_EQ(q.err, end + end);
    EXPECT_EQ(body_of(q.output), "\"a\"\n{newline}\n\"b\"\n{newline}\n\"c\"\n");
}

TEST(TranslateE2E, TagsBeforeTheBodyAreNeverTranslated)
{
    Folder f(kSelect + "{\nwhen `title`\nwarn `title`\ndone\nwhen `br`\nomit\ndone\n}\n");
    RunResult r = f.d.convert("<html><head><title>t</title><br></head>\n<body>x<title>y<br>z</body></html>\n");
    EXPECT_EQ(r.err, box("title"));
    EXPECT_EQ(body_of(r.output), "\"xyz\"\n");
}

TEST(TranslateE2E, SetoptAndUnsetoptOfThePreformattedState)
{
    Folder f(kSelect +
             "{\nwhen `span`\nsetopt p\nomit\ndone\nwhen `/span`\nunsetopt p\nomit\ndone\n"
             "when `nobr`\nifopt p\n{\nwarn `preformatted`\n}\nifnotopt p\n{\nwarn `plain`\n}\ndone\n}\n");
    RunResult r = f.convert("a<span>x  y<nobr></span>b<nobr>");
    EXPECT_EQ(r.err, box("preformatted") + box("plain"));
    // As <pre> and </pre>: the monospaced font around the preformatted lines.
    EXPECT_EQ(body_of(r.output), "\"a\"\nFONT_021\n{newline}\n\"x  y\"\nFONT_001\n{newline}\n\"b\"\n");

    // The option test reads the state the real tags leave.
    RunResult q = f.convert("<pre><nobr></pre><nobr>");
    EXPECT_EQ(q.err, box("preformatted") + box("plain"));
}

TEST(TranslateE2E, LoadErrorsAreReportedAndLeaveTheDocumentUntranslated)
{
    const std::string head = kSelect + "{\nwhen `p`\nreplace `br`\ndone\n";
    struct Case {
        std::string line;
        std::string messages;
    };
    const std::string at = "(at file offset +" + std::to_string(head.size()) + ")";
    const Case cases[] = {
        {"when `tabel`",
         box("Translation load error - couldn't parse HTML keyword \"tabel\" " + at + ", will not translate.")},
        {"setflag z", box("Translation load error - flags is not A - E " + at + ", will not translate.")},
        {"ifopt q", box("Translation load error - option is not b, c, d, h, i, l, o, p, r, t, or u " + at +
                        ", will not translate.")},
        {"setopt o",
         box("Translation load error - option is not b, c, d, i, l, p, r, t, or u " + at + ", will not translate.") +
             box("You cannot 'setopt' with options 'h' and 'o'.")},
    };
    for (const Case& c : cases) {
        Folder f(head + c.line + "\n}\n");
        RunResult r = f.convert("one<p>two");
        EXPECT_EQ(r.code, 0);
        EXPECT_EQ(r.err, c.messages);
        EXPECT_EQ(body_of(r.output), "\"one\"\n{newpara}\n\"two\"\n") << c.line;
    }
}

TEST(TranslateE2E, BadScriptsNeverCrashOrHang)
{
    std::string junk;
    unsigned x = 7;
    for (int i = 0; i < 100000; ++i) {
        x = x * 1103515245u + 12345u;
        junk += static_cast<char>((x >> 16) & 0xFF);
    }
    std::string deep = kSelect + "{\n";
    for (int i = 0; i < 1000; ++i) deep += "{\n";
    std::string many = kSelect + "{\n";
    for (int i = 0; i < 10000; ++i) many += "when `p`\nsetflag a\ndone\n";
    // Rules that each run on through every later one, about all the tags.
    std::string loops = kSelect + "{\n";
    const char* tags[] = {"p", "br", "b", "i", "span", "nobr", "/p", "/b", "/span", "/nobr"};
    for (const char* t : tags) loops += std::string("when `") + t + "`\nsetflag a\nifflag a\n{\n{\nclearflag a\n}\n}\n";
    loops += "}\n";
    std::string strings = kSelect + "{\n";
    for (int i = 0; i < 40; ++i) strings += "warn `" + std::string(100, 'a' + i % 26) + "`\n";
    const std::string scripts[] = {
        kSelect + junk,
        junk,
        kSelect + "{\n" + std::string(1 << 20, 'w') + "\nwhen `p`\nomit\ndone\n}\n",
        kSelect + "{\nwarn `" + std::string(5000, 'x'),
        kSelect + std::string("{\nwhen `p\0`\n}\n", 15),
        kSelect + "{\n}\n}\n}\n{\n",
        deep,
        many,
        loops,
        strings,
    };
    for (const std::string& s : scripts) {
        Folder f(s);
        RunResult r = f.convert("a<p>b<br>c<b>d</b><span>e</span><nobr>f</nobr></p>");
        EXPECT_EQ(r.code, 0);
        EXPECT_TRUE(r.has_output);
        EXPECT_EQ(r.err.find("memtrace"), std::string::npos);
    }
}

TEST(TranslateE2E, ParagraphReplacedByBoldWithEmptyParameters)
{
    Folder f(kSelect + "{\nwhen `p`\nreplace `b`\ndone\n}\n");
    RunResult r = f.convert("a<p align=center>b");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(body_of(r.output), "\"a\"\n{bold 1}\n\"b\"\n");
}

TEST(TranslateE2E, SetoptBoldActsAsTheBoldTag)
{
    Folder f(kSelect +
             "{\nwhen `span`\nsetopt b\nomit\ndone\nwhen `/span`\nunsetopt b\nomit\ndone\n"
             "when `nobr`\nifopt b\n{\nwarn `bold`\n}\ndone\n}\n");
    RunResult r = f.convert("a<span>b<nobr></span>c<nobr>");
    EXPECT_EQ(r.err, box("bold"));
    EXPECT_EQ(body_of(r.output), "\"a\"\n{bold 1}\n\"b\"\n{bold 0}\n\"c\"\n");
}

TEST(TranslateE2E, TheExampleScriptCompilesAndSelectsOnlyItsOwnPage)
{
    std::string example;
    {
        FILE* f = std::fopen(QUILLET_SOURCE_DIR "/support/translat", "rb");
        ASSERT_NE(f, nullptr);
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) example.append(buf, n);
        std::fclose(f);
    }
    Folder f(example);
    const std::string page = "<html><body><p>a<h1>T</h1><p>b</p><img src=\"x.gif\">c</body></html>\n";
    f.d.write("translat-example.htm", page);
    RunResult r = f.d.run({"translat-example.htm", "out.ddl"}, "out.ddl");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "");  // no load error, every rule ends with done
    // Add a rule of our own to the block: it runs, so the block was chosen.
    std::string probe = example;
    probe.insert(probe.rfind("}\n"), "when `br`\nwarn `chosen`\ndone\n");
    f.d.write("translat", probe);
    f.d.write("translat-example.htm", "<html><body>x<br>y</body></html>\n");
    EXPECT_EQ(f.d.run({"translat-example.htm", "out.ddl"}, "out.ddl").err, box("chosen"));
    EXPECT_EQ(f.convert("x<br>y").err, "");  // other pages are untouched
}

// Messages of failure paths that no other test reaches: each run is checked
// for the exact text on standard error and for the run going on or ending
// as the message says.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "failing_claims.h"
#include "harness.h"

namespace {

std::string box(const std::string& text) { return "QuilletW: " + text + "\n"; }

std::string repeat(const std::string& s, int n)
{
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

TEST(Messages, EveryStyleStackThatCanOverflow)
{
    // The colour stack cannot: only <font> pushes on it, at most 16 deep.
    struct Stack {
        const char* name;
        std::string tags;  // more than 16 pushes
    };
    const Stack stacks[] = {
        {"font", repeat("<tt>", 17)},
        {"font size", repeat("<big>", 17)},
        {"indentation", repeat("<ul>", 17)},
        {"alignment", repeat("<center><right>", 9)},  // alternating, so every push is stacked
    };
    for (const Stack& s : stacks) {
        SCOPED_TRACE(s.name);
        const std::string name = s.name;
        ScratchDir d;
        RunResult r = d.convert("<html><body>" + s.tags + "x</body></html>\n");
        EXPECT_EQ(r.code, 0);
        EXPECT_EQ(r.err, box("TryToRecover: Too many nested " + name + " changes (>16) - resetting the " + name +
                             " stack, your output document may not be quite correct."));
        EXPECT_NE(r.output.find("\"x\""), std::string::npos);

        d.write("config", "atrytorecover=false\n");
        r = d.convert("<html><body>" + s.tags + "x</body></html>\n");
        EXPECT_EQ(r.code, 50);
        EXPECT_EQ(r.err, box("Too many nested " + name + " changes, can't keep track of >16. Aborting."));
    }
}

TEST(Messages, FontColourTheFirstPassCouldNotRegister)
{
    // An empty colours file leaves 150 slots for the document's colours.
    ScratchDir d;
    d.write("colours", "");
    std::string html = "<html><body>";
    for (int i = 1; i <= 150; ++i) {
        char tag[40];
        std::snprintf(tag, sizeof tag, "<font color=#0000%02X>x</font>", i);
        html += tag;
    }
    RunResult r = d.convert(html + "\n<font color=#ABCDEF>y</font></body></html>\n");
    EXPECT_EQ(r.code, 0);
    const std::string full = box("Run out of user-defined colour slots... (\"#abcdef\", 151 / 151)");
    // Once in each pass; the conversion pass then has no colour for the tag.
    EXPECT_EQ(r.err, full + full +
                         box("Unusual error! Could not match font colour in the following HTML command at line 2 "
                             "(this colour should have been defined in the first pass)...") +
                         box("<font  color=#ABCDEF>"));
    EXPECT_NE(r.output.find("\"y\""), std::string::npos);
}

TEST(Messages, ImageTagWithoutAnIndexEntry)
{
    // A translate rule turns <p> into <img> after the first pass: the
    // index has no picture at that position.
    ScratchDir d;
    d.write("translat", "translate ifleaf `in.htm`\n{\nwhen `p`\nreplace `img`\ndone\n}\n");
    RunResult r = d.convert("<html><body><img src=a.gif>x<p>y</body></html>\n");
    EXPECT_EQ(r.code, 0);
    // "<html><body>" is 12 bytes, the <img> tag 15, "x" 1 and "<p>" 3.
    EXPECT_EQ(r.err, box("Unable to locate image referred to at file offset +31 in index index."));
    EXPECT_NE(r.output.find("a.gif"), std::string::npos);  // the real tag's marker
}

TEST(Messages, MissingFontMapFilesOnlyWarn)
{
    for (const char* f : {"fontmap", "fontexpt"}) {
        ScratchDir d;
        d.remove(f);
        RunResult r = d.convert("<html><body><font face=Arial>x</font></body></html>\n");
        EXPECT_EQ(r.code, 0) << f;
        EXPECT_EQ(r.err, box(std::string("Couldn't open font map file \"") + f + "\", setting default mappings."));
        EXPECT_NE(r.output.find("FONT_041"), std::string::npos) << "the built-in map knows Arial";
    }
}

TEST(Messages, ControlCodeWarningsOncePerTagAtMostAHundredAndMasked)
{
    auto warning = [](const char* tag, int line) {
        return box(std::string("Unexpected control code found in parameter of \"<") + tag + ">\" (at line " +
                   std::to_string(line) + ").");
    };
    // Both passes read every tag, before the body too; each warning comes once.
    ScratchDir d;
    RunResult r = d.convert("<html><head><meta x=\x01></head><body>\n<b x=\x02>a</b><br \x03>c</body></html>\n");
    EXPECT_EQ(r.err, warning("meta", 1) + warning("b", 2) + warning("br", 2));

    // 150 of one: the hundredth ends with the note, the rest are dropped;
    // another message is still shown.
    r = d.convert("<html><body>" + repeat("<p align=\"x\x01\">y\n", 150) + "<table>z</body></html>\n");
    std::string want;
    for (int line = 1; line <= 100; ++line) want += warning("p", line);
    want.insert(want.size() - 1, "\n\n(Further messages like this one are not shown.)");
    EXPECT_EQ(r.err, want + box("Encountered unsupported HTML command <table>. This command usually affects the  "
                                "document layout, so your converted document may not look entirely as it was "
                                "intended."));

    // Tab, line feed and 8-bit characters stay; a fatal message is masked too.
    r = d.run({"-\x01\x1b\x7f\t\n\xe9"});
    EXPECT_EQ(r.err, box("The parameter \"-???\t\n\xe9\" is not recognised, please read the QuilletW documentation."));
}

#ifdef QUILLET_FAILINJECT

TEST(Messages, ClaimFailuresTheRunSurvives)
{
    struct Case {
        std::string input;
        std::string message;
    };
    const std::string script = "<html><dramaton><title T><author A><copyright year 2005 to H><begin>\n<note>Words.";
    const Case cases[] = {
        {"<html><body><p align=center>x</p></body></html>\n", "TryToRecover: Unable to claim memory for subparse"},
        {"<html><body><a href=\"http://x.org/\">x</a></body></html>\n",
         "TryToRecover: Unable to claim memory to process URI for colourisation"},
        {"<html><body><font color=\"#123456\">x</font></body></html>\n",
         "TryToRecover: Unable to claim memory for subparse in colour lookup - disabling document colours"},
        // A colours file of two lines: three records asked for.
        {"<html><body>x</body></html>\n",
         "Unable to allocate memory for 3 document colours, disabling support for document colours."},
        {script,
         "Unable to claim memory to load command-ignore list; Dramaton may report any 'extension' commands used "
         "as being unrecognised."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        ScratchDir d;
        d.write("colours", "FF0000Red\n00FF00Green\n");
        d.write("drmign", "note\n");
        d.write("in.htm", c.input);
        std::vector<RunResult> runs = runs_showing(d, {"in.htm", "out.ddl"}, c.message);
        ASSERT_EQ(runs.size(), 1u) << "no failing claim shows it";
        const RunResult& r = runs[0];
        EXPECT_EQ(r.code, 0);
        EXPECT_TRUE(r.has_output);
        std::string want = box(c.message);
        // Without its list the script's extension command is reported.
        if (c.input == script)
            want += box("Encountered unrecognised Dramaton command \"<note>\" at line 2, ignoring....");
        EXPECT_EQ(r.err, want);
    }
}

#endif  // QUILLET_FAILINJECT

}  // namespace

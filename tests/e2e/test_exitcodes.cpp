// Every exit code of the program reached from the command line, each with
// its message; a run that ends with 0 leaves its output, any other leaves
// the output's path as it was, with or without an earlier output there.
// The memory failures are reached through the test-only fault injection.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "failing_claims.h"
#include "harness.h"

namespace {

struct ExitCase {
    const char* name;
    std::function<void(ScratchDir&)> setup;  // support files changed, inputs written
    std::vector<std::string> args;
    int code;
    std::string message;  // the run's only message
    // The run ends while a caller still holds a claim, which the tracker's
    // report then lists after the message.
    bool held = false;
};

std::string box(const std::string& text) { return "QuilletW: " + text + "\n"; }

const std::string kPage = "<html><body><p>Some text.</p></body></html>\n";
const std::string kScriptHead = "<html><dramaton><title T><author A><copyright year 2005 to H><begin>\n";

void page(ScratchDir& d, const std::string& html) { d.write("in.htm", html); }

const std::string kEarlier = "an earlier output\n";

// `earlier`: out.ddl held kEarlier before the run.
void check(const ExitCase& c, const RunResult& r, bool earlier)
{
    SCOPED_TRACE(std::string(c.name) + (earlier ? ", over an earlier output" : ""));
    EXPECT_EQ(r.code, c.code);
    if (c.held) {
        EXPECT_EQ(r.err.rfind(box(c.message) + "memtrace claims not released:\n", 0), 0u) << r.err;
    } else {
        EXPECT_EQ(r.err, c.message.empty() ? "" : box(c.message));
    }
    if (c.code == 0) {
        EXPECT_EQ(r.output.rfind("//->DDL\n", 0), 0u) << "no new output";
    } else if (earlier) {
        EXPECT_EQ(r.output, kEarlier) << "a failed run changed the output";
    } else {
        EXPECT_FALSE(r.has_output) << "a failed run left an output";
    }
}

TEST(ExitCodes, EveryCodeTheCommandLineCanReach)
{
    const std::vector<ExitCase> cases = {
        {"a conversion", [](ScratchDir& d) { page(d, kPage); }, {"in.htm", "out.ddl"}, 0, ""},
        {"an advertisement break before <begin>",
         [](ScratchDir& d) { page(d, "<html><dramaton><title T><author A><adbreak>"); },
         {"in.htm", "out.ddl"}, 58, "You cannot call <adbreak> before the <begin> command (line 1), aborting..."},
        {"no body", [](ScratchDir& d) { page(d, "<html><p>Nothing but a paragraph.</p></html>\n"); },
         {"in.htm", "out.ddl"}, 1,
         "Reached end of file without finding '<body>', this file does not seem to be an HTML document. "
         "Abandoning process..."},
        {"no input", [](ScratchDir&) {}, {"none.htm", "out.ddl"}, 10, "Couldn't open input file \"none.htm\"."},
        {"no output", [](ScratchDir& d) { page(d, kPage); }, {"in.htm", "gone/out.ddl"}, 11,
         "Couldn't open output file \"gone/out.ddl\"."},
        {"no definitions template",
         [](ScratchDir& d) {
             d.remove("definits");
             page(d, kPage);
         },
         {"in.htm", "out.ddl"}, 30, "Cannot open definitions file, aborting."},
        {"no script styles: the script preamble begun is deleted",
         [](ScratchDir& d) {
             d.remove("drmstyle");
             page(d, kScriptHead + "Words.");
         },
         {"in.htm", "out.ddl"}, 30, "Cannot open dramaton styles file, aborting."},
        {"no colours file",
         [](ScratchDir& d) {
             d.remove("colours");
             page(d, kPage);
         },
         {"in.htm", "out.ddl"}, 41, ""},  // message set below: it names the full path
        {"a continuation file that is not there",
         [](ScratchDir& d) { page(d, kScriptHead + "One.<continue gone.txt>Two."); }, {"in.htm", "out.ddl"}, 44,
         "Can't open file \"gone.txt\" for Dramaton continuation, aborting... [1]"},
        {"size stack overflow without recovery",
         [](ScratchDir& d) {
             d.write("config", "atrytorecover=false\n");
             std::string html = "<html><body>";
             for (int i = 0; i < 17; ++i) html += "<big>";
             page(d, html + "x</body></html>\n");
         },
         {"in.htm", "out.ddl"}, 50, "Too many nested font size changes, can't keep track of >16. Aborting."},
        {"<begin> without a title", [](ScratchDir& d) { page(d, "<html><dramaton><author A><begin>Words."); },
         {"in.htm", "out.ddl"}, 56, "You cannot <begin> a script without first defining a <title>!"},
        {"<begin> without an author", [](ScratchDir& d) { page(d, "<html><dramaton><title T><begin>Words."); },
         {"in.htm", "out.ddl"}, 57, "You cannot <begin> a script without first defining an <author>!"},
    };
    for (ExitCase c : cases) {
        for (bool earlier : {false, true}) {
            ScratchDir d;
            c.setup(d);
            if (earlier) d.write("out.ddl", kEarlier);
            if (c.code == 41)
                c.message = "Couldn't open colours file \"" + d.path("colours") + "\", cannot continue.";
            check(c, d.run(c.args, "out.ddl"), earlier);
        }
    }
}

#ifdef QUILLET_FAILINJECT

// Small support files of our own, so that the counts in the messages are known.
void small_tables(ScratchDir& d)
{
    d.write("entities", "&amp\n\"quot\n");              // 2 lines: 3 records
    d.write("unierr", "\xA0nbsp\n");                     // 1 line: 2 records
    d.write("revent", "&amp;\n<lt;\n>gt;\n");            // 3 lines: 4 records
    d.write("fontmap", "; faces\nArial ~ 41\nCourier New ~ 21\n");  // 2 mappings: 3 records
    d.write("fontexpt", "corpus ~ Mono\n");              // 1 mapping: 2 records
}

std::string script_with(const std::string& repeated, int times)
{
    std::string s = kScriptHead;
    for (int i = 0; i < times; ++i) s += repeated;
    return s;
}

TEST(ExitCodes, EveryMemoryFailureThroughTheInjection)
{
    const std::vector<std::string> args = {"in.htm", "out.ddl"};
    const std::vector<ExitCase> cases = {
        {"input name", [](ScratchDir& d) { page(d, kPage); }, args, 1,
         "Unable to claim 7 bytes to buffer input filename, aborting."},
        {"output name", [](ScratchDir& d) { page(d, kPage); }, args, 1,
         "Unable to claim 8 bytes to buffer output filename, aborting."},
        {"cast register",
         [](ScratchDir& d) { page(d, script_with("<defactor Someone>A person.</defactor>", 6)); }, args, 1,
         "Unable to (re)allocate memory for actor/actress array, unable to continue."},
        {"scene register", [](ScratchDir& d) { page(d, script_with("<scene \"S\" int day>Words.</scene>", 6)); },
         args, 1, "Unable to (re)allocate memory for scenes array, unable to continue."},
        {"entity table",
         [](ScratchDir& d) {
             small_tables(d);
             page(d, kPage);
         },
         args, 40, "Unable to allocate memory for 3 entities, cannot continue."},
        {"page definitions", [](ScratchDir& d) { page(d, kPage); }, args, 44,
         "Not enough memory to load page definitions."},
        {"continuation",
         [](ScratchDir& d) {
             d.write("p2.txt", "Two.");
             page(d, kScriptHead + "One.<continue p2.txt>");
         },
         args, 44, "Can't claim memory for continuation processing, aborting..."},
        {"sub-parse without recovery",
         [](ScratchDir& d) {
             d.write("config", "atrytorecover=false\n");
             page(d, "<html><body><p align=center>x</p></body></html>\n");
         },
         args, 50, "Unable to claim memory for subparse"},
        {"link colour without recovery",
         [](ScratchDir& d) {
             d.write("config", "atrytorecover=false\n");
             page(d, "<html><body><a href=\"http://x.org/\">x</a></body></html>\n");
         },
         args, 50, "Unable to claim memory to process URI for colourisation"},
        {"colour lookup without recovery",
         [](ScratchDir& d) {
             d.write("config", "atrytorecover=false\n");
             page(d, "<html><body><font color=\"#123456\">x</font></body></html>\n");
         },
         // The first pass fails here, holding its copy of the tag.
         args, 50, "Unable to claim memory for subparse in colour lookup", true},
        {"image index", [](ScratchDir& d) { page(d, "<html><body><img src=a.gif></body></html>\n"); }, args, 61,
         "Unable to allocate memory for image reference."},
        {"font map",
         [](ScratchDir& d) {
             small_tables(d);
             page(d, kPage);
         },
         args, 70, "Unable to allocate memory for 3 font map entries, cannot continue (please free up memory)."},
        {"export font map",
         [](ScratchDir& d) {
             small_tables(d);
             page(d, kPage);
         },
         args, 70,
         "Unable to allocate memory for 2 export font map entries, cannot continue (please free up memory)."},
        // The tail given with this format ends in its own full stop.
        {"additional entities",
         [](ScratchDir& d) {
             small_tables(d);
             page(d, kPage);
         },
         args, 255,
         "Unable to allocate memory for 2 ISO additional / unofficial entities, sorry, unable to continue.."},
        {"reverse entities",
         [](ScratchDir& d) {
             small_tables(d);
             page(d, kPage);
         },
         args, 255,
         "Unable to allocate memory for 4 export reverse-lookup table entries, sorry, unable to continue.."},
    };
    for (const ExitCase& c : cases) {
        for (bool earlier : {false, true}) {
            ScratchDir d;
            c.setup(d);
            // The registers fail at their start and when they grow: every such run.
            const bool registers = c.message.find("(re)allocate") != std::string::npos;
            std::vector<RunResult> runs =
                runs_showing(d, c.args, c.message, registers, earlier ? &kEarlier : nullptr);
            ASSERT_FALSE(runs.empty()) << c.name << ": no failing claim shows " << c.message;
            if (registers) {
                EXPECT_EQ(runs.size(), 2u) << c.name;
            }
            for (const RunResult& r : runs) check(c, r, earlier);
        }
    }
}

TEST(ExitCodes, EveryStyleStackClaim)
{
    ScratchDir d;
    page(d, kPage);
    const std::string head = "QuilletW: Unable to allocate space for ";
    std::vector<RunResult> runs = failing_runs(
        d, {"in.htm", "out.ddl"}, [&](const RunResult& r) { return r.err.compare(0, head.size(), head) == 0; },
        true);
    std::vector<std::string> seen;
    for (const RunResult& r : runs) {
        EXPECT_EQ(r.code, 68) << r.err;
        EXPECT_FALSE(r.has_output);
        seen.push_back(r.err);
    }
    std::vector<std::string> want;
    for (const char* s : {"font", "font effect", "colour", "font size", "indentation", "alignment", "alignment key"})
        want.push_back(box(std::string("Unable to allocate space for ") + s + " stack, cannot continue."));
    EXPECT_EQ(seen, want);
}

TEST(ExitCodes, TrackerWithoutItsTable)
{
    ScratchDir d;
    page(d, kPage);
    d.set_env("QUILLET_FAIL_TRACKER", "1");
    RunResult r = d.run({"in.htm", "out.ddl"}, "out.ddl");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, box("Couldn't perform memtrace_init, out of memory."));
    EXPECT_FALSE(r.has_output);
}

#endif  // QUILLET_FAILINJECT

}  // namespace

// Every exit code of the program reached from the command line, each with
// its message; a run that ends with 0 leaves its output, any other leaves
// the output's path as it was, with or without an earlier output there.
// The memory failures are reached through the test-only fault injection.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <fstream>
#include <iterator>
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
         {"in.htm", "out.ddl"},
         58,
         "You cannot call <adbreak> before the <begin> command (line 1), aborting..."},
        {"no body",
         [](ScratchDir& d) { page(d, "<html><p>Nothing but a paragraph.</p></html>\n"); },
         {"in.htm", "out.ddl"},
         1,
         "Reached end of file without finding '<body>', this file does not seem to be an HTML document. "
         "Abandoning process..."},
        {"no input",
         [](ScratchDir&) {},
         {"none.htm", "out.ddl"},
         10,
         "Couldn't open input file \"none.htm\" (No such file or directory)."},
        {"a folder as input",
         [](ScratchDir& d) { d.write("in.htm", kPage); },
         {".", "out.ddl"},
         10,
         "Couldn't open input file \".\" (it is a folder)."},
        {"an output that cannot be written",
         [](ScratchDir& d) { page(d, kPage); },
         {"in.htm", "/dev/full"},
         12,
         "Couldn't write output file \"/dev/full\" (" + std::string(std::strerror(ENOSPC)) + ")."},
        {"no output",
         [](ScratchDir& d) { page(d, kPage); },
         {"in.htm", "gone/out.ddl"},
         11,
         "Couldn't open output file \"gone/out.ddl\" (No such file or directory)."},
        {"no definitions template",
         [](ScratchDir& d) {
             d.remove("definits");
             page(d, kPage);
         },
         {"in.htm", "out.ddl"},
         30,
         "Cannot open definitions file, aborting."},
        {"no script styles: the script preamble begun is deleted",
         [](ScratchDir& d) {
             d.remove("drmstyle");
             page(d, kScriptHead + "Words.");
         },
         {"in.htm", "out.ddl"},
         30,
         "Cannot open dramaton styles file, aborting."},
        {"no colours file",
         [](ScratchDir& d) {
             d.remove("colours");
             page(d, kPage);
         },
         {"in.htm", "out.ddl"},
         41,
         ""},  // message set below: it names the full path
        {"a continuation file that is not there",
         [](ScratchDir& d) { page(d, kScriptHead + "One.<continue gone.txt>Two."); },
         {"in.htm", "out.ddl"},
         44,
         "Can't open file \"gone.txt\" for Dramaton continuation, aborting... [1]"},
        {"size stack overflow without recovery",
         [](ScratchDir& d) {
             d.write("config", "atrytorecover=false\n");
             std::string html = "<html><body>";
             for (int i = 0; i < 17; ++i) html += "<big>";
             page(d, html + "x</body></html>\n");
         },
         {"in.htm", "out.ddl"},
         50,
         "Too many nested font size changes, can't keep track of >16. Aborting."},
        {"<begin> without a title",
         [](ScratchDir& d) { page(d, "<html><dramaton><author A><begin>Words."); },
         {"in.htm", "out.ddl"},
         56,
         "You cannot <begin> a script without first defining a <title>!"},
        {"<begin> without an author",
         [](ScratchDir& d) { page(d, "<html><dramaton><title T><begin>Words."); },
         {"in.htm", "out.ddl"},
         57,
         "You cannot <begin> a script without first defining an <author>!"},
    };
    for (ExitCase c : cases) {
        for (bool earlier : {false, true}) {
            ScratchDir d;
            c.setup(d);
            if (earlier) d.write("out.ddl", kEarlier);
            if (c.code == 41) c.message = "Couldn't open colours file \"" + d.path("colours") + "\", cannot continue.";
            check(c, d.run(c.args, "out.ddl"), earlier);
        }
    }
}

// "-" is standard input as the input and standard output as the output;
// a pipe named as the input is read like standard input.
TEST(Streams, StandardInputAndOutput)
{
    ScratchDir d;
    page(d, kPage);
    RunResult file = d.run({"in.htm", "out.ddl"}, "out.ddl");
    ASSERT_EQ(file.code, 0);
    // The same conversion, but for the input file's name in the header.
    auto named = [&file](const std::string& name) {
        std::string want = file.output;
        const std::string line = "// Input file \"in.htm\"";
        size_t at = want.find(line);
        if (at != std::string::npos) want.replace(at, line.size(), "// Input file \"" + name + "\"");
        return want;
    };
    d.remove("out.ddl");
    d.set_stdin(kPage);
    RunResult r = d.run({"-", "out.ddl"}, "out.ddl");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.output, named("-"));

    r = d.run({"/dev/stdin", "out.ddl"}, "out.ddl");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.output, named("/dev/stdin"));

    r = d.run({"in.htm", "-"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, file.output);
    EXPECT_FALSE(d.exists("-"));

    // A script's output, begun again when the script is found, through a
    // stream that cannot be begun again.
    const std::string script = "<html><!-- a note --><dramaton><title T><author A><begin>\nWords.";
    page(d, script);
    RunResult script_file = d.run({"in.htm", "out.ddl"}, "out.ddl");
    ASSERT_EQ(script_file.code, 0);
    d.set_stdin(script);
    r = d.run({"-", "-"});
    EXPECT_EQ(r.code, 0);
    std::string want = script_file.output;
    want.replace(want.find("\"in.htm\""), 8, "\"-\"");
    EXPECT_EQ(r.out, want);

    // Nothing to read is an empty input.
    d.set_stdin("");
    r = d.run({"-", "out.ddl"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, box("This file is empty! Aborting process."));
}

TEST(Streams, HelpAndVersionOnStandardOutput)
{
    ScratchDir d(std::vector<std::string>{});
    RunResult r = d.run({"--help"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.rfind("Usage: quillet <input file> <output file>\n", 0), 0u) << r.out;
    for (const char* option : {"-converthtml", "-tohtml", "-configure", "-version", "/?", "-h", "--version", "--help",
                               "\"-\"", "/tmp/Quillet.ddl"})
        EXPECT_NE(r.out.find(option), std::string::npos) << option;

    // --version prints the text -version shows.
    RunResult shown = d.run({"-version"});
    r = d.run({"--version"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.rfind("QuilletW 0.48WIN (25th August 2005)\n", 0), 0u);
    EXPECT_EQ("QuilletW: " + r.out, shown.err);
}

TEST(Streams, TheManualPageNamesEveryOptionOfTheHelp)
{
    ScratchDir d(std::vector<std::string>{});
    std::string help = d.run({"--help"}).out;
    std::ifstream in(std::string(QUILLET_SOURCE_DIR) + "/docs/quillet.1", std::ios::binary);
    ASSERT_TRUE(in);
    std::string man((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The page as a reader sees it: "\-" is a minus, fonts are switched
    // by escapes that are not text.
    std::string shown;
    for (size_t i = 0; i < man.size(); ++i) {
        if (man[i] == '\\' && i + 1 < man.size() && man[i + 1] == '-') {
            shown += '-';
            ++i;
        } else if (man[i] == '\\' && i + 2 < man.size() && man[i + 1] == 'f') {
            i += 2;
        } else if (man[i] == '\\' && i + 1 < man.size() && man[i + 1] == '&') {
            ++i;
        } else {
            shown += man[i];
        }
    }
    // Every "quillet OPTION" line of the help, and the option itself.
    size_t at = 0;
    int options = 0;
    while ((at = help.find("\n  quillet ", at)) != std::string::npos) {
        at += 11;
        std::string word = help.substr(at, help.find(' ', at) - at);
        if (word[0] != '-' && word[0] != '/') continue;
        ++options;
        EXPECT_NE(shown.find(word), std::string::npos) << word;
    }
    EXPECT_EQ(options, 6);  // -converthtml -tohtml -configure -version --version --help
    for (const char* also : {"/?", "-h", "/tmp/Quillet.ddl"}) EXPECT_NE(shown.find(also), std::string::npos) << also;
}

#ifdef QUILLET_FAILINJECT

// Small support files of our own, so that the counts in the messages are known.
void small_tables(ScratchDir& d)
{
    d.write("entities", "&amp\n\"quot\n");  // 2 lines: 3 records
    d.write("unierr", "\xA0nbsp\n");  // 1 line: 2 records
    d.write("revent", "&amp;\n<lt;\n>gt;\n");  // 3 lines: 4 records
    d.write("fontmap", "; faces\nArial ~ 41\nCourier New ~ 21\n");  // 2 mappings: 3 records
    d.write("fontexpt", "corpus ~ Mono\n");  // 1 mapping: 2 records
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
        {"cast register", [](ScratchDir& d) { page(d, script_with("<defactor Someone>A person.</defactor>", 6)); },
         args, 1, "Unable to (re)allocate memory for actor/actress array, unable to continue."},
        {"scene register", [](ScratchDir& d) { page(d, script_with("<scene \"S\" int day>Words.</scene>", 6)); }, args,
         1, "Unable to (re)allocate memory for scenes array, unable to continue."},
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
         args, 70, "Unable to allocate memory for 2 export font map entries, cannot continue (please free up memory)."},
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
         args, 255, "Unable to allocate memory for 4 export reverse-lookup table entries, sorry, unable to continue.."},
    };
    for (const ExitCase& c : cases) {
        for (bool earlier : {false, true}) {
            ScratchDir d;
            c.setup(d);
            // The registers fail at their start and when they grow: every such run.
            const bool registers = c.message.find("(re)allocate") != std::string::npos;
            std::vector<RunResult> runs = runs_showing(d, c.args, c.message, registers, earlier ? &kEarlier : nullptr);
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
        d, {"in.htm", "out.ddl"}, [&](const RunResult& r) { return r.err.compare(0, head.size(), head) == 0; }, true);
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

TEST(ExitCodes, AnInputThatCannotBeReadEndsWithTen)
{
    ScratchDir d;
    page(d, kPage);
    for (const char* n : {"1", "2", "3"}) {  // the first pass, the conversion, the end of the input
        d.write("out.ddl", kEarlier);
        d.set_env("QUILLET_FAIL_READ", n);
        RunResult r = d.run({"in.htm", "out.ddl"}, "out.ddl");
        d.clear_env();
        EXPECT_EQ(r.code, 10) << n;
        EXPECT_EQ(r.err, box("Couldn't read input file \"in.htm\" (" + std::string(std::strerror(EIO)) + ")."));
        EXPECT_EQ(r.output, kEarlier);
    }
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

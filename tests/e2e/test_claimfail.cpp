// Every tracked claim made to fail in turn (a test-only build option): each
// run must end with the message and exit code the design gives for that
// claim, or recover where it says so, and never crash, hang or change an
// earlier output unless it ends with 0.
#include <gtest/gtest.h>

#ifdef QUILLET_FAILINJECT

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "harness.h"

namespace {

struct Outcome {
    const char* message;  // the last message, as a pattern
    int code;
};

// The claim failures of the design and their exits.
const Outcome kFatal[] = {
    {"Unable to claim [0-9]+ bytes to buffer (input|output) filename, aborting\\.", 1},
    {"Not enough memory to load page definitions\\.", 44},
    {"Unable to allocate memory for [0-9]+ standard colours, cannot continue \\(please free up memory\\)\\.", 41},
    {"Unable to allocate memory for [0-9]+ entities, cannot continue\\.", 40},
    {"Unable to allocate memory for [0-9]+ (ISO additional / unofficial entities|export reverse-lookup table "
     "entries), sorry, unable to continue\\.\\.",
     255},  // the tail ends in its own full stop
    {"Unable to allocate memory for [0-9]+ (font map entries|export font map entries), cannot continue "
     "\\(please free up memory\\)\\.",
     70},
    {"Unable to allocate space for (font|font effect|colour|font size|indentation|alignment|alignment key) "
     "stack, cannot continue\\.",
     68},
    {"Unable to allocate memory for image reference\\.", 61},
};

// Messages a run may show and still go on.
const char* const kRecovered[] = {
    "TryToRecover: .*",
    "Unable to allocate memory for [0-9]+ document colours, disabling support for document colours\\.",
    // A font colour lost with the colour lookup's copy is then reported as unmatched.
    "Unusual error! Could not match font colour in the following HTML command at line [0-9]+ \\(this colour "
    "should have been defined in the first pass\\)\\.\\.\\.",
    "<font .*",
};

std::vector<std::string> messages(const std::string& err)
{
    std::vector<std::string> out;
    size_t p = 0;
    while ((p = err.find("QuilletW: ", p)) != std::string::npos) {
        size_t q = err.find("\nQuilletW: ", p + 1);
        std::string m = err.substr(p + 10, (q == std::string::npos ? err.size() : q) - p - 10);
        while (!m.empty() && m.back() == '\n') m.pop_back();
        out.push_back(m);
        if (q == std::string::npos) break;
        p = q + 1;
    }
    return out;
}

bool matches(const std::string& text, const char* pattern) { return std::regex_match(text, std::regex(pattern)); }

// Runs the page once per claim it makes, each time with that claim failing,
// over an earlier output. Returns the number of claims swept.
int sweep(ScratchDir& d, const std::vector<std::string>& args, const std::vector<std::string>& also = {})
{
    d.set_env("QUILLET_INJECT_REPORT", d.path(".count"));
    RunResult base = d.run(args, "out.ddl");
    EXPECT_EQ(base.code, 0) << base.err;
    std::ifstream in(d.path(".count"));
    long claims = 0, boxes = 0;
    in >> claims >> boxes;
    EXPECT_GT(claims, 5);
    const std::string earlier = "an earlier output\n";
    for (long n = 1; n <= claims; ++n) {
        d.write("out.ddl", earlier);
        d.clear_env();
        d.set_env("QUILLET_FAIL_CLAIM", std::to_string(n));
        RunResult r = d.run(args, "out.ddl");
        SCOPED_TRACE("claim " + std::to_string(n) + ": exit " + std::to_string(r.code) + "\n" + r.err);
        EXPECT_EQ(r.err.find("AddressSanitizer"), std::string::npos);
        EXPECT_EQ(r.err.find("runtime error"), std::string::npos);
        EXPECT_EQ(r.err.find("memtrace claims not released"), std::string::npos);
        EXPECT_GE(r.code, 0) << "the run did not end normally";
        if (r.code < 0) continue;
        std::vector<std::string> ms = messages(r.err);
        bool fatal = false;
        for (const Outcome& o : kFatal) {
            if (!ms.empty() && matches(ms.back(), o.message)) {
                EXPECT_EQ(r.code, o.code) << ms.back();
                fatal = true;
            }
        }
        if (fatal) {
            EXPECT_EQ(r.output, earlier) << "a failed conversion changed the output";
            continue;
        }
        EXPECT_EQ(r.code, 0);
        EXPECT_EQ(r.output.rfind("//->DDL\n", 0), 0u) << "a recovered run left no new output";
        for (const std::string& m : ms) {
            bool known = false;
            for (const char* p : kRecovered) known = known || matches(m, p);
            for (const std::string& p : also) known = known || m == p;
            EXPECT_TRUE(known) << "unexpected message: " << m;
        }
    }
    d.clear_env();
    ::testing::Test::RecordProperty("claims", static_cast<int>(claims));
    return static_cast<int>(claims);
}

const char* const kRichPage =
    "<html><head><title>t</title></head><body bgcolor=\"#ffffee\" text=navy link=red>\n"
    "<h1 align=center>Head</h1><p>Text <b>bold</b> <i>it</i> &amp; &eacute; &bogus; "
    "<font face=\"Arial\" size=+1 color=\"#123456\">font</font> <a href=\"http://x.org/\">web</a> "
    "<a href=\"mailto:a@b\">mail</a><ul><li>one<li>two</ul><ol><li>x</ol><blockquote>q</blockquote>"
    "<center>c</center><div align=right>r</div><pre>  pre</pre><hr>"
    "<quillet fontsize=14><quillet ddlscript=\"{bold 1}\"><embed src=\"a.mid\" width=1 height=2>"
    "</body></html>\n";

TEST(ClaimFailure, EveryClaimOfARichPage)
{
    ScratchDir d;
    d.write("in.htm", kRichPage);
    sweep(d, {"in.htm", "out.ddl"});
}

TEST(ClaimFailure, EveryClaimWithoutRecovery)
{
    ScratchDir d;
    d.write("in.htm", kRichPage);
    // Without recovery the sub-parse and link claims end the run with 50.
    d.write("config", "atrytorecover=false\n");
    d.set_env("QUILLET_INJECT_REPORT", d.path(".count"));
    RunResult base = d.run({"in.htm", "out.ddl"}, "out.ddl");
    ASSERT_EQ(base.code, 0);
    std::ifstream in(d.path(".count"));
    long claims = 0;
    in >> claims;
    int fifty = 0, replaced = 0;
    for (long n = 1; n <= claims; ++n) {
        d.clear_env();
        d.set_env("QUILLET_FAIL_CLAIM", std::to_string(n));
        // An earlier, longer output is there: a run that fails leaves it as
        // it was; one that ends with 0 replaces it whole.
        const std::string stale = std::string(400000, 'Z') + "STALE";
        d.write("out.ddl", stale);
        RunResult r = d.run({"in.htm", "out.ddl"}, "out.ddl");
        EXPECT_GE(r.code, 0);
        if (r.code != 0) {
            EXPECT_EQ(r.output, stale) << "claim " << n << ", exit " << r.code;
        } else {
            ++replaced;
            EXPECT_EQ(r.output.rfind("//->DDL\n", 0), 0u) << "claim " << n;
        }
        EXPECT_EQ(r.err.find("TryToRecover"), std::string::npos) << r.err;
        if (r.code == 50) ++fifty;
    }
    EXPECT_GT(fifty, 0);
    EXPECT_GT(replaced, 0);
    RecordProperty("claims", static_cast<int>(claims));
}

TEST(ClaimFailure, EveryClaimOfAPicturePage)
{
    ScratchDir d;
    std::ifstream gif(QUILLET_SOURCE_DIR "/examples/quill.gif", std::ios::binary);
    std::ostringstream ss;
    ss << gif.rdbuf();
    d.write("quill.gif", ss.str());
    d.write("in.htm",
            "<html><body><img src=quill.gif width=16 height=16> <img src=quill.gif align=right>"
            " <img src=missing.jpg></body></html>\n");
    sweep(d, {"in.htm", "out.ddl"});
}

TEST(ClaimFailure, EveryClaimOfATranslateRun)
{
    ScratchDir d;
    d.write("translat", "translate ifleaf `in.htm`\n{\nwhen `p`\nifin `x`\n{\nsetopt b\n}\nwarn `p`\ndone\n}\n");
    d.write("in.htm", "<html><body><p x=1>a<p>b</body></html>\n");
    sweep(d, {"in.htm", "out.ddl"}, {"p"});  // the rule's own warning
}

TEST(ClaimFailure, MessageBuffersThatCannotBeHadAreSkipped)
{
    ScratchDir d;
    d.remove("config");  // one warning at start-up
    d.write("in.htm", "<html><body>&bogus; <table>x</body></html>\n");
    d.set_env("QUILLET_FAIL_MESSAGE", "1");
    RunResult r = d.run({"in.htm", "out.ddl"}, "out.ddl");
    EXPECT_EQ(r.code, 0);
    // The first message is lost; the conversion goes on as if it was shown.
    EXPECT_EQ(r.err.find("unable to open configuration file"), std::string::npos);
    EXPECT_NE(r.err.find("Encountered unsupported HTML command <table>"), std::string::npos);
    EXPECT_TRUE(r.has_output);
}

}  // namespace

#endif  // QUILLET_FAILINJECT

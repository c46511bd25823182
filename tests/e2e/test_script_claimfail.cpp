// Every tracked claim of a script conversion made to fail in turn (the
// test-only fault injection build): each run ends with the message and
// exit code given for that claim, or goes on where a claim may be missed,
// and never crashes, hangs, keeps a claim or changes an earlier output
// unless it ends with 0.
#include <gtest/gtest.h>

#ifdef QUILLET_FAILINJECT

#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "test_script_common.h"

namespace {

struct Outcome {
    const char* message;
    int code;
};

const Outcome kFatal[] = {
    // The script's own.
    {"Unable to \\(re\\)allocate memory for (actor/actress|scenes) array, unable to continue\\.", 1},
    {"Can't claim memory for continuation processing, aborting\\.\\.\\.", 44},
    // Those of the start-up and the HTML side before the hand-over.
    {"Unable to claim [0-9]+ bytes to buffer (input|output) filename, aborting\\.", 1},
    {"Not enough memory to load page definitions\\.", 44},
    {"Unable to allocate memory for [0-9]+ standard colours, cannot continue \\(please free up memory\\)\\.", 41},
    {"Unable to allocate memory for [0-9]+ entities, cannot continue\\.", 40},
    {"Unable to allocate memory for [0-9]+ (ISO additional / unofficial entities|export reverse-lookup table "
     "entries), sorry, unable to continue\\.\\.",
     255},
    {"Unable to allocate memory for [0-9]+ (font map entries|export font map entries), cannot continue "
     "\\(please free up memory\\)\\.",
     70},
    {"Unable to allocate space for (font|font effect|colour|font size|indentation|alignment|alignment key) "
     "stack, cannot continue\\.",
     68},
};

const char* const kRecovered[] = {
    "Unable to claim memory to load command-ignore list; Dramaton may report any 'extension' commands used as "
    "being unrecognised\\.",
    "Encountered unrecognised Dramaton command \"<note>\" at line [0-9]+, ignoring\\.\\.\\.\\.",
    "Unable to allocate memory for [0-9]+ document colours, disabling support for document colours\\.",
    "TryToRecover: .*",
};

std::vector<std::string> messages(const std::string& err)
{
    std::vector<std::string> out;
    size_t p = 0;
    while ((p = err.find("QuilletW: ", p)) != std::string::npos) {
        size_t q = err.find("\nQuilletW: ", p);
        size_t end = q == std::string::npos ? err.size() : q;
        std::string m = err.substr(p + 10, end - p - 10);
        while (!m.empty() && m.back() == '\n') m.pop_back();
        out.push_back(m);
        if (q == std::string::npos) break;
        p = q + 1;
    }
    return out;
}

bool matches(const std::string& text, const char* pattern) { return std::regex_match(text, std::regex(pattern)); }

}  // namespace

TEST(ScriptClaimFailure, EveryClaimOfAScript)
{
    ScriptDir d;
    d.write("drmign", "note\n");
    std::string script = std::string(kShortHeader);
    for (int i = 0; i < 7; ++i) script += "<defactor C" + std::to_string(i) + ">x</defactor>";
    script += "<note><continue part2>";
    std::string part2;
    for (int i = 0; i < 7; ++i) part2 += "<scene s duration 1 2><dia c1>words</dia>";
    part2 += "<actorlist><scenelist>";
    d.write("in.part2", part2);
    d.write("in.htm", "<html><dramaton>" + script);

    d.set_env("QUILLET_INJECT_REPORT", d.path(".count"));
    RunResult base = d.run({"in.htm", "out.ddl"}, "out.ddl");
    ASSERT_EQ(base.code, 0) << base.err;
    std::ifstream in(d.path(".count"));
    long claims = 0;
    in >> claims;
    ASSERT_GT(claims, 10);
    RecordProperty("claims", static_cast<int>(claims));

    int script_fatal = 0;
    const std::string earlier = "an earlier output\n";
    for (long n = 1; n <= claims; ++n) {
        d.write("out.ddl", earlier);
        d.clear_env();
        d.set_env("QUILLET_FAIL_CLAIM", std::to_string(n));
        RunResult r = d.run({"in.htm", "out.ddl"}, "out.ddl");
        SCOPED_TRACE("claim " + std::to_string(n) + ": exit " + std::to_string(r.code) + "\n" + r.err);
        EXPECT_EQ(r.err.find("Sanitizer"), std::string::npos);
        EXPECT_EQ(r.err.find("runtime error"), std::string::npos);
        EXPECT_EQ(r.err.find("memtrace claims not released"), std::string::npos);
        ASSERT_GE(r.code, 0) << "the run did not end normally";
        std::vector<std::string> ms = messages(r.err);
        bool fatal = false;
        for (const Outcome& o : kFatal) {
            if (!ms.empty() && matches(ms.back(), o.message)) {
                EXPECT_EQ(r.code, o.code) << ms.back();
                EXPECT_EQ(r.output, earlier);
                if (o.code == 1 || o.code == 44) ++script_fatal;
                fatal = true;
                break;
            }
        }
        if (fatal) continue;
        // A lost scratch buffer only drops a text; the conversion ends normally.
        EXPECT_EQ(r.code, 0);
        EXPECT_EQ(r.output.rfind("//->DDL\n", 0), 0u);
        for (const std::string& m : ms) {
            bool known = false;
            for (const char* p : kRecovered) known = known || matches(m, p);
            EXPECT_TRUE(known) << "unexpected message: " << m;
        }
    }
    // Both registers at their start and growth, and both continuation claims.
    EXPECT_GE(script_fatal, 6);
}

// When the scene records cannot be moved to the temporary file, at the
// first move or a later one, the register stays in memory and the script
// converts as it would have.
TEST(ScriptClaimFailure, SceneRecordsKeptInMemoryWhenTheTemporaryFileFails)
{
    ScriptDir d;
    std::string script = std::string(kShortHeader);
    for (int i = 1; i <= 20000; ++i) {
        script += "<scene \"S" + std::to_string(i) + "\" ext night duration 1 " + std::to_string(i % 60) + ">";
        if (i == 12000) script += "<scenelist>";
    }
    script += "<scenelist>";
    d.write("in.htm", "<html><dramaton>" + script);
    RunResult normal = d.run({"in.htm", "out.ddl"}, "out.ddl");
    ASSERT_EQ(normal.code, 0);
    ASSERT_NE(normal.output.find("\"20000 scenes: 0 internal, 20000 external; 0 day, 20000 night\""),
              std::string::npos);
    for (const char* n : {"1", "2"}) {
        d.clear_env();
        d.set_env("QUILLET_FAIL_SPILL", n);
        RunResult r = d.run({"in.htm", "out.ddl"}, "out.ddl");
        EXPECT_EQ(r.code, 0) << n;
        EXPECT_EQ(r.err, "") << n;
        EXPECT_TRUE(r.output == normal.output) << "the output differs when move " << n << " fails";
    }
    d.clear_env();
}

#endif  // QUILLET_FAILINJECT

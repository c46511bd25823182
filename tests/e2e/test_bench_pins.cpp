// Regression pins for the benchmark's own inputs. tests/data/bench/ holds
// small inputs made by bench/gen.py (a 50 KB page and a 50 KB script), a
// copy of the support files, and the output the program gave for each
// before its performance work. The
// conversion must keep giving those bytes exactly, whatever is done to make
// it faster.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "harness.h"

namespace {

const char* const kSupport[] = {"config",   "definits", "drmstyle", "colours", "fontmap",
                                "fontexpt", "entities", "unierr",   "revent",  "translat"};

std::string data_path(const std::string& name) { return std::string(QUILLET_SOURCE_DIR) + "/tests/data/bench/" + name; }

std::string data(const std::string& name)
{
    std::ifstream in(data_path(name), std::ios::binary);
    EXPECT_TRUE(static_cast<bool>(in)) << "missing " << data_path(name);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Where two outputs part, with a little of each around it, so that a
// failure shows what changed instead of two 100 KB texts.
std::string first_difference(const std::string& want, const std::string& got)
{
    size_t i = 0;
    while (i < want.size() && i < got.size() && want[i] == got[i]) ++i;
    if (i == want.size() && i == got.size()) return "";
    size_t from = i > 60 ? i - 60 : 0;
    std::ostringstream ss;
    ss << "outputs differ at byte " << i << " (expected " << want.size() << " bytes, got " << got.size()
       << ")\nexpected: ..." << want.substr(from, 120) << "\ngot:      ..." << got.substr(from, 120);
    return ss.str();
}

struct Pin {
    const char* input;  // in tests/data/bench/
    const char* runas;  // the input's name in the program folder
    const char* config;  // a config of the case's own, or null for the copied one
    const char* expected;  // the pinned output, in tests/data/bench/expected/
};

void check(const Pin& pin)
{
    SCOPED_TRACE(pin.expected);
    ScratchDir d(std::vector<std::string>{});
    for (const char* f : kSupport) d.write(f, data(std::string("support/") + f));
    if (pin.config) d.write("config", data(pin.config));
    d.write("pic0.gif", data("pic0.gif"));
    d.write("pic1.jpg", data("pic1.jpg"));
    d.write(pin.runas, data(pin.input));
    RunResult r = d.run({pin.runas, "out.ddl"}, "out.ddl");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "");
    ASSERT_TRUE(r.has_output);
    EXPECT_EQ(first_difference(data(std::string("expected/") + pin.expected), r.output), "");
}

}  // namespace

// The tag-dense page with the shipped settings: pictures embedded, colours,
// fonts, links, lists, entities, smart quotes.
TEST(BenchPins, PageWithShippedSettings) { check({"page50k.htm", "page50k.htm", nullptr, "page50k.ddl"}); }

// Every tag written back as a comment line, alignment traces, straight
// quotes and plain hyphens: the writer's direct path and its quoting rules.
TEST(BenchPins, PageWithTraceSettings) { check({"page50k.htm", "page50k.htm", "config-trace", "page50k-trace.ddl"}); }

// One pass only, no pictures, styles reset at each paragraph, headings in
// bold.
TEST(BenchPins, PageWithBlindSettings) { check({"page50k.htm", "page50k.htm", "config-blind", "page50k-blind.ddl"}); }

// The same page under the name the shipped translate script selects, so that
// every tag goes through the translate program.
TEST(BenchPins, PageThroughTheTranslateScript)
{
    check({"page50k.htm", "translat-example.htm", nullptr, "page50k-translate.ddl"});
}

// The start-up benchmark's 2 KB page.
TEST(BenchPins, SmallPage) { check({"small.htm", "small.htm", nullptr, "small.ddl"}); }

// The long script: cast, scenes, both speech forms, directives, escapes,
// chapters, breaks, an omitted scene and both lists.
TEST(BenchPins, ScriptWithShippedSettings) { check({"script50k.htm", "script50k.htm", nullptr, "script50k.ddl"}); }

// The same with every command written back as a comment line.
TEST(BenchPins, ScriptWithTraceSettings)
{
    check({"script50k.htm", "script50k.htm", "config-trace", "script50k-trace.ddl"});
}

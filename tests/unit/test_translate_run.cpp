// Translate scripts: the interpreter's conditions, enable levels, results
// and messages, run on compiled scripts against a tag in the tag buffers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "html/driver.h"
#include "html/tags.h"
#include "html/style.h"
#include "markup/tagreader.h"
#include "resources/config.h"
#include "base/runstate.h"
#include "translate/script.h"
#include "translate/translate.h"
#include "test_translate_helpers.h"

namespace {

void set_tag(const char* name, const char* params)
{
    std::snprintf(g_tag.name, sizeof g_tag.name, "%s", name);
    std::snprintf(g_tag.params, sizeof g_tag.params, "%s", params);
    g_tag.paramlen = static_cast<int>(std::strlen(g_tag.params));
}

struct Outcome {
    int token;
    std::string messages;
};

Outcome run_token(int token, const char* params = "")
{
    set_tag("t", params);
    testing::internal::CaptureStderr();
    int t = translate_token(token);
    return {t, testing::internal::GetCapturedStderr()};
}

Outcome run_name(const char* name)
{
    set_tag(name, "");
    testing::internal::CaptureStderr();
    int t = translate_name(name);
    return {t, testing::internal::GetCapturedStderr()};
}

const int kClose = TOK_CLOSING;

class TranslateRun : public testing::Test {
protected:
    void SetUp() override
    {
        saved_style_ = g_style;
        translate_sethooks(driver_dispatch, style_optiontest);
        saved_settings_ = settings;
        StyleStackDepth = 16;
    }
    void TearDown() override
    {
        g_style = saved_style_;
        settings = saved_settings_;
        translate_reset();
    }
    void compile(const std::string& script)
    {
        std::string err;
        ASSERT_EQ(compile_script(script, &err), 1) << err;
        ASSERT_EQ(err, "");
    }

private:
    StyleState saved_style_;
    Settings saved_settings_;
};

}  // namespace

TEST_F(TranslateRun, ReplaceAndOmitEmptyTheParametersAndSetTheResult)
{
    compile("{\nwhen `p`\nreplace `b`\ndone\nwhen `img`\nomit\ndone\nwhen `/i`\nreplace `/b`\ndone\n}\n");
    Outcome o = run_token(TOK_P, " align=center>");
    EXPECT_EQ(o.token, TOK_B);
    EXPECT_EQ(o.messages, "");
    EXPECT_EQ(g_tag.paramlen, 0);
    EXPECT_STREQ(g_tag.params, "");
    // The closing tag has its own token and is untouched.
    o = run_token(TOK_P + kClose, " x>");
    EXPECT_EQ(o.token, TOK_P + kClose);
    EXPECT_EQ(g_tag.paramlen, 3);
    EXPECT_EQ(run_token(TOK_IMG, " src=a.gif>").token, 0);
    EXPECT_EQ(g_tag.paramlen, 0);
    EXPECT_EQ(run_token(TOK_I + kClose).token, TOK_B + kClose);
    EXPECT_EQ(run_token(TOK_I).token, TOK_I);  // no rule
}

TEST_F(TranslateRun, IfinAndIfisTestTheLowercasedParameters)
{
    compile(
        "{\nwhen `font`\nifis ` size=3>`\n{\nreplace `b`\n}\ndone\n"
        "when `a`\nifin `Name=`\n{\nomit\n}\ndone\n}\n");
    EXPECT_EQ(run_token(TOK_FONT, " SIZE=3>").token, TOK_B);
    EXPECT_EQ(run_token(TOK_FONT, " size=3 >").token, TOK_FONT);
    EXPECT_EQ(run_token(TOK_FONT, "size=3>").token, TOK_FONT);
    EXPECT_EQ(run_token(TOK_FONT, "").token, TOK_FONT);
    EXPECT_EQ(run_token(TOK_A, " href=x NAME=top>").token, 0);
    EXPECT_EQ(run_token(TOK_A, " href=x>").token, TOK_A);
    // The test leaves the tag's own parameters as they were.
    run_token(TOK_A, " HREF=X>");
    EXPECT_STREQ(g_tag.params, " HREF=X>");
}

TEST_F(TranslateRun, FlagsPersistAcrossRulesAndRuns)
{
    compile(
        "{\nwhen `h1`\nsetflag a\ndone\n"
        "when `/h1`\nclearflag b\ndone\n"
        "when `p`\nifflag a\n{\nreplace `i`\n}\nifnotflag b\n{\nreplace `u`\n}\ndone\n"
        "when `br`\nunsetflag a\nset flag b\ndone\n}\n");
    EXPECT_EQ(run_token(TOK_P).token, TOK_U);  // a clear, b not 1
    EXPECT_EQ(run_token(TOK_H1).token, TOK_H1);
    EXPECT_EQ(run_token(TOK_P).token, TOK_U);  // the later test wins the result
    EXPECT_EQ(run_token(TOK_BR).token, TOK_BR);
    EXPECT_EQ(run_token(TOK_P).token, TOK_P);  // a clear again, b set
    EXPECT_EQ(run_token(TOK_H1).token, TOK_H1);
    EXPECT_EQ(run_token(TOK_P).token, TOK_I);
    EXPECT_EQ(run_token(TOK_P).token, TOK_I);
    EXPECT_EQ(translate_script().flags[0], 1);
    EXPECT_EQ(translate_script().flags[1], 1);
}

TEST_F(TranslateRun, ConditionStaysAsTheLastTestLeftIt)
{
    compile(
        "{\nwhen `p`\nifflag a\n{\nwarn `first`\n}\n{\nwarn `second`\n}\n"
        "ifflag x\n{\nwarn `any`\n{\nifflag a\n{\nwarn `deep`\n}\nwarn `inner`\n}\n}\n"
        "warn `after`\ndone\n}\n");
    // The false condition of "ifflag a" also disables the second block; a
    // test inside a block decides only the blocks after it.
    EXPECT_EQ(run_token(TOK_P).messages, box("any") + box("inner") + box("after"));
    translate_script().flags[0] = 1;
    EXPECT_EQ(run_token(TOK_P).messages,
              box("first") + box("second") + box("any") + box("deep") + box("inner") + box("after"));
}

TEST_F(TranslateRun, OptionTestsReadTheStyleState)
{
    compile(
        "{\nwhen `span`\n"
        "ifopt b\n{\nwarn `b`\n}\nifopt c\n{\nwarn `c`\n}\nifopt d\n{\nwarn `d`\n}\n"
        "ifopt h\n{\nwarn `h`\n}\nifopt i\n{\nwarn `i`\n}\nifopt l\n{\nwarn `l`\n}\n"
        "ifopt o\n{\nwarn `o`\n}\nifopt p\n{\nwarn `p`\n}\nifopt r\n{\nwarn `r`\n}\n"
        "ifopt t\n{\nwarn `t`\n}\nifopt u\n{\nwarn `u`\n}\n"
        "ifnotopt b\n{\nwarn `not b`\n}\ndone\n}\n");
    int32_t align[17] = {3, 1, 2};
    g_style = StyleState{};
    g_style.base_alignment = 3;
    g_style.align_stack = align;
    g_style.align_depth = 1;
    settings.debug = 0;
    EXPECT_EQ(run_token(TOK_SPAN).messages, box("l") + box("not b"));

    g_style.align_depth = 2;  // centred on top
    g_style.bold_count = 2;
    g_style.link_count = 1;
    g_style.italic_count = 1;
    g_style.plaintext_count = 1;
    settings.debug = 1;
    EXPECT_EQ(run_token(TOK_SPAN).messages, box("b") + box("c") + box("d") + box("h") + box("i") + box("p"));

    g_style = StyleState{};
    g_style.base_alignment = 0;
    g_style.align_stack = align;
    g_style.align_depth = 3;  // right on top
    g_style.list_depth = 1;
    g_style.pre_count = 1;
    g_style.tt_count = 1;
    g_style.underline_count = 1;
    settings.debug = 0;
    EXPECT_EQ(run_token(TOK_SPAN).messages, box("o") + box("p") + box("r") + box("t") + box("u") + box("not b"));
}

TEST_F(TranslateRun, SetoptAndUnsetoptActAsTheTags)
{
    compile("{\nwhen `span`\nsetopt p\nsetopt d\ndone\nwhen `/span`\nunsetopt p\nunsetopt d\ndone\n}\n");
    g_style = StyleState{};
    settings.debug = 0;
    run_token(TOK_SPAN);
    EXPECT_EQ(g_style.pre_count, 1);  // as <pre>
    EXPECT_EQ(settings.debug, 1);
    run_token(TOK_SPAN);
    EXPECT_EQ(g_style.pre_count, 2);
    run_token(TOK_SPAN + kClose);
    run_token(TOK_SPAN + kClose);
    EXPECT_EQ(g_style.pre_count, 0);  // as </pre>, twice
    EXPECT_EQ(settings.debug, 0);
}

TEST_F(TranslateRun, SetoptBoldActsAsTheBoldTag)
{
    g_style = StyleState{};
    settings.ignoreeffects = 0;
    compile(
        "{\nwhen `span`\nsetopt b\nsetopt i\nsetopt u\nsetopt t\ndone\n"
        "when `/span`\nunsetopt b\nunsetopt i\nunsetopt u\nunsetopt t\ndone\n}\n");
    run_token(TOK_SPAN);
    EXPECT_EQ(g_style.bold_count, 1);
    EXPECT_EQ(g_style.italic_count, 1);
    EXPECT_EQ(g_style.underline_count, 1);
    EXPECT_EQ(g_style.tt_count, 1);
    run_token(TOK_SPAN + kClose);
    EXPECT_EQ(g_style.bold_count, 0);
    EXPECT_EQ(g_style.italic_count, 0);
    EXPECT_EQ(g_style.underline_count, 0);
    EXPECT_EQ(g_style.tt_count, 0);
}

TEST_F(TranslateRun, UnknownRulesMatchTheLowercasedName)
{
    compile("{\nunknown `Blink`\nreplace `i`\ndone\nunknown `marquee`\nwarn `seen`\ndone\n}\n");
    EXPECT_EQ(run_name("BLINK").token, TOK_I);
    Outcome o = run_name("marquee");
    EXPECT_EQ(o.token, 0);  // kept: no token
    EXPECT_EQ(o.messages, box("seen"));
    EXPECT_EQ(run_name("table").token, 0);
    EXPECT_EQ(run_token(TOK_I).token, TOK_I);  // unknown entries are no when rules
}

TEST_F(TranslateRun, ARuleWithoutDoneRunsOnThroughTheLaterRules)
{
    compile("{\nwhen `p`\nwarn `one`\nreplace `b`\nwhen `b`\nwarn `two`\nunknown `x`\nwarn `three`\n}\n");
    Outcome o = run_token(TOK_P);
    EXPECT_EQ(o.token, TOK_B);
    EXPECT_EQ(o.messages, box("one") + box("Unexpected 'when' in translate script, ignoring...") + box("two") +
                              box("Unexpected 'unknown' in translate script, ignoring...") + box("three"));
    EXPECT_EQ(run_token(TOK_B).messages,
              box("two") + box("Unexpected 'unknown' in translate script, ignoring...") + box("three"));
}

TEST_F(TranslateRun, TheEndOfTheProgramWithoutDone)
{
    const std::string end = box("Unexpected end of translate script - use \"done\" command...");
    compile("{\nwhen `p`\nreplace `b`\n");  // cut short by the end of the file
    Outcome o = run_token(TOK_P);
    EXPECT_EQ(o.token, TOK_B);
    EXPECT_EQ(o.messages, end);
    // A full program of 256 entries without done: the run stops at its end.
    std::string full = "{\nwhen `p`\n";
    for (int i = 0; i < 255; ++i) full += "setflag c\n";
    compile(full);
    EXPECT_EQ(translate_script().length, 512);
    o = run_token(TOK_P);
    EXPECT_EQ(o.token, TOK_P);
    EXPECT_EQ(o.messages, end);
    EXPECT_EQ(translate_script().flags[2], 1);
}

TEST_F(TranslateRun, BlocksStartOnTheLineAfterTheSelectorAndEndAtTheirBrace)
{
    const std::string end = box("Unexpected end of translate script - use \"done\" command...");
    // Without a "{" on the next line only that first line is compiled: the
    // rule matches, runs off the end and changes nothing.
    compile("when `p`\nreplace `b`\ndone\n");
    Outcome o = run_token(TOK_P);
    EXPECT_EQ(o.token, TOK_P);
    EXPECT_EQ(o.messages, end);
    // A block that starts a line later, or after a comment, or a "}" first:
    // nothing is compiled.
    for (const char* script : {"\n{\nwhen `p`\nreplace `b`\ndone\n}\n", "; note\n{\nwhen `p`\nreplace `b`\ndone\n}\n",
                               "}\nwhen `p`\nreplace `b`\n"}) {
        compile(script);
        o = run_token(TOK_P);
        EXPECT_EQ(o.token, TOK_P) << script;
        EXPECT_EQ(o.messages, "") << script;
    }
    // What follows a brace on its line is not read: the "when `i`" after the
    // first "{" makes no rule, and the "{" after "when `p`" opens nothing, so
    // the "}" of "} done" ends the block, its rule with it; nothing after
    // that is read.
    compile("{ when `i`\nwhen `p` {\nreplace `b`\n} done\ndone\n}\nwhen `u`\nreplace `b`\n");
    o = run_token(TOK_P);
    EXPECT_EQ(o.token, TOK_B);
    EXPECT_EQ(o.messages, "");
    o = run_token(TOK_I);
    EXPECT_EQ(o.token, TOK_I);
    EXPECT_EQ(o.messages, "");
    EXPECT_EQ(run_token(TOK_U).token, TOK_U);  // after the block's end
}

TEST_F(TranslateRun, WarnTextsAreCutToThirtyOneCharactersAndRunToTheLastBackquote)
{
    compile("{\nwhen `p`\nwarn `" + std::string(40, 'w') +
            "`\nwarn `a`\nwarn `a`\ndone\nwhen `b`\nwarn `say `hi` now`\ndone\n}\n");
    EXPECT_EQ(run_token(TOK_P).messages, box(std::string(31, 'w')) + box("a") + box("a"));
    EXPECT_EQ(run_token(TOK_B).messages, box("say `hi` now"));
}

TEST_F(TranslateRun, AbortStopsAndKeepsTheResultSoFar)
{
    compile("{\nwhen `p`\nreplace `b`\nabort\nreplace `i`\ndone\n}\n");
    Outcome o = run_token(TOK_P);
    EXPECT_EQ(o.token, TOK_B);
    EXPECT_EQ(o.messages, box("Translate script: abort requested"));
}

TEST_F(TranslateRun, ReportsOfFlagsAndStrings)
{
    compile(
        "{\nwhen `p`\nstrcount b\nprintflag b\nprintflag a\nsetflag a\nprintflag a\nprintflag x\n"
        "ifflag b\n{\nwarn `b is one`\n}\ndone\n"
        "when `br`\nprintstr 1\nprintstr\x02\nprintstr 3\nprintstr 4\nprintstr 32\nprintstr 33\n"
        "printstr 0\nprintstr z\nprstrtbl\ndone\n"
        "unknown `br`\nifis ``\ndone\n}\n");
    EXPECT_EQ(run_token(TOK_P).messages, box("The B flag is set to 3.") + box("The A flag is FALSE.") +
                                             box("The A flag is TRUE.") + box("The x flag is TRUE."));
    const std::string range = box("printstr value out of range, should be 1 ... 32.");
    EXPECT_EQ(run_token(TOK_BR).messages,
              box("String 1 is \"b is one\"") + box("String 2 is \"br\"") + box("String 3 is \"\"") +
                  box("String 4 is currently undefined.") + box("String 32 is currently undefined.") + range + range +
                  range + box("String 1 is \"b is one\"") + box("String 2 is \"br\"") + box("String 3 is \"\""));
}

TEST_F(TranslateRun, NestingBeyondEightLevels)
{
    auto nested = [](int depth, const std::string& test) {
        std::string s = "{\nwhen `p`\n" + test + "\n";
        for (int i = 0; i < depth; ++i) s += "{\n";
        s += "warn `inside`\n";
        for (int i = 0; i < depth; ++i) s += "}\n";
        return s + "warn `after`\ndone\n}\n";
    };
    compile(nested(8, "ifflag x"));
    EXPECT_EQ(run_token(TOK_P).messages, box("inside") + box("after"));
    compile(nested(9, "ifflag x"));
    EXPECT_EQ(run_token(TOK_P).messages,
              box("Too many '{'s in translate script, can only nest eight levels deep, aborting..."));
    // In a disabled level the ninth brace is ignored, so one "}" too many
    // is met on the way out.
    compile(nested(9, "ifflag a"));
    EXPECT_EQ(run_token(TOK_P).messages,
              box("Too many '{'s in translate script, can only nest eight levels deep, ignoring... "
                  "(note: this may cause \"unexpected '}'\" errors)") +
                  box("Unexpected '}' in translate script, aborting..."));
}

TEST_F(TranslateRun, WarnTextsAreNeverFormats)
{
    compile("{\nwhen `p`\nwarn `%s%n%d 100%`\ndone\n}\n");
    EXPECT_EQ(run_token(TOK_P).messages, box("%s%n%d 100%"));
}

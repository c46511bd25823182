// Script conversions across continuation files, and scripts that are
// malformed, huge or full of odd bytes.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "test_script_common.h"

namespace {

std::string continuation_failure(const std::string& name, int code)
{
    return msg("Can't open file \"" + name + "\" for Dramaton continuation, aborting... [" + std::to_string(code) +
               "]");
}

bool sanitizer_clean(const RunResult& r)
{
    return r.err.find("Sanitizer") == std::string::npos && r.err.find("runtime error") == std::string::npos;
}

}  // namespace

TEST(ScriptContinue, NamedFileAndFallbackName)
{
    ScriptDir d;
    // The named file is read; the rest of the first file is not, and line
    // numbers start again at 1.
    d.write("part2.txt", "\n\nTwo</title>");
    RunResult r = d.script(std::string(kShortHeader) + "One <continue part2.txt> dropped");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(script_body(r.output), "\"One \"\n\"Two\"\n");
    EXPECT_EQ(r.err, msg("The dramaton command \"</title>\" is not valid, please check your script's syntax at "
                         "offset +13 (line 3). Will ignore and continue."));

    // No file "part3": the input path up to its last "." and the name.
    d.write("in.part3", "Three<continue part4>");
    d.write("in.part4", "Four");
    r = d.script(std::string(kShortHeader) + "One<continue part3>");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(script_body(r.output), "\"One\"\n\"Three\"\n\"Four\"\n");
}

TEST(ScriptContinue, FailuresEndWithCode44)
{
    ScriptDir d;
    std::string script = std::string(kShortHeader) + "x";

    RunResult r = d.script(script + "<continue missing.txt>");
    EXPECT_EQ(r.code, 44);
    EXPECT_EQ(r.err, continuation_failure("missing.txt", 1));
    EXPECT_FALSE(r.has_output);

    r = d.script(script + "<continue nothere>");
    EXPECT_EQ(r.code, 44);
    EXPECT_EQ(r.err, continuation_failure("in.nothere", 4));
    EXPECT_FALSE(r.has_output);

    // An input path without a ".", and one whose only usable "." is its first character.
    d.write("script", "<html><dramaton>" + script + "<continue nothere>");
    r = d.run({"script", "out.ddl"}, "out.ddl");
    EXPECT_EQ(r.code, 44);
    EXPECT_EQ(r.err, continuation_failure("nothere", 2));
    EXPECT_FALSE(r.has_output);

    d.write(".scr", "<html><dramaton>" + script + "<continue nothere>");
    r = d.run({".scr", "out.ddl"}, "out.ddl");
    EXPECT_EQ(r.code, 44);
    EXPECT_EQ(r.err, continuation_failure("nothere", 3));
    EXPECT_FALSE(r.has_output);
}

TEST(ScriptContinue, ChainsThatWouldNeverEndAreRefused)
{
    ScriptDir d;
    std::string script = std::string(kShortHeader) + "x";
    const std::string loop =
        "\" for Dramaton continuation, it has already been read and the script would never "
        "end, aborting... [5]";

    RunResult r = d.script(script + "<continue in.htm>");
    EXPECT_EQ(r.code, 44);
    EXPECT_EQ(r.err, msg("Can't open file \"in.htm" + loop));
    EXPECT_FALSE(r.has_output);

    // Through the fallback name, round two files, and by another path.
    std::filesystem::create_directory(d.path("sub"));
    d.write("in.b", "b<continue sub/.//in.htm>");
    r = d.script(script + "<continue b>");  // writes in.htm, which the link below names
    std::filesystem::create_hard_link(d.path("in.htm"), d.path("sub/in.htm"));
    r = d.script(script + "<continue b>");
    EXPECT_EQ(r.code, 44);
    EXPECT_EQ(r.err, msg("Can't open file \"sub/.//in.htm" + loop));

    // An earlier output at the output's path is refused as the output (and
    // left as it was).
    d.write("in.htm", "<html><dramaton>" + script + "<continue out.ddl>");
    d.write("out.ddl", "earlier output");
    r = d.run({"in.htm", "out.ddl"}, "out.ddl");
    EXPECT_EQ(r.code, 44);
    EXPECT_EQ(r.err, msg("Can't open file \"out.ddl\" for Dramaton continuation, it is the output file, "
                         "aborting... [6]"));
    EXPECT_EQ(r.output, "earlier output");

    // A folder is no script: the fallback name is tried, and fails.
    std::filesystem::create_directory(d.path("folder"));
    r = d.script(script + "<continue folder>");
    EXPECT_EQ(r.code, 44);
    EXPECT_EQ(r.err, continuation_failure("in.folder", 4));
}

TEST(ScriptBadInput, CutShortAndOversized)
{
    ScriptDir d;
    // A command and a comment cut short by the end of input.
    RunResult r = d.script(std::string(kShortHeader) + "a<scene \"x");
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(r.output.find("\"1. x\"\n"), std::string::npos);
    r = d.script(std::string(kShortHeader) + "a<!-- never ends");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, msg("Encountered unrecognised Dramaton command \"<!>\" at line 2, ignoring...."));

    // A 600-character parameter: the title keeps 63 characters and the
    // input is read on after its ">".
    std::string longtitle(600, 'x');
    r = d.script("<title " + longtitle + "><author A><copyright year 2005 to H><begin>after");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.output.find("{align 1}\n\"" + std::string(63, 'x') + "\"\n"), std::string::npos);
    EXPECT_NE(r.output.find("\"after\"\nFINISH\n"), std::string::npos);

    // A 40-letter name: the first 31 letters name it, the rest are parameters.
    r = d.script(std::string(kShortHeader) + "<" + std::string(40, 'q') + ">");
    EXPECT_EQ(r.err, msg("Encountered unrecognised Dramaton command \"<" + std::string(31, 'q') +
                         ">\" at line 2, ignoring...."));

    // A shorthand speaker line far longer than the parameter text holds.
    r = d.script(std::string(kShortHeader) + "<scene s>\n##" + std::string(2000, 'n') + "\nwords\n##\n");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.output.find("{textsize}\n\"" + std::string(63, 'n') + "\"\n{remuserstyle STYLE_04}"),
              std::string::npos);
    EXPECT_NE(r.output.find("\"words \"\n{remuserstyle STYLE_05}"), std::string::npos);
    EXPECT_TRUE(sanitizer_clean(r));
}

TEST(ScriptBadInput, OddBytesAndNoise)
{
    ScriptDir d;
    std::string odd = std::string(kShortHeader) + "a" + std::string(1, '\0') + "b\xff\xe9<b " + std::string(1, '\0') +
                      "x>c\x7f" + "<\xe9t\xff>";
    RunResult r = d.script(odd);
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(sanitizer_clean(r));
    // NUL and DEL in the text read as spaces.
    EXPECT_NE(r.output.find("\"a b\xff\xe9\"\n{bold 1}\n\"c \"\n"), std::string::npos);

    // Noise made of the characters the reader treats specially.
    const char alphabet[] = "abcde <>/#\\\n\"!-\t\r\xff";
    std::mt19937 gen(12345);
    std::string noise = std::string(kShortHeader);
    for (int i = 0; i < 20000; ++i) noise += alphabet[gen() % (sizeof alphabet - 1)];
    noise += std::string(1, '\0');
    r = d.script(noise);
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(sanitizer_clean(r));
    ASSERT_GE(r.output.size(), 7u);
    EXPECT_EQ(r.output.substr(r.output.size() - 7), "FINISH\n");
}

TEST(ScriptBadInput, CommandsInEveryOrder)
{
    // Opens and closes of every kind, shuffled: speeches outside scenes,
    // closes without opens, directives inside one another.
    const std::string pieces[] = {
        "<dia A>",
        "</dia>",
        "<dia " + std::string(600, 'x') + ">",
        "<scene s int day duration 1 2>",
        "</scene>",
        "<adbreak>",
        "<chapter c>",
        "</chapter>",
        "<defactor d>",
        "</defactor>",
        "<defactress e alias f>",
        "</defactress>",
        "<dir>",
        "</dir>",
        "<loc>",
        "</loc>",
        "<prop>",
        "</prop>",
        "<sfx>",
        "</sfx>",
        "<act>",
        "</act>",
        "\\d",
        "\\l",
        "\\p",
        "\\s",
        "\\a",
        "\\\\",
        "<b>",
        "</b>",
        "<i>",
        "</i>",
        "<u>",
        "</u>",
        "<ind>",
        "</ind>",
        "<br>",
        "<p>",
        "<newpage>",
        "<actorlist>",
        "<scenelist>",
        "\n##X (y)\n",
        "\n##\n",
        "some text ",
        "<omit>x</omit>",
        "<scene o omitted>y</scene>",
        "<title late>",
        "<begin>",
        "<zz>",
        "</>",
    };
    std::mt19937 gen(777);
    std::string script = std::string(kShortHeader);
    for (int i = 0; i < 5000; ++i) script += pieces[gen() % (sizeof pieces / sizeof pieces[0])];
    ScriptDir d;
    RunResult r = d.script(script);
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(sanitizer_clean(r));
    ASSERT_GE(r.output.size(), 7u);
    EXPECT_EQ(r.output.substr(r.output.size() - 7), "FINISH\n");
}

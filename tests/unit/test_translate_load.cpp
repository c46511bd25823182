// Translate scripts: line preparation, selectors and the compiler's entries
// and load errors.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/platform.h"
#include "html/tags.h"
#include "translate/script.h"
#include "test_translate_helpers.h"

namespace {

std::string prepared(std::string raw)
{
    raw.resize(raw.size() + 1);
    int n = translate_prepareline(&raw[0], static_cast<int>(raw.size() - 1));
    return raw.substr(0, n);
}

bool selects(const std::string& line, const std::string& path, bool (*issep)(char) = backslash_only)
{
    std::string p = prepared(line);
    return translate_selects(p.c_str(), static_cast<int>(p.size()), path.c_str(), issep);
}

const std::string kLoadError = "Translation load error - ";
const std::string kWillNot = ", will not translate.";

}  // namespace

TEST(TranslateLines, PreparationCutsLowercasesAndDropsSpacesOutsideBackquotes)
{
    EXPECT_EQ(prepared("setflag a\n"), "setflaga");
    EXPECT_EQ(prepared("SetFlag A\n"), "setflaga");
    EXPECT_EQ(prepared("set flag a\r\n"), "setflaga");
    EXPECT_EQ(prepared("done\r\r\n\n"), "done");
    EXPECT_EQ(prepared("  Warn `Two  Words Here` \n"), "warn`two  words here`");
    EXPECT_EQ(prepared("ifis ` SIZE=3>`\n"), "ifis` size=3>`");
    EXPECT_EQ(prepared("\twhen\t`p`\n"), "\twhen\t`p`");  // tabs are kept
    EXPECT_EQ(prepared("  ; a comment\n"), ";acomment");
    EXPECT_EQ(prepared("   \n"), "");
    // An unclosed backquote keeps the spaces to the end of the line.
    EXPECT_EQ(prepared("warn `never closed  \n"), "warn`never closed  ");
    // Only ASCII letters change case; other bytes pass unchanged.
    EXPECT_EQ(prepared("W\xC9 `\xE9Z`\n"), "w\xC9`\xE9z`");
    // A last line without its line feed keeps its last character.
    EXPECT_EQ(prepared("}"), "}");
}

TEST(TranslateLines, LongLinesAreCutAndNulBytesAreHeldByLength)
{
    std::string bytes = std::string(200, 'x') + "\ndone\n" + std::string("wh\0en", 5) + "\n";
    FILE* f = script_stream(bytes);
    ASSERT_NE(f, nullptr);
    char line[kScriptLineLimit + 1];
    EXPECT_EQ(translate_readline(f, line), kScriptLineLimit);
    EXPECT_EQ(std::string(line), std::string(kScriptLineLimit, 'x'));
    EXPECT_EQ(std::ftell(f), 201);  // the rest of the long line was skipped
    EXPECT_EQ(translate_readline(f, line), 4);
    EXPECT_STREQ(line, "done");
    EXPECT_EQ(translate_readline(f, line), 5);
    EXPECT_EQ(std::memcmp(line, "wh\0en", 5), 0);
    EXPECT_EQ(translate_readline(f, line), -1);
    std::fclose(f);
}

TEST(TranslateSelectors, WindowsPathsWithTheBackslashRule)
{
    const std::string path = "c:\\docs\\letters\\page.htm";
    EXPECT_TRUE(selects("translate inpath `docs\\let`", path));
    EXPECT_TRUE(selects("translate inpath `c:`", path));
    EXPECT_FALSE(selects("translate inpath `page`", path));  // the leaf is not searched
    EXPECT_TRUE(selects("translate ifpath `c:\\docs\\letters`", path));
    EXPECT_FALSE(selects("translate ifpath `c:\\docs\\letters\\`", path));
    EXPECT_FALSE(selects("translate ifpath `c:\\docs`", path));
    EXPECT_TRUE(selects("Translate IfLeaf `Page.htm`", path));
    EXPECT_FALSE(selects("translate ifleaf `letters\\page.htm`", path));
    // The path is compared as given: capitals in it never match.
    EXPECT_FALSE(selects("translate ifleaf `page.htm`", "C:\\DOCS\\PAGE.HTM"));
    EXPECT_FALSE(selects("translate inpath `docs`", "C:\\DOCS\\PAGE.HTM"));
    // With only the backslash separating, a slash is part of the name.
    EXPECT_FALSE(selects("translate ifleaf `page.htm`", "c:/docs/page.htm"));
    EXPECT_TRUE(selects("translate ifleaf `c:/docs/page.htm`", "c:/docs/page.htm"));
}

TEST(TranslateSelectors, BothSeparatorsHereAndPathsWithoutAFolder)
{
    EXPECT_TRUE(selects("translate ifleaf `page.htm`", "/home/u/docs/page.htm", platform_issep));
    EXPECT_TRUE(selects("translate ifpath `/home/u/docs`", "/home/u/docs/page.htm", platform_issep));
    EXPECT_TRUE(selects("translate ifpath `c:\\docs/sub`", "c:\\docs/sub\\page.htm", platform_issep));
    EXPECT_TRUE(selects("translate ifleaf `page.htm`", "c:\\docs/sub\\page.htm", platform_issep));
    EXPECT_TRUE(selects("translate ifpath ``", "/page.htm", platform_issep));
    // No separator: the folder is empty and the leaf is the whole path.
    EXPECT_TRUE(selects("translate ifleaf `page.htm`", "page.htm", platform_issep));
    EXPECT_TRUE(selects("translate ifpath ``", "page.htm", platform_issep));
    EXPECT_FALSE(selects("translate inpath `page`", "page.htm", platform_issep));
    // Lines that are no selector.
    EXPECT_FALSE(selects("translate ifname `page.htm`", "page.htm", platform_issep));
    EXPECT_FALSE(selects("translate", "page.htm", platform_issep));
    EXPECT_FALSE(selects("when `p`", "page.htm", platform_issep));
}

TEST(TranslateSelectors, FirstMatchingSelectorGivesThePositionAfterIt)
{
    const std::string first = "translate ifleaf `page.htm`\n";
    const std::string script =
        "; rules\n"
        "translate ifleaf `other.htm`\n{\nwhen `p`\ndone\n}\n"
        "   when `p`\n" +
        first + "{\nwhen `b`\ndone\n}\n" + first + "{\n}\n";
    FILE* f = script_stream(script);
    ASSERT_NE(f, nullptr);
    long expected = static_cast<long>(script.find(first) + first.size());
    EXPECT_EQ(translate_findblock(f, "/x/page.htm", platform_issep), expected);
    std::rewind(f);
    EXPECT_EQ(translate_findblock(f, "/x/none.htm", platform_issep), 0);
    std::fclose(f);
}

TEST(TranslateCompiler, EveryCommandWithItsOperand)
{
    const std::string script =
        "{\n"
        "WHEN `/P`\n"
        "unknown `Blink`\n"
        "ifin `Size=3`\n"
        "ifis ` size=3>`\n"
        "ifflag x\n"
        "if flag c\n"
        "ifnotflag e\n"
        "ifopt h\n"
        "ifnotopt o\n"
        "setopt u\n"
        "unsetopt t\n"
        "replace `strong`\n"
        "omit\n"
        "set flag a\n"
        "clearflag b\n"
        "unsetflag d\n"
        "done\n"
        "warn `Hello There`\n"
        "abort\n"
        "printflag x\n"
        "printflag b\n"
        "printstr\x03\n"
        "printstr 12\n"
        "printstr 300\n"
        "printstr a\n"
        "strcount e\n"
        "prstrtbl\n"
        "this line is no command\n"
        "; when `b`\n"
        "\n"
        "{\n"
        "  {\n"
        "  }\n"
        "}\n"
        "}\n"
        "when `i`\n";
    std::string err;
    ASSERT_EQ(compile_script(script, &err), 1);
    EXPECT_EQ(err, "");
    auto code = translate_lettercode;
    std::vector<int> expected = {OP_WHEN,      TOK_CLOSING + TOK_P,
                                 OP_UNKNOWN,   1,
                                 OP_IFIN,      2,
                                 OP_IFIS,      3,
                                 OP_IFFLAG,    kFlagAny,
                                 OP_IFFLAG,    code('c'),
                                 OP_IFNOTFLAG, code('e'),
                                 OP_IFOPT,     code('h'),
                                 OP_IFNOTOPT,  code('o'),
                                 OP_SETOPT,    code('u'),
                                 OP_UNSETOPT,  code('t'),
                                 OP_REPLACE,   TOK_B,
                                 OP_OMIT,      OP_OMIT,
                                 OP_SETFLAG,   code('a'),
                                 OP_CLEARFLAG, code('b'),
                                 OP_CLEARFLAG, code('d'),
                                 OP_DONE,      OP_DONE,
                                 OP_WARN,      4,
                                 OP_ABORT,     OP_ABORT,
                                 OP_PRINTFLAG, kFlagAny,
                                 OP_PRINTFLAG, code('b'),
                                 OP_PRINTSTR,  3,
                                 OP_PRINTSTR,  12,
                                 OP_PRINTSTR,  255,
                                 OP_PRINTSTR,  'a',
                                 OP_STRCOUNT,  code('e'),
                                 OP_PRSTRTBL,  OP_PRSTRTBL,
                                 OP_OPEN,      1,
                                 OP_OPEN,      2,
                                 OP_CLOSE,     2,
                                 OP_CLOSE,     1,
                                 OP_DONE,      OP_DONE,
                                 OP_END,       0};
    EXPECT_EQ(program_bytes(), expected);
    const TranslateScript& s = translate_script();
    EXPECT_EQ(s.active, 1);
    ASSERT_EQ(s.stringcount, 4);
    EXPECT_STREQ(s.strings[0], "blink");
    EXPECT_STREQ(s.strings[1], "size=3");
    EXPECT_STREQ(s.strings[2], " size=3>");
    EXPECT_STREQ(s.strings[3], "hello there");
}

TEST(TranslateCompiler, LoadErrorsNameTheLineOffsetAndLeaveTranslationInactive)
{
    struct Case {
        std::string line;
        std::string message;
    };
    // Each bad line follows "{\nwhen `p`\n", so it starts at offset 11.
    const Case cases[] = {
        {"replace `bogus`", "couldn't parse HTML keyword \"bogus\" (at file offset +11)"},
        {"when `/table`", "couldn't parse HTML keyword \"/table\" (at file offset +11)"},
        {"when `/`", "couldn't parse HTML keyword \"/\" (at file offset +11)"},
        {"replace ``", "couldn't parse HTML keyword \"\" (at file offset +11)"},
        {"setflag f", "flags is not A - E (at file offset +11)"},
        {"ifflag y", "flags is not A - E (at file offset +11)"},
        {"ifnotflag x", "flags is not A - E (at file offset +11)"},
        {"strcount", "flags is not A - E (at file offset +11)"},
        {"ifopt z", "option is not b, c, d, h, i, l, o, p, r, t, or u (at file offset +11)"},
        {"ifnotopt a", "option is not b, c, d, h, i, l, o, p, r, t, or u (at file offset +11)"},
        {"unsetopt", "option is not b, c, d, h, i, l, o, p, r, t, or u (at file offset +11)"},
        {"setopt x", "option is not b, c, d, i, l, p, r, t, or u (at file offset +11)"},
    };
    for (const Case& c : cases) {
        std::string err;
        EXPECT_EQ(compile_script("{\nwhen `p`\n" + c.line + "\ndone\n}\n", &err), 0) << c.line;
        EXPECT_EQ(err, box(kLoadError + c.message + kWillNot)) << c.line;
        EXPECT_EQ(translate_script().active, 0);
    }
    for (const char* opt : {"h", "o"}) {
        std::string err;
        EXPECT_EQ(compile_script(std::string("{\n  setopt ") + opt + "\n}\n", &err), 0);
        EXPECT_EQ(err, box(kLoadError + "option is not b, c, d, i, l, p, r, t, or u (at file offset +2)" + kWillNot) +
                           box("You cannot 'setopt' with options 'h' and 'o'."));
    }
    // Accepted where the set allows them.
    EXPECT_EQ(compile_script("{\nifopt h\nunsetopt o\nifnotopt h\n}\n"), 1);
}

TEST(TranslateCompiler, ThirtyTwoTextsFitTheThirtyThirdIsAnError)
{
    std::string script = "{\n";
    for (int i = 0; i < 32; ++i) script += "warn `t" + std::to_string(i) + "`\n";
    EXPECT_EQ(compile_script(script + "}\n"), 1);
    EXPECT_EQ(translate_script().stringcount, 32);
    long offset = static_cast<long>(script.size());
    std::string err;
    EXPECT_EQ(compile_script(script + "ifin `more`\n}\n", &err), 0);
    EXPECT_EQ(err, box(kLoadError + "run out of slots in string lookup table, script is too complex (at file offset +" +
                       std::to_string(offset) + ")" + kWillNot));
    EXPECT_EQ(translate_script().active, 0);
}

TEST(TranslateCompiler, TwoHundredFiftySixEntriesFitOneMoreIsAnError)
{
    // "{" (2 bytes), one when (8 bytes), then setflag lines of 9 bytes each.
    std::string body = "{\nwhen`p`\n";
    for (int i = 0; i < 253; ++i) body += "setflaga\n";
    // 254 entries, and the closing brace's done and end entry: 256.
    EXPECT_EQ(compile_script(body + "}\n"), 1);
    EXPECT_EQ(translate_script().length, 512);
    std::string err;
    EXPECT_EQ(compile_script(body + "setflaga\n}\n", &err), 0);
    EXPECT_EQ(err,
              box(kLoadError + "run out of room for more than 256 entries, script is too complex (at file offset +" +
                  std::to_string(2 + 8 + 254 * 9) + ")" + kWillNot));
    // The same limit holds for nesting braces and for ten thousand rules.
    std::string deep = "{\n";
    for (int i = 0; i < 1000; ++i) deep += "{\n";
    EXPECT_EQ(compile_script(deep, &err), 0);
    EXPECT_NE(err.find("run out of room"), std::string::npos);
    std::string many = "{\n";
    for (int i = 0; i < 10000; ++i) many += "when `p`\nreplace `b`\ndone\n";
    EXPECT_EQ(compile_script(many + "}\n", &err), 0);
    EXPECT_EQ(translate_script().active, 0);
}

TEST(TranslateCompiler, GarbageNeverOverrunsOrHangs)
{
    // Binary bytes, NULs, 8-bit characters and endless lines.
    std::string junk;
    unsigned x = 12345;
    for (int i = 0; i < 200000; ++i) {
        x = x * 1103515245u + 12345u;
        junk += static_cast<char>((x >> 16) & 0xFF);
    }
    std::string err;
    for (const std::string& s :
         {std::string("{\n") + junk, junk, std::string("{\n") + std::string(1 << 20, '`'),
          std::string("{\nwarn `") + std::string(100000, 'a'), std::string("{\nwhen `p\0`\n}\n", 14)}) {
        int ok = compile_script(s, &err);
        EXPECT_TRUE(ok == 0 || ok == 1);
        const TranslateScript& t = translate_script();
        EXPECT_LE(t.length, kProgramBytes);
        EXPECT_LE(t.stringcount, kStringSlots);
    }
    // An endless unterminated text is cut like any other.
    EXPECT_EQ(compile_script(std::string("{\nwarn `") + std::string(100000, 'a'), &err), 1);
    EXPECT_EQ(std::string(translate_script().strings[0]), std::string(31, 'a'));
    EXPECT_EQ(err, "");
}

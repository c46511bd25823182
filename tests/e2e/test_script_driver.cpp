// Script conversions: the hand-over, the preamble, the title page, the
// main loop's text rules, the command reader and its messages.
#include <gtest/gtest.h>

#include <regex>

#include "test_script_common.h"

TEST(ScriptDriver, FullHeaderGivesPreambleAndTitlePage)
{
    ScriptDir d;
    RunResult r = d.script(
        "text before begin is dropped\n"
        "<title \"Night Shift\" type \"Radio play\" status \"Second draft\">\n"
        "<episode 3><author A. Writer>\n"
        "<address 1 High Street, Townsville, County, AB1 2CD, Nation>\n"
        "<telephone \"555 0100\" unlisted>\n"
        "<copyright year 2005 to \"Stone & Co\">\n"
        "<date 25/08/2005><started 2005 1 2><finished 05 8 20><revised 2005 8 24>\n"
        "<begin>\nHello");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    std::string expected = script_preamble() + "{adduserstyle STYLE_01}\n{bold 0}{italic 0} FONT_011\n";
    for (int i = 0; i < 11; ++i) expected += "{newline}\n";
    expected +=
        "{bold 1}{textsize 22000}{align 1}\n\"Night Shift\"\n{bold 0}{underline 0}{textsize 14000}{newline}\n"
        "{newline}{newline}\n\"Episode 3\"\n{newline}\n"
        "{newline}{newline}{newline}\n"
        "\"A\"\n{newline}{newline}\n\"Radio play\"\n{newline}{newline}\n"
        "\"by\"\n{newline}{newline}\n\"A. Writer\"\n{newline}{newline}\n{newline}{newline}\n"
        "\"(Thursday, 25 August 2005)\"\n"
        "{bold}{italic}{underline}{font}{textsize}{newpara}{align 3}\n";
    for (int i = 0; i < 12; ++i) expected += "{newline}\n";  // an episode: 12, a type: no 4 more
    expected +=
        "{tabruler }{tabruler {tableader \"\"} {lefttab 374173}}\n"
        "\"1 High Street\"\n{tab}\n\"Started 2005/01/02\"\n{newline}\n"
        "\"Townsville\"\n{tab}\n\"Finished 2005/08/20\"\n{newline}\n"
        "\"County\"\n{tab}\n\"Revised 2005/08/24\"\n{newline}\n"
        "\"AB1 2CD\"\n{newpara}\n"
        "\"555 0100 (\"\n{italic 1}\n\"unlisted\"\n{italic 0}\n\")\"\n"
        "{tab}\n\"Status: \"\n{italic 1}\n\"Second draft\"\n{italic 0}\n"
        "{newpara}{tabruler}{align 1}\n\"\xA9 2005 Stone & Co\"\n"
        "{newpara}{align}{bold}{italic}{underline}{font}{textsize}{newpage}\n"
        "\"Hello\"\nFINISH\n";
    EXPECT_EQ(r.output, expected);
}

TEST(ScriptDriver, HandOverBeforeAndInsideTheBody)
{
    ScriptDir d;
    std::string script = std::string(kShortHeader) + "Text";
    std::string expected = script_preamble() + short_titlepage() + "\"Text\"\nFINISH\n";

    RunResult head = d.convert("<html><head>\n<dramaton>" + script);
    ASSERT_EQ(head.code, 0) << head.err;
    EXPECT_EQ(head.output, expected);

    // Without the first pass the body search meets the tag.
    ScriptDir blind("g usesmartquotes=false\nt nonbreakhyphens=false\ng processblind=true\n");
    RunResult search = blind.convert("<html><head>\n<dramaton>" + script);
    ASSERT_EQ(search.code, 0) << search.err;
    EXPECT_EQ(search.output, expected);

    // What the HTML side wrote before the tag is discarded.
    RunResult body = d.convert("<html><body>Some page text and more<dramaton>" + script);
    ASSERT_EQ(body.code, 0) << body.err;
    EXPECT_EQ(body.output, expected);

    // The first pass hands over at the tag, so what follows it is read once:
    // also when the name is followed by a NUL, which ends it.
    const std::string warning = "QuilletW: Unexpected control code found in parameter of \"<b>\" (at line 1).\n";
    RunResult nul = d.convert(std::string("<html><head><dramaton\0x>", 24) + script);
    ASSERT_EQ(nul.code, 0) << nul.err;
    EXPECT_EQ(nul.output, expected);
    RunResult before = d.convert(std::string("<html><b \x01><dramaton\0x>", 23) + script);
    ASSERT_EQ(before.code, 0) << before.err;
    EXPECT_EQ(before.err, warning);
    EXPECT_EQ(before.output, expected);
}

TEST(ScriptDriver, MainLoopTextRules)
{
    ScriptDir d;
    RunResult r = d.script(std::string(kShortHeader) +
                           "Three   spaces\n\tand a tab - hyphen, \\<tag\\> \\/ \\q gone \\\\ # mid #");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(script_body(r.output), "\"Three spaces and a tab - hyphen, <tag> \\\\  gone  # mid #\"\n");

    ScriptDir soft("g usesmartquotes=false\nt nonbreakhyphens=true\n");
    r = soft.script(std::string(kShortHeader) + "well-known");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(script_body(r.output), "\"well\xADknown\"\n");

    // Before <begin> "#" lines are plain (suppressed) text; a "#" line
    // after it that is no shorthand writes its "#".
    r = d.script("##x\n" + std::string(kShortHeader) + "#x\n#");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(script_body(r.output), "\"#x #\"\n");
}

TEST(ScriptDriver, BeginChecks)
{
    ScriptDir d;
    RunResult r = d.script("<title T><begin>text");
    EXPECT_EQ(r.code, 57);
    EXPECT_EQ(r.err, msg("You cannot <begin> a script without first defining an <author>!"));
    EXPECT_FALSE(r.has_output);

    r = d.script("<author A><begin>text");
    EXPECT_EQ(r.code, 56);
    EXPECT_EQ(r.err, msg("You cannot <begin> a script without first defining a <title>!"));
    EXPECT_FALSE(r.has_output);

    // No copyright: a notice, and the holder is the author, without a year.
    r = d.script("<title T><author A><begin>\n<begin>");
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(r.err, msg("This is NOT an error: It has been noticed that you are <begin>ning a script without "
                         "first defining a <copyright>...") +
                         msg("You can only call <begin> once! (line 2)"));
    EXPECT_NE(r.output.find("{newpara}{tabruler}{align 1}\n\"\xA9 A\"\n"), std::string::npos);
}

TEST(ScriptDriver, HeaderRefusedAfterBegin)
{
    ScriptDir d;
    RunResult r = d.script(std::string(kShortHeader) +
                           "<author X><title Y>\n<telephone 1><target 5><revised 2005 1 1><copyright year 1999>");
    ASSERT_EQ(r.code, 0);
    const char* f = "You cannot set the <%s> after the <begin> command (line %d), ignoring.";
    std::string want;
    const char* names[] = {"author", "title", "telephone", "target", "revised", "copyright"};
    for (int i = 0; i < 6; ++i) {
        char buf[200];
        std::snprintf(buf, sizeof buf, f, names[i], i < 2 ? 2 : 3);
        want += msg(buf);
    }
    EXPECT_EQ(r.err, want);
    EXPECT_EQ(script_body(r.output), "");
}

TEST(ScriptDriver, DatesUseTodayWhereAsked)
{
    ScriptDir d;
    RunResult r = d.script("<title T><author A><copyright year 2005 to H><date 9999 99 99><begin>");
    ASSERT_EQ(r.code, 0);
    std::regex date(
        "\n\"\\((Sunday|Monday|Tuesday|Wednesday|Thursday|Friday|Saturday), [0-3][0-9] "
        "(January|February|March|April|May|June|July|August|September|October|November|December) "
        "2[0-9][0-9][0-9]\\)\"\n\\{bold\\}");
    EXPECT_TRUE(std::regex_search(r.output, date));

    r = d.script("<date 2005 2 30>" + std::string(kShortHeader));
    ASSERT_EQ(r.code, 0);
    std::regex warning(
        "QuilletW: The day specified in date \\(line 1\\) is invalid, should be 1-28, not 30\\. "
        "Resetting to current day '[0-9]+', updated month also\\.\n");
    EXPECT_TRUE(std::regex_match(r.err, warning)) << r.err;
}

TEST(ScriptDriver, ProcessedCommandLines)
{
    ScriptDir d("g usesmartquotes=false\nt nonbreakhyphens=false\na includeprocessed=true\n");
    RunResult r = d.script("<title My Play>" + std::string(kShortHeader) + "abc<b>def</b><><zz></zz y></scene x>");
    ASSERT_EQ(r.code, 0);
    const char* lines[] = {
        "// <title My Play>> (token 34)\n",
        "// <begin> (token 7)\n",
        // The comment line comes before the text still in the workspace.
        "// <b> (token 6)\n\"abc\"\n{bold 1}\n",
        "// </b> (token 134)\n\"def\"\n{bold 0}\n",
        "// <> (token 0)\n",
        "// <zz> (unrecognised)\n",
        "// </zz y>> (unrecognised)\n",
        "// </scene x>> (token 156)\n",
    };
    size_t at = 0;
    for (const char* l : lines) {
        size_t p = r.output.find(l, at);
        EXPECT_NE(p, std::string::npos) << l;
        if (p != std::string::npos) at = p;
    }
}

TEST(ScriptDriver, UnknownCommandsShownInItalics)
{
    ScriptDir d("g usesmartquotes=false\nt nonbreakhyphens=false\na includeunknown=true\n");
    RunResult r = d.script(std::string(kShortHeader) + "x<note a b>y\n<i>p<zz>q</i>");
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(script_body(r.output),
              "\"x\"\n\" [\"\n{italic 1}\n\"<note ...>\"\n{italic 0}\n\"] \"\n"
              "\"y \"\n{italic 1}\n\"p\"\n"
              "{italic 0}\n\" [\"\n{italic 1}\n\"<zz>\"\n{italic 0}\n\"] \"\n{italic 1}\n"
              "\"q\"\n{italic 0}\n");
    EXPECT_EQ(r.err, msg("Encountered unrecognised Dramaton command \"<note>\" at line 2, ignoring....") +
                         msg("Encountered unrecognised Dramaton command \"<zz>\" at line 3, ignoring...."));
}

TEST(ScriptDriver, IgnoreListAndInvalidCommands)
{
    ScriptDir d;
    d.write("drmign", "note\n\nextra\r\n");
    std::string script = std::string(kShortHeader) +
                         "<note to self><Note><><extra></note>\n<!x><!-- a > b -->\n"
                         "<Scene x></><b \x01>\n</title>";
    RunResult r = d.script(script);
    ASSERT_EQ(r.code, 0);
    std::string input = "<html><dramaton>" + script;
    size_t slash = input.find("</>") + 3;
    size_t title = input.size();
    char notvalid1[200], notvalid2[200];
    const char* f =
        "The dramaton command \"</%s>\" is not valid, please check your script's syntax at offset +%d "
        "(line %d). Will ignore and continue.";
    std::snprintf(notvalid1, sizeof notvalid1, f, "", static_cast<int>(slash), 4);
    std::snprintf(notvalid2, sizeof notvalid2, f, "title", static_cast<int>(title), 5);
    EXPECT_EQ(r.err, msg("Encountered unrecognised Dramaton command \"<Note>\" at line 2, ignoring....") +
                         msg("Encountered unrecognised Dramaton command \"<!x>\" at line 3, ignoring....") +
                         msg(notvalid1) + msg("Unexpected control code found in parameter of \"<b>\", at line 4.") +
                         msg(notvalid2));
    // <Scene x> is the scene command; <b> still switches bold on.
    EXPECT_NE(r.output.find("\"1. x\"\n"), std::string::npos);
    EXPECT_NE(r.output.find("{bold 1}\n"), std::string::npos);
}

TEST(ScriptDriver, OmitSkipsToItsClose)
{
    const std::string omit = "\n// Beginning omit...\n// ...omit finished.\n\n";
    ScriptDir d;
    // Allowed before <begin> too: the <begin> inside is never obeyed.
    RunResult r = d.script("<omit><begin></omit>" + std::string(kShortHeader) + "a<omit>b<b>c</omit>d");
    ASSERT_EQ(r.code, 0);
    ASSERT_EQ(r.output.compare(script_preamble().size(), omit.size(), omit), 0);
    std::string rest = r.output;
    rest.erase(script_preamble().size(), omit.size());
    EXPECT_EQ(script_body(rest), "\"a\"\n" + omit + "\"d\"\n");

    // Without its close the skip takes the rest of the input.
    r = d.script(std::string(kShortHeader) + "a<omit>b</dia>");
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(script_body(r.output), "\"a\"\n" + omit);
}

TEST(ScriptDriver, AdbreakBeforeBeginEndsTheRun)
{
    ScriptDir d;
    RunResult r = d.script("<title T><author A>\n<adbreak>more");
    EXPECT_EQ(r.code, 58);
    EXPECT_EQ(r.err, msg("You cannot call <adbreak> before the <begin> command (line 2), aborting..."));
    EXPECT_FALSE(r.has_output);
}

TEST(ScriptDriver, BodyCommandsRefusedBeforeBegin)
{
    ScriptDir d;
    RunResult r = d.script("<dia x><scene y><chapter z><defactor q><dir><b><ind></ind><br><p><newpage>" +
                           std::string(kShortHeader));
    ASSERT_EQ(r.code, 0);
    std::string want;
    const char* names[] = {"dia", "scene", "chapter", "defactor> or <defactress", "dir", "b", "ind", "ind",
                           "br",  "p",     "newpage"};
    for (const char* n : names)
        want += msg(std::string("You cannot call <") + n + "> before the <begin> command (line 1), ignoring.");
    EXPECT_EQ(r.err, want);
    EXPECT_EQ(r.output, script_preamble() + short_titlepage() + "FINISH\n");
}

// Script conversions: cast entries, speeches, directives, effects, indents.
#include <gtest/gtest.h>

#include "test_script_common.h"

namespace {

std::string character_list_head()
{
    return "{newpage}{textsize 16000}\n\"Character list\"\n{newpara}{textsize}{tabruler }{tabruler {tableader \"\"}\n"
           "{lefttab 56692}{lefttab 226771}{lefttab 396850}{lefttab 467717}{righttab 510236}}\n{newline}\n"
           "{tab}{underline 1}\n\"Name\"\n{tab}\n\"Alias\"\n{tab}\n\"Gender\"\n{tab}\n\"DiaCount\"\n"
           "{underline 0}{newline}\n";
}

std::string row(const std::string& name, const std::string& alias, const std::string& gender, const std::string& count)
{
    std::string s = "{tab}\n";
    if (!name.empty()) s += "\"" + name + "\"\n";
    s += "{tab}\n";
    if (!alias.empty()) s += "\"" + alias + "\"\n";
    return s + "{tab}\n\"" + gender + "\"\n{tab}{tab}\n\"" + count + "\"\n{newline}\n";
}

const char* kListEnd = "{tabruler }{tabruler {tableader \"\"} }\n";

}  // namespace

TEST(ScriptCast, CastEntries)
{
    ScriptDir d;
    RunResult r = d.script(std::string(kShortHeader) +
                           "<defactor \"Bob\" alias \"Robert\">A man.</defactor>\n"
                           "<defactress Mary quiet>\n"
                           "<defactress Ann>Her.</defactress>\n"
                           "</defactor>\n"
                           "<actorlist>");
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(script_body(r.output),
              "{textsize 16000}\n\"Cast\"\n{textsize 12000}{newline}{newline}\n"
              "{textsize 14000}\n\"Bob (\"\n{italic 1}\n\"Robert\"\n{italic 0}\n\"):\"\n{newline}\n"
              "{textsize 12000}\n" +
                  style_on("STYLE_02") + "\"A man.\"\n{remuserstyle STYLE_02}\n{newline}\n" +
                  "{newline}{newline}\n{textsize 14000}\n\"Ann:\"\n{newline}\n{textsize 12000}\n" +
                  style_on("STYLE_02") + "\"Her.\"\n{remuserstyle STYLE_02}\n{newline}\n" +
                  "{remuserstyle STYLE_02}\n{newline}\n" + character_list_head() +
                  // All say nothing: name order. The quiet one is named with its keyword.
                  row("Ann", "", "Female", "-") + row("Bob", "Robert", "Male", "-") +
                  row("Mary quiet", "", "Female", "-") + kListEnd);
    EXPECT_EQ(r.err, msg("Cannot obey command </defactor> or <defactress> (line 5) as there is no <defactor> or "
                         "<defactress>! Unsetting all styles."));
}

TEST(ScriptCast, SpeechesSpeakersAndCounts)
{
    ScriptDir d;
    RunResult r = d.script(std::string(kShortHeader) +
                           "<defactor \"Bob\" alias \"Robert\" quiet><defactress \"Mary\" quiet>\n"
                           "<scene \"Kitchen\" int night duration 2 30>\n"
                           "<dia ROBERT>Hi   there.</dia>\n"
                           "<dia bob >Again.</dia>\n"
                           "Narration.\n"
                           "<dia Mary (softly)>Yes.</dia>\n"
                           "##Stranger\n"
                           "Who?\n"
                           "##\n"
                           "</scene>\n"
                           "<dia X>no scene</dia>\n"
                           "<actorlist>");
    ASSERT_EQ(r.code, 0);
    const std::string open_far = "{remuserstyle STYLE_03}\n// last token was NOT <dia> or </dia> [was ";
    const std::string open_near =
        "{remuserstyle STYLE_03}\n// last token was <dia> or </dia> - not adding extra "
        "spaces.\n";
    const std::string spaced = "] - adding extra spaces.\n{newpara}{newpara}\n";
    const std::string speech = "{remuserstyle STYLE_04}\n" + style_on("STYLE_05") + "{newline}\n";
    const std::string close = "{remuserstyle STYLE_05}\n{adduserstyle STYLE_03}\n{newpara}{newpara}{newpara}\n";
    EXPECT_EQ(script_body(r.output),
              "{textsize 16000}\n\"1. Kitchen (\"\n{italic 1}\n\"int, night\"\n{italic 0}\n\") [02:30]\"\n"
              "{newline}\n{textsize 13000}\n" +
                  style_on("STYLE_03") + open_far + "28" + spaced + style_on("STYLE_04") + "\"ROBERT\"\n" + speech +
                  "\"Hi there.\"\n" + close + open_near + style_on("STYLE_04") + "\"bob \"\n" + speech +
                  "\"Again.\"\n" + close + "\"Narration. \"\n" + open_far + "0" + spaced + style_on("STYLE_04") +
                  "\"Mary \"\n{bold 0}\n\"(softly)\"\n" + speech + "\"Yes.\"\n" + close + open_near +
                  style_on("STYLE_04") + "\"Stranger\"\n" + speech + "\"Who? \"\n" + close +
                  "{remuserstyle STYLE_03}\n"
                  "\"no scene\"\n{remuserstyle STYLE_05}\n{adduserstyle STYLE_03}\n{newpara}{newpara}{newpara}\n" +
                  // Bob: "Hi there." and "Again."; the stranger: the line end, "Who?" and the next line end.
                  character_list_head() + row("Bob", "Robert", "Male", "15") + row("stranger", "", "(added)", "6") +
                  row("Mary", "", "Female", "4") + kListEnd);
    EXPECT_EQ(r.err, msg("You can only use <dia> within <scene> sections (line 12), ignoring.") +
                         msg("Cannot obey command </dia> (line 12) as there is no <dia>! Unsetting all styles."));
}

TEST(ScriptCast, DirectivesAndEffects)
{
    ScriptDir d;
    RunResult r = d.script(std::string(kShortHeader) +
                           "</act>\n"
                           "<scene \"S\">\n"
                           "<dir>x</dir><sfx>y</sfx>\n"
                           "\\dwalks\\\\ on\n"
                           "<dir>a</loc>\n"
                           "<dir><b>no</b>\\\\\n"
                           "<i><i>twice</i></i>\n"
                           "</scene>");
    ASSERT_EQ(r.code, 0);
    // Consecutive directives are kept one space apart (the soft space).
    EXPECT_EQ(script_body(r.output),
              "{textsize 16000}\n\"1. S\"\n{newline}\n{textsize 13000}\n" + style_on("STYLE_03") +
                  style_on("STYLE_06") + "\"x\"\n{remuserstyle STYLE_06}\n\" \"\n" + style_on("STYLE_09") +
                  "\"y\"\n{remuserstyle STYLE_09}\n\" \"\n" + style_on("STYLE_06") +
                  "\"walks\"\n{remuserstyle STYLE_06}\n\" on \"\n\"\"\n" + style_on("STYLE_06") +
                  "\"a\"\n{remuserstyle STYLE_06}\n\" \"\n" + style_on("STYLE_06") +
                  "\"no\"\n{remuserstyle STYLE_06}\n{italic 1}\n\"twice\"\n{italic 0}\n{remuserstyle STYLE_03}\n");
    const char* mismatch =
        "You cannot call </%s> (line %d) as the last directive called was <%s>, please either "
        "correct this or use '\\\\' to unset the 'last' directive. Will now call </%s> for you.";
    char m1[300], m2[300];
    std::snprintf(m1, sizeof m1, mismatch, "act", 2, "unknown (0)", "unknown (0)");
    std::snprintf(m2, sizeof m2, mismatch, "loc", 6, "dir", "dir");
    EXPECT_EQ(r.err, msg(m1) + msg(m2) + msg("You cannot call <b> within a <dir> (or \\d) block (line 7), ignoring.") +
                         msg("You cannot call </b>, at line 7, as there is no matching <b>.") +
                         msg("You cannot nest <i> commands (line 8), this effect is already set.") +
                         msg("You cannot call </i>, at line 8, as there is no matching <i>."));
}

TEST(ScriptCast, IndentsChaptersAndBreaks)
{
    ScriptDir d;
    RunResult r = d.script(std::string(kShortHeader) +
                           "<chapter One>\n"
                           "<ind>a<ind>b</ind>c</ind>d</ind>\n"
                           "<br>e<p>f<newpage>g\n"
                           "</chapter></chapter>\n"
                           "<chapter Two>");
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(script_body(r.output),
              "{textsize 16000}\n\"One\"\n{newline}\n{textsize 13000}\n" + style_on("STYLE_03") +
                  "{newline}{leftindent 1 113385}\n\"a\"\n{newline}{leftindent 1 141731}\n\"b\"\n"
                  "{newline}{leftindent 1 113385}\n\"c\"\n{leftindent}\n\"d\"\n"
                  "{newline}\n\"e\"\n{newpara}\n{newpara}\n\"f\"\n{newpage}\n\"g \"\n"
                  "{remuserstyle STYLE_03}\n{remuserstyle STYLE_03}\n"
                  "{newpara}\n{newpara}\n{textsize 16000}\n\"Two\"\n{newline}\n{textsize 13000}\n" +
                  style_on("STYLE_03"));
    EXPECT_EQ(r.err, msg("You cannot call </ind>, at line 3, as there is no matching <ind>.") +
                         msg("Cannot obey command </chapter> (line 5) as there is no <chapter>! Unsetting all "
                             "styles."));
}

TEST(ScriptCast, LargeCastGrowsTheRegister)
{
    ScriptDir d;
    std::string script = std::string(kShortHeader);
    char name[16];
    for (int i = 1; i <= 1200; ++i) {
        std::snprintf(name, sizeof name, "C%04d", i);
        script += std::string("<defactor \"") + name + "\" quiet>";
    }
    script += "<scene s>";
    // Speaking in reverse order: each says one character, C0007 says two.
    for (int i = 1200; i >= 1; --i) {
        std::snprintf(name, sizeof name, "c%04d", i);
        script += std::string("<dia ") + name + ">" + (i == 7 ? "xy" : "x") + "</dia>";
    }
    script += "<dia Extra>x</dia><actorlist>";
    RunResult r = d.script(script);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    size_t list = r.output.find(character_list_head());
    ASSERT_NE(list, std::string::npos);
    size_t at = r.output.find(row("C0007", "", "Male", "2"), list);
    EXPECT_NE(at, std::string::npos);
    for (int i = 1; i <= 1200; ++i) {
        if (i == 7) continue;
        std::snprintf(name, sizeof name, "C%04d", i);
        size_t p = r.output.find(row(name, "", "Male", "1"), at);
        ASSERT_NE(p, std::string::npos) << name;
        at = p;
    }
    EXPECT_NE(r.output.find(row("extra", "", "(added)", "1"), at), std::string::npos);
    EXPECT_EQ(r.output.find("(added)"), r.output.rfind("(added)"));
}

TEST(ScriptCast, SpeakerLookupEdges)
{
    ScriptDir d;
    RunResult r = d.script(std::string(kShortHeader) +
                           "<defactor \"Bob\" quiet><scene s>"
                           // No name: an alias left empty names nobody.
                           "<dia (aside)>x</dia>"
                           // A list while a speech is open: the speaker is followed through the sort.
                           "<dia Zed>ab<actorlist>cd</dia><actorlist>");
    ASSERT_EQ(r.code, 0);
    size_t last = r.output.rfind(character_list_head());
    ASSERT_NE(last, std::string::npos);
    EXPECT_EQ(r.output.substr(last), character_list_head() + row("zed", "", "(added)", "4") +
                                         row("", "", "(added)", "1") + row("Bob", "", "Male", "-") + kListEnd +
                                         "FINISH\n");
}

// Script conversions: scene headings, breaks, omitted scenes, and the
// scene list with its timing summary.
#include <gtest/gtest.h>

#include "test_script_common.h"

namespace {

const char* kSceneListHead =
    "{newpage}{textsize 16000}\n\"Scene list\"\n{newpara}{textsize}{tabruler }{tabruler {tableader \"\"}\n"
    "{lefttab 56692}{lefttab 113385}{lefttab 354331}{lefttab 425196}{lefttab 481889}}\n"
    "{tab}{underline 1}\n\"Scene\"\n{tab}\n\"Title\"\n{tab}\n\"I/E,D/N\"\n{tab}\n\"Duration\"\n{tab}\n\"Total\"\n"
    "{underline 0}{newline}\n";

std::string row(const std::string& n, const std::string& title, const std::string& marks, const std::string& dur,
                const std::string& total)
{
    std::string s = "{tab}\n\"" + n + "\"\n{tab}\n";
    if (!title.empty()) s += "\"" + title + "\"\n";
    return s + "{tab}\n" + marks + "{tab}\n\"" + dur + "\"\n{tab}\n\"" + total + "\"\n{newline}\n";
}

std::string lines_of(const RunResult& r, const std::string& from)
{
    size_t p = r.output.find(from);
    return p == std::string::npos ? std::string() : r.output.substr(p);
}

}  // namespace

TEST(ScriptScenes, HeadingsBreaksAndTheSceneList)
{
    ScriptDir d;
    RunResult r = d.script(std::string(kShortHeader) +
                           "<scene \"Kitchen\" int night duration 2 30>\n"
                           "<scene Kitchen int night>\n"
                           "<adbreak>\n"
                           "<scene \"The Interval\" day duration 1 75>\n"
                           "<scene \"\" night>\n"
                           "<scene \"Gone\" omitted>text<b></scene>\n"
                           "<scene \"Hall\" ext>\n"
                           "<scenelist>");
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "");
    const std::string five = "{newpara}{newpara}{newpara}{newpara}{newpara}\n";
    const std::string body = "{newline}\n{textsize 13000}\n" + style_on("STYLE_03");
    EXPECT_EQ(script_body(r.output),
              "{textsize 16000}\n\"1. Kitchen (\"\n{italic 1}\n\"int, night\"\n{italic 0}\n\") [02:30]\"\n" + body +
                  // The unquoted title runs to the ">".
                  "{remuserstyle STYLE_03}\n" + five +
                  "{textsize 16000}\n\"2. Kitchen int night (\"\n{italic 1}\n\"int, night\"\n{italic 0}\n\")\"\n" +
                  body + "{remuserstyle STYLE_03}\n{newpara}{newpara}{newpara}{newpara}\n" + style_on("STYLE_03") +
                  "{textsize 16000}{italic 1}\n\"-- suggested advertisement break --\"\n{newline}\n"
                  "{italic 0}{textsize 13000}\n{remuserstyle STYLE_03}\n" +
                  // "int" is found in the title; 75 seconds carry into the minutes.
                  five +
                  "{textsize 16000}\n\"4. The Interval (\"\n{italic 1}\n\"int, day\"\n{italic 0}\n\") "
                  "[02:15]\"\n" +
                  body + "{remuserstyle STYLE_03}\n" + five +
                  "{textsize 16000}\n\"5.  (\"\n{italic 1}\n\"night\"\n{italic 0}\n\")\"\n" + body +
                  "\n// scene \" \"gone\" omitted>\" is being omitted...\n// ...now resuming as normal.\n\n" +
                  "{remuserstyle STYLE_03}\n" + five +
                  "{textsize 16000}\n\"7. Hall (\"\n{italic 1}\n\"ext\"\n{italic 0}\n\")\"\n" + body + kSceneListHead +
                  row("1", "Kitchen", "\"Int, night\"\n", "02:30", "02:30") +
                  row("2", "Kitchen int night", "\"Int, night\"\n", "-", "-") +
                  "{tab}{tab}\n\"(\"\n{italic 1}\n\" suggested advertisement break \"\n{italic 0}\n\")\"\n{newline}\n" +
                  row("3", "The Interval", "\"Int, day\"\n", "02:15", "04:45") + row("4", "", "\"Night\"\n", "-", "-") +
                  "{tab}{tab}\n\"(\"\n{italic 1}\n\" omitted \"\n{italic 0}\n\")\"\n{newline}\n" +
                  row("6", "Hall", "\"Ext\"\n// *** INT/EXT but no day/night!\n", "-", "-") +
                  "{newline}\n{tab}\n\"6 scenes: 3 internal, 1 external (1 undefined); 1 day, 3 night (1 "
                  "undefined)\"\n{newline}\n"
                  "{tab}\n\"Total duration is 4 minutes, and 45 seconds.\"\n{newline}\n"
                  "{tabruler }{tabruler {tableader \"\"} }\n");
}

TEST(ScriptScenes, TotalsAgainstTargets)
{
    ScriptDir d;
    struct Case {
        const char* target;
        const char* line;
    } cases[] = {
        {"<target 60>", " Target duration exceeded by 2 minutes, and 5 seconds"},
        {"<target 122 5>", " Target duration underrun by 1 hour, 0 seconds"},
        {"<target 62 5>", " Target duration exactly matched."},
        {"<target 0 3724>", " Target duration exceeded by 1 second"},
    };
    for (const Case& c : cases) {
        RunResult r =
            d.script(std::string(c.target) + kShortHeader + "<scene a duration 60 0><scene b duration 2 5><scenelist>");
        ASSERT_EQ(r.code, 0);
        EXPECT_EQ(lines_of(r, "{newline}\n{tab}\n\"2 scenes"),
                  std::string("{newline}\n{tab}\n\"2 scenes: \"\n{newline}\n"
                              "{tab}\n\"Total duration is 1 hour, 2 minutes, and 5 seconds.\"\n{newline}\n"
                              "{tab}\n\"") +
                      c.line + "\"\n{newline}\n{tabruler }{tabruler {tableader \"\"} }\nFINISH\n")
            << c.target;
    }

    // One scene of 45 seconds; and no durations at all, against a target.
    RunResult r = d.script(std::string(kShortHeader) + "<scene a duration 0 45><scenelist>");
    EXPECT_EQ(lines_of(r, "{newline}\n{tab}\n\"1 scene"),
              "{newline}\n{tab}\n\"1 scene: \"\n{newline}\n{tab}\n\"Total duration is 0 minutes, and 45 "
              "seconds.\"\n{newline}\n{tabruler }{tabruler {tableader \"\"} }\nFINISH\n");
    r = d.script(std::string("<target 10>") + kShortHeader + "<scene a><scene b day><scenelist>");
    EXPECT_EQ(lines_of(r, "{newline}\n{tab}\n\"2 scenes"),
              "{newline}\n{tab}\n\"2 scenes: 1 day, 0 night (1 undefined)\"\n{newline}\n"
              "{tab}\n\" Target duration underrun by 10 minutes, and 0 seconds\"\n{newline}\n"
              "{tabruler }{tabruler {tableader \"\"} }\nFINISH\n");
}

TEST(ScriptScenes, ThousandsOfScenes)
{
    ScriptDir d;
    std::string script = std::string(kShortHeader);
    for (int i = 0; i < 3000; ++i) script += "<scene s int day duration 1 0>";
    script += "<adbreak><scenelist>";
    RunResult r = d.script(script);
    ASSERT_EQ(r.code, 0);
    EXPECT_NE(r.output.find("\"3000. s int day duration 1 0 (\""), std::string::npos);
    EXPECT_NE(r.output.find(row("3000", "s int day duration 1 0", "\"Int, day\"\n", "01:00", "3000:00")),
              std::string::npos);
    EXPECT_NE(r.output.find("\"3000 scenes: 3000 internal, 0 external; 3000 day, 0 night\""), std::string::npos);
    EXPECT_NE(r.output.find("\"Total duration is 50 hours, 0 minutes, and 0 seconds.\""), std::string::npos);
}

// A long script's register outgrows its memory part and is read back in
// order; lists taken part-way and at the end must both be whole.
TEST(ScriptScenes, ListsOfARegisterLargerThanMemory)
{
    ScriptDir d;
    std::string script = std::string(kShortHeader);
    std::string rows;
    std::string midlist;
    int number = 0;
    long long total = 0;
    const std::string adrow =
        "{tab}{tab}\n\"(\"\n{italic 1}\n\" suggested advertisement break \"\n{italic 0}\n\")\"\n{newline}\n";
    auto two = [](long long v) { return (v < 10 ? "0" : "") + std::to_string(v); };
    for (int i = 1; i <= 20000; ++i) {
        if (i % 997 == 0) {
            script += "<adbreak>";
            rows += adrow;
        }
        int seconds = i % 60;
        script += "<scene \"S" + std::to_string(i) + "\" int day duration 0 " + std::to_string(seconds) + ">";
        ++number;
        total += seconds;
        rows += row(std::to_string(number), "S" + std::to_string(i), "\"Int, day\"\n", "00:" + two(seconds),
                    two(total / 60) + ":" + two(total % 60));
        if (i == 9000) {
            script += "<scenelist>";
            midlist = rows;
        }
    }
    script += "<scenelist>";
    RunResult r = d.script(script);
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "");
    const std::string tabs = "{lefttab 56692}";
    const std::string head = "{underline 0}{newline}\n";
    size_t first = r.output.find(tabs);
    size_t second = r.output.find(tabs, first + 1);
    ASSERT_NE(second, std::string::npos);
    auto list_at = [&](size_t at) {
        size_t from = r.output.find(head, at) + head.size();
        size_t to = r.output.find("{newline}\n{newline}\n{tab}\n\"", from);
        return r.output.substr(from, to - from + std::string("{newline}\n").size());
    };
    EXPECT_TRUE(list_at(first) == midlist) << "the list after 9000 scenes differs";
    EXPECT_TRUE(list_at(second) == rows) << "the final list differs";
    EXPECT_NE(r.output.find("\"20000 scenes: 20000 internal, 0 external; 20000 day, 0 night\""), std::string::npos);
    // Headings number the register's entries, advertisement breaks included.
    EXPECT_NE(r.output.find("\"20020. S20000 (\""), std::string::npos);
}

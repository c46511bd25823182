// Pure operations of the script converter: the character list order, the
// duration arithmetic, indents, the continuation naming rule and the
// style resets.
#include <gtest/gtest.h>

#include <vector>

#include "script/script.h"
#include "test_script_util.h"

namespace {

CastEntry entry(const char* name, unsigned count, const char* alias = "")
{
    CastEntry e;
    std::memset(&e, 0, sizeof e);
    std::snprintf(e.name, sizeof e.name, "%s", name);
    std::snprintf(e.alias, sizeof e.alias, "%s", alias);
    e.dialogue = count;
    return e;
}

std::string order(const std::vector<CastEntry>& v)
{
    std::string s;
    for (const CastEntry& e : v) s += std::string(e.name) + e.alias + " ";
    return s;
}

}  // namespace

TEST(ScriptTiming, CharacterListOrder)
{
    std::vector<CastEntry> cast = {entry("Bob", 120), entry("guard", 0), entry("Ann", 120)};
    dramaton_sortentries(cast.data(), static_cast<int>(cast.size()));
    EXPECT_EQ(order(cast), "Ann Bob guard ");

    // Most dialogue first; equal counts by name in byte order (capitals
    // first); equal names stay in register order.
    cast = {entry("Zed", 5, "1"), entry("abe", 5), entry("Carl", 200),
            entry("Zed", 5, "2"), entry("Abe", 5), entry("Zed", 5, "3")};
    dramaton_sortentries(cast.data(), static_cast<int>(cast.size()));
    EXPECT_EQ(order(cast), "Carl Abe Zed1 Zed2 Zed3 abe ");
}

TEST(ScriptTiming, Durations)
{
    DurationParts p = dramaton_splitduration(3725);
    EXPECT_EQ(p.hours, 1);
    EXPECT_EQ(p.minutes, 2);
    EXPECT_EQ(p.seconds, 5);
    p = dramaton_splitduration(45);
    EXPECT_EQ(p.hours, 0);
    EXPECT_EQ(p.minutes, 0);
    EXPECT_EQ(p.seconds, 45);
    p = dramaton_splitduration(90061);  // a day and a bit: hours are not folded further
    EXPECT_EQ(p.hours, 25);
    EXPECT_EQ(p.minutes, 1);
    EXPECT_EQ(p.seconds, 1);

    int m, s;
    dramaton_normaliseduration(1, 75, &m, &s);
    EXPECT_EQ(m, 2);
    EXPECT_EQ(s, 15);
    dramaton_normaliseduration(0, 59, &m, &s);
    EXPECT_EQ(m, 0);
    EXPECT_EQ(s, 59);
    dramaton_normaliseduration(2, 120, &m, &s);
    EXPECT_EQ(m, 4);
    EXPECT_EQ(s, 0);
    dramaton_normaliseduration(kNumberCap, kNumberCap, &m, &s);  // saturated input still fits
    EXPECT_EQ(m, kNumberCap + kNumberCap / 60);
    EXPECT_EQ(s, kNumberCap % 60);

    const long long indents[] = {113385, 141731, 170078, 198424, 226771};
    for (int level = 1; level <= 5; ++level) EXPECT_EQ(dramaton_indentof(level), indents[level - 1]);
}

TEST(ScriptTiming, ContinuationNames)
{
    char built[256];
    EXPECT_EQ(dramaton_continuationname("C:\\scripts\\play.txt", "part2", built, sizeof built), 0);
    EXPECT_STREQ(built, "C:\\scripts\\play.part2");
    EXPECT_EQ(dramaton_continuationname("a.b.c", "x", built, sizeof built), 0);
    EXPECT_STREQ(built, "a.b.x");
    EXPECT_EQ(dramaton_continuationname("in.htm", "part2.txt", built, sizeof built), 1);
    EXPECT_EQ(dramaton_continuationname("script", "part2", built, sizeof built), 2);
    EXPECT_EQ(dramaton_continuationname(".scr", "part2", built, sizeof built), 3);
    // A final "." does not count.
    EXPECT_EQ(dramaton_continuationname("play.", "part2", built, sizeof built), 3);
    EXPECT_EQ(dramaton_continuationname("a.b.", "x", built, sizeof built), 0);
    EXPECT_STREQ(built, "a.x");
}

TEST(ScriptTiming, StyleResetModes)
{
    dramaton_resetstyles();
    start_output();
    dramaton_styleon(STY_BOLD);
    dramaton_styleon(STY_UNDERLINE);
    dramaton_styleon(STY_SCENE);
    dramaton_styleon(STY_CHAPTER);
    dramaton_styleon(STY_SFX);
    std::string on = end_output();
    EXPECT_EQ(dramaton_styletest(STY_BOLD), 1);
    EXPECT_EQ(dramaton_styletest(STY_ITALIC), 0);

    start_output();
    dramaton_stylereset(RESET_EFFECTS);  // effects only
    EXPECT_EQ(end_output(), "{bold 0}\n{underline 0}\n");
    EXPECT_EQ(dramaton_styletest(STY_BOLD), 0);
    EXPECT_EQ(dramaton_styletest(STY_SFX), 1);

    start_output();
    dramaton_stylereset(RESET_STYLES);  // and the user styles; STYLE_03 once for scene and chapter
    EXPECT_EQ(end_output(), "{remuserstyle STYLE_03}\n{remuserstyle STYLE_09}\n");
    EXPECT_EQ(dramaton_styletest(STY_SCENE), 0);
    EXPECT_EQ(dramaton_styletest(STY_CHAPTER), 0);
    EXPECT_EQ(on,
              "{bold 1}\n{underline 1}\n"
              "{adduserstyle STYLE_03}\n{bold}\n{italic}\n{underline}\n{font}\n{textsize}\n"
              "{adduserstyle STYLE_03}\n{bold}\n{italic}\n{underline}\n{font}\n{textsize}\n"
              "{adduserstyle STYLE_09}\n{bold}\n{italic}\n{underline}\n{font}\n{textsize}\n");
}

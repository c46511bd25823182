// The date operation's checks and corrections, with today's date given.
#include <gtest/gtest.h>

#include "markup/tagreader.h"
#include "script/script.h"

namespace {

const ScriptDate kToday = {2011, 6, 15};

struct Checked {
    unsigned date;
    std::string messages;
};

Checked check(long a, long b, long c)
{
    g_line = 1;
    testing::internal::CaptureStderr();
    unsigned d = dramaton_checkdate(a, b, c, kToday, "date");
    return {d, testing::internal::GetCapturedStderr()};
}

std::string warning(const char* part, int low, int high, long given, const std::string& reset)
{
    char buf[300];
    std::snprintf(buf, sizeof buf,
                  "QuilletW: The %s specified in date (line 1) is invalid, should be %d-%d, not %ld. %s\n", part, low,
                  high, given, reset.c_str());
    return buf;
}

}  // namespace

TEST(ScriptDates, AcceptedForms)
{
    const unsigned aug25 = dramaton_packdate(2005, 8, 25);
    EXPECT_EQ(aug25, (2005u << 16) | (8u << 8) | 25u);
    struct {
        long a, b, c;
        unsigned want;
    } cases[] = {
        {25, 8, 2005, aug25},  // day first
        {2005, 8, 25, aug25},
        {5, 8, 25, aug25},  // two-digit years: below 73 in this century
        {80, 1, 1, dramaton_packdate(1980, 1, 1)},
        {73, 1, 1, dramaton_packdate(1973, 1, 1)},
        {72, 12, 31, dramaton_packdate(2072, 12, 31)},
        {2004, 2, 29, dramaton_packdate(2004, 2, 29)},
        {2000, 2, 29, dramaton_packdate(2000, 2, 29)},
        {9999, 99, 99, dramaton_packdate(2011, 6, 15)},  // today
    };
    for (const auto& c : cases) {
        Checked r = check(c.a, c.b, c.c);
        EXPECT_EQ(r.date, c.want) << c.a << " " << c.b << " " << c.c;
        EXPECT_EQ(r.messages, "");
    }
}

TEST(ScriptDates, Corrections)
{
    const std::string month = "Resetting to current month '6' (did you use American date format?).";
    const std::string day = "Resetting to current day '15', updated month also.";

    Checked r = check(2005, 13, 1);
    EXPECT_EQ(r.date, dramaton_packdate(2005, 6, 1));
    EXPECT_EQ(r.messages, warning("month", 1, 12, 13, month));

    r = check(2005, 2, 30);
    EXPECT_EQ(r.date, dramaton_packdate(2005, 6, 15));
    EXPECT_EQ(r.messages, warning("day", 1, 28, 30, day));

    r = check(2100, 2, 29);  // divisible by 100: no leap year
    EXPECT_EQ(r.messages, warning("day", 1, 28, 29, day));

    // The year is corrected first, and February of 2011 has no 29th.
    r = check(1900, 2, 29);
    EXPECT_EQ(r.date, dramaton_packdate(2011, 6, 15));
    EXPECT_EQ(r.messages,
              warning("year", 1901, 2247, 1900, "Resetting to current year '2011'.") + warning("day", 1, 28, 29, day));

    r = check(2248, 4, 30);
    EXPECT_EQ(r.date, dramaton_packdate(2011, 4, 30));
    EXPECT_EQ(r.messages, warning("year", 1901, 2247, 2248, "Resetting to current year '2011'."));

    // No numbers: year 2000, then month and day are today's.
    r = check(0, 0, 0);
    EXPECT_EQ(r.date, dramaton_packdate(2000, 6, 15));
    EXPECT_EQ(r.messages, warning("month", 1, 12, 0, month) + warning("day", 1, 30, 0, day));
}

TEST(ScriptDates, CalendarAndNames)
{
    EXPECT_EQ(dramaton_lastday(2005, 2), 28);
    EXPECT_EQ(dramaton_lastday(2004, 2), 29);
    EXPECT_EQ(dramaton_lastday(1900, 2), 28);
    EXPECT_EQ(dramaton_lastday(2000, 2), 29);
    EXPECT_EQ(dramaton_lastday(2005, 4), 30);
    EXPECT_EQ(dramaton_lastday(2005, 12), 31);

    EXPECT_EQ(dramaton_weekday(2005, 8, 25), 4);  // a Thursday
    EXPECT_EQ(dramaton_weekday(2000, 1, 1), 6);  // a Saturday
    EXPECT_EQ(dramaton_weekday(1969, 7, 20), 0);  // a Sunday
    EXPECT_EQ(dramaton_weekday(2011, 6, 15), 3);  // a Wednesday

    char text[64];
    dramaton_formatdate(dramaton_packdate(2005, 8, 25), text, sizeof text);
    EXPECT_STREQ(text, "(Thursday, 25 August 2005)");
    dramaton_formatdate(dramaton_packdate(2000, 1, 1), text, sizeof text);
    EXPECT_STREQ(text, "(Saturday, 01 January 2000)");

    ScriptDate today = dramaton_today();
    EXPECT_GE(today.year, 2000);
    EXPECT_GE(today.month, 1);
    EXPECT_LE(today.month, 12);
    EXPECT_GE(today.day, 1);
    EXPECT_LE(today.day, dramaton_lastday(today.year, today.month));
}

// Values taken out of a command's parameter text.
#include <gtest/gtest.h>

#include "script/script.h"
#include "test_script_util.h"

TEST(ScriptValue, FromTheFirstSpace)
{
    set_params(" \"My Play\" type \"Radio Play\">");
    EXPECT_STREQ(dramaton_value(0).text, "My Play");
    set_params(" My Play>");
    EXPECT_STREQ(dramaton_value(0).text, "My Play");
    // Leading characters other than letters, digits, "+" and "(" are skipped.
    set_params(" --**abc def>");
    EXPECT_STREQ(dramaton_value(0).text, "abc def");
    set_params(" +44 1>");
    EXPECT_STREQ(dramaton_value(0).text, "+44 1");
    set_params(" (aside) x>");
    EXPECT_STREQ(dramaton_value(0).text, "(aside) x");
    // A value stops at a double quote or ">", or at the end of the text.
    set_params(" a\"b>");
    EXPECT_STREQ(dramaton_value(0).text, "a");
    set_params(" cut short");
    EXPECT_STREQ(dramaton_value(0).text, "cut short");
    // Nothing but skipped characters, or no space at all: empty.
    set_params(" \"\" >");
    EXPECT_STREQ(dramaton_value(0).text, "");
    set_params("x>");
    EXPECT_STREQ(dramaton_value(0).text, "");
    set_params("");
    EXPECT_STREQ(dramaton_value(0).text, "");
}

TEST(ScriptValue, FromAnOffsetAndCut)
{
    set_params(" abc defg>");
    EXPECT_STREQ(dramaton_value(5).text, "defg");
    EXPECT_STREQ(dramaton_value(3).text, "c defg");
    EXPECT_STREQ(dramaton_value(40).text, "");

    set_params(" " + std::string(400, 'a') + ">");
    EXPECT_EQ(std::string(dramaton_value(0).text), std::string(255, 'a'));

    char field[64];
    dramaton_copyfield(field, sizeof field, dramaton_value(0).text);
    EXPECT_EQ(std::string(field), std::string(63, 'a'));
}

TEST(ScriptValue, KeywordValues)
{
    set_params(" \"Night Shift\" TYPE \"Radio play\" Status draft>");
    EXPECT_STREQ(dramaton_keyvalue("type", 1).text, "Radio play");
    EXPECT_STREQ(dramaton_keyvalue("status", 1).text, "draft");
    EXPECT_STREQ(dramaton_keyvalue("episode", 1).text, "");

    // Keywords are plain substrings, found anywhere.
    set_params(" year 2005 \"Stonecraft Ltd\">");
    EXPECT_STREQ(dramaton_keyvalue("to", 1).text, "necraft Ltd");

    // Only the first 256 characters are searched.
    set_params(" " + std::string(300, 'x') + " alias Bob>");
    EXPECT_STREQ(dramaton_keyvalue("alias", 1).text, "");
    EXPECT_EQ(std::strlen(dramaton_loweredparams()), 256u);
}

TEST(ScriptValue, Numbers)
{
    const char* next = nullptr;
    const char* text = "duration 12 x 34";
    EXPECT_EQ(dramaton_number(text, &next), 12);
    ASSERT_NE(next, nullptr);
    EXPECT_STREQ(next, " x 34");
    EXPECT_EQ(dramaton_number(next, &next), 34);
    EXPECT_EQ(dramaton_number(next, &next), 0);
    EXPECT_EQ(next, nullptr);
    // After a missing number every further one reads as 0.
    EXPECT_EQ(dramaton_number(next, &next), 0);

    EXPECT_EQ(dramaton_number("007", nullptr), 7);
    EXPECT_EQ(dramaton_number("25/08/2005", &next), 25);
    EXPECT_EQ(dramaton_number(next, &next), 8);
    EXPECT_EQ(dramaton_number(next, &next), 2005);

    // Digit runs too long for any duration or date saturate.
    EXPECT_EQ(dramaton_number("99999999999999999999999 5", &next), kNumberCap);
    EXPECT_EQ(dramaton_number(next, nullptr), 5);
}

// The script command reader, the ignore list, the skip code, dispatch
// messages and the converter's fatal exits.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "base/memtrace.h"
#include "script/dramaton.h"
#include "script/script.h"
#include "test_script_util.h"

TEST(ScriptReader, NamesTokensAndParameters)
{
    feed("B>rest");
    EXPECT_EQ(dramaton_readcommand(), DRM_B);
    EXPECT_STREQ(g_tag.name, "B");
    EXPECT_EQ(g_tag.paramlen, 0);
    EXPECT_EQ(rest_of_input(), "rest");

    feed("/I>");
    EXPECT_EQ(dramaton_readcommand(), DRM_CLOSING + DRM_I);
    EXPECT_STREQ(g_tag.name, "I");

    feed("Scene \"x\" int>");
    EXPECT_EQ(dramaton_readcommand(), DRM_SCENE);
    EXPECT_STREQ(g_tag.params, " \"x\" int>");

    // The empty name is found, with token 0; an unknown one is not.
    feed(">");
    EXPECT_EQ(dramaton_readcommand(), 0);
    EXPECT_EQ(g_tag.found, 1);
    feed("/>");
    EXPECT_EQ(dramaton_readcommand(), DRM_CLOSING);
    feed("zz>");
    EXPECT_EQ(dramaton_readcommand(), 0);
    EXPECT_EQ(g_tag.found, 0);
    feed("/zz y>");
    EXPECT_EQ(dramaton_readcommand(), 0);
    EXPECT_EQ(g_tag.closing, 1);

    // Line ends and tabs become spaces; line feeds are counted.
    g_line = 1;
    feed("dia\nBob\r\tx>");
    EXPECT_EQ(dramaton_readcommand(), DRM_DIA);
    EXPECT_STREQ(g_tag.params, " Bob  x>");
    EXPECT_EQ(g_line, 2);

    // Cut short by the end of the input.
    feed("title abc");
    EXPECT_EQ(dramaton_readcommand(), DRM_TITLE);
    EXPECT_STREQ(g_tag.params, " abc");
}

TEST(ScriptReader, LimitsAndControlCodes)
{
    feed(std::string(40, 'q') + ">");
    EXPECT_EQ(dramaton_readcommand(), 0);
    EXPECT_EQ(std::string(g_tag.name), std::string(31, 'q'));
    EXPECT_EQ(std::string(g_tag.params), std::string(9, 'q') + ">");

    g_line = 1;
    feed("title " + std::string(600, 'x') + "\n>after");
    EXPECT_EQ(dramaton_readcommand(), DRM_TITLE);
    EXPECT_EQ(g_tag.paramlen, 511);
    EXPECT_EQ(std::string(g_tag.params), " " + std::string(510, 'x'));
    EXPECT_EQ(g_line, 2);
    EXPECT_EQ(rest_of_input(), "after");

    g_line = 7;
    testing::internal::CaptureStderr();
    feed(std::string("b ") + '\0' + "\x01x>");
    EXPECT_EQ(dramaton_readcommand(), DRM_B);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "QuilletW: Unexpected control code found in parameter of \"<b>\", at line 7.\n"
              "QuilletW: Unexpected control code found in parameter of \"<b>\", at line 7.\n");
    EXPECT_STREQ(g_tag.params, "   x>");
}

TEST(ScriptReader, Comments)
{
    feed("!-- a > b -->rest");
    EXPECT_EQ(dramaton_readcommand(), DRM_COMMENT);
    EXPECT_EQ(rest_of_input(), "rest");
    feed("! x>rest");
    EXPECT_EQ(dramaton_readcommand(), DRM_COMMENT);
    EXPECT_EQ(rest_of_input(), "rest");
    // Not a comment: the "!" stays the first character of the name.
    feed("!x>");
    EXPECT_EQ(dramaton_readcommand(), 0);
    EXPECT_STREQ(g_tag.name, "!x");
    feed("!-- never ends");
    EXPECT_EQ(dramaton_readcommand(), 0);
    EXPECT_STREQ(g_tag.name, "!");

    g_line = 1;
    feed("!--\n\n-->");
    EXPECT_EQ(dramaton_readcommand(), DRM_COMMENT);
    EXPECT_EQ(g_line, 3);
    // A line feed read ahead and given back is counted once.
    g_line = 1;
    feed("!\nx>");
    dramaton_readcommand();
    EXPECT_EQ(g_line, 2);
}

TEST(ScriptReader, IgnoreListFromTheCurrentFolder)
{
    std::string dir = scratch_path("ign");
    std::filesystem::create_directory(dir);
    std::string back = std::filesystem::current_path().string();
    ASSERT_EQ(chdir(dir.c_str()), 0);
    {
        std::ofstream f("drmign", std::ios::binary);
        f << "note\n\nlonger-name\r\nlast";
    }
    dramaton_loadignorelist();
    ASSERT_EQ(chdir(back.c_str()), 0);
    std::filesystem::remove_all(dir);

    ASSERT_EQ(dramaton_ignorecount(), 4);
    EXPECT_STREQ(dramaton_ignoreentry(0), "note");
    EXPECT_STREQ(dramaton_ignoreentry(1), "");
    EXPECT_STREQ(dramaton_ignoreentry(2), "longer-name");
    EXPECT_STREQ(dramaton_ignoreentry(3), "last");

    g_line = 4;
    testing::internal::CaptureStderr();
    const char* names[] = {"note", "", "last", "Note", "notes"};
    for (const char* n : names) {
        std::snprintf(g_tag.name, sizeof g_tag.name, "%s", n);
        dramaton_unknowncommand();
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "QuilletW: Encountered unrecognised Dramaton command \"<Note>\" at line 4, ignoring....\n"
              "QuilletW: Encountered unrecognised Dramaton command \"<notes>\" at line 4, ignoring....\n");
    dramaton_releaseignorelist();
    EXPECT_EQ(dramaton_ignorecount(), 0);
}

TEST(ScriptReader, SkipCode)
{
    g_line = 1;
    feed("a<b>c\n<!-- </omit> -->\\<x> </omit>rest");
    dramaton_skipuntil(DRM_CLOSING + DRM_OMIT);
    EXPECT_EQ(rest_of_input(), "rest");
    EXPECT_EQ(g_line, 2);

    feed("no closer here");
    dramaton_skipuntil(DRM_CLOSING + DRM_SCENE);
    EXPECT_EQ(rest_of_input(), "");

    EXPECT_EXIT(dramaton_skipuntil(DRM_OMIT), testing::ExitedWithCode(255),
                "In skip code, match tag was '24', not a known closer; aborting!");
}

TEST(ScriptReader, DispatchMessages)
{
    feed("0123456789");
    for (int i = 0; i < 4; ++i) infile_getc();
    g_line = 9;
    std::snprintf(g_tag.name, sizeof g_tag.name, "%s", "date");
    testing::internal::CaptureStderr();
    dramaton_dispatchtoken(19);  // no command has it
    dramaton_dispatchtoken(kKeywordEnd);
    dramaton_respatchtoken(kKeywordEnd);
    dramaton_respatchtoken(DRM_CLOSING + DRM_DATE);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "QuilletW: Failure in script parser - \"<date>\" not trapped as invalid prior to dispatch function. "
              "Will ignore and continue.\n"
              "QuilletW: Token 140 passed to dramaton_respatchtoken(), will try it --128...\n"
              "QuilletW: The dramaton command \"</date>\" is not valid, please check your script's syntax at "
              "offset +4 (line 9). Will ignore and continue.\n");
}

TEST(ScriptReader, FatalExits)
{
    // The output path is empty here, so it cannot be opened.
    EXPECT_EXIT(dramaton_convert(), testing::ExitedWithCode(11),
                "Couldn't open output file \"\" \\(No such file or directory\\)\\.");
    EXPECT_EXIT(dramaton_growfailure("scenes"), testing::ExitedWithCode(1),
                "Unable to \\(re\\)allocate memory for scenes array, unable to continue\\.");
}

TEST(ScriptReader, RegisterGrowth)
{
    int capacity = 5;
    void* block = mem_claimzero(5, sizeof(int));
    static_cast<int*>(block)[4] = 44;
    ASSERT_TRUE(dramaton_grow(&block, &capacity, sizeof(int)));
    EXPECT_EQ(capacity, 10);
    EXPECT_EQ(static_cast<int*>(block)[4], 44);
    EXPECT_EQ(static_cast<int*>(block)[9], 0);

    // A capacity that cannot grow is refused before any memory is asked for.
    int huge = 0x7FFFFFFF - 2;
    void* before = block;
    EXPECT_FALSE(dramaton_grow(&block, &huge, sizeof(int)));
    EXPECT_EQ(block, before);
    EXPECT_EQ(huge, 0x7FFFFFFF - 2);
    mem_release(block);
}

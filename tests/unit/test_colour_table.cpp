// The colour table: loading the colours file, attribute values, added
// colours, flags and the declarations written into the preamble.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "base/runstate.h"
#include "ddl/ddlout.h"
#include "support.h"
#include "html/preamble.h"
#include "html/style.h"
#include "markup/attributes.h"
#include "markup/tagreader.h"
#include "resources/colour.h"
#include "resources/config.h"

namespace {

// Runs each test in a folder of its own: the support files are looked for
// in the current folder when no program folder is set.
class ColourTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/quillet-colour-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        old_ = cwd;
        ASSERT_EQ(chdir(dir_.c_str()), 0);
        run_setprogramdir("");  // the support files of this folder
        config_defaults();
        style_initstate();
        ddlout_reset();
    }

    void TearDown() override
    {
        ddlout_drop();
        std::remove((dir_ + "/colours").c_str());
        std::remove((dir_ + "/out").c_str());
        if (chdir(old_.c_str()) != 0) ADD_FAILURE() << "chdir back";
        run_setprogramdir(QUILLET_SUPPORT_DIR "/");
        rmdir(dir_.c_str());
    }

    void load(const std::string& colours)
    {
        std::ofstream(dir_ + "/colours", std::ios::binary) << colours;
        colour_load();
    }

    static void params(const std::string& p)
    {
        std::snprintf(g_tag.params, sizeof g_tag.params, "%s", p.c_str());
        g_tag.paramlen = static_cast<int>(std::strlen(g_tag.params));
    }

    static int attr(const std::string& p, const char* name)
    {
        params(p);
        return colour_fromattribute(name, g_style.text_colour);  // as the converter gives it
    }

    std::string written(void (*what)())
    {
        test_support::Capture capture;
        what();
        return capture.text();
    }

    std::string dir_, old_;
};

// Three file lines: F is 4, so the first added colour is number 19.
const char kColours[] = "FF0000Red\nF0F8FFAliceBlue\n7FFFD4Aquamarine\n";

TEST_F(ColourTest, ValueForms)
{
    load(kColours);
    // Standard colours come before the file's, so no colour is added.
    EXPECT_EQ(attr(" color=#FF0000>", "color"), 10);
    // A new value is added, flagged used; the second time it is found.
    EXPECT_EQ(attr(" color=\"#123456\">", "color"), 19);
    EXPECT_STREQ(colour_displayname(9 + 4), "(user) #123456");
    EXPECT_EQ(attr(" color='#123456' size=2>", "color"), 19);
    // Six hexadecimal digits without '#'.
    EXPECT_EQ(attr(" color=123456>", "color"), 19);
    // Names before hexadecimal forms, case-insensitive.
    EXPECT_EQ(colour_isused(16), 0);
    EXPECT_EQ(attr(" color=RED>", "color"), 16);
    EXPECT_EQ(colour_isused(16), 1);
    EXPECT_EQ(attr(" color=aquamarine>", "color"), 18);
    // Six letters that are no colour: black.
    EXPECT_EQ(attr(" color=orchid>", "color"), 1);
    // Any other name is added with the document text colour.
    g_style.text_colour = 13;
    EXPECT_EQ(attr(" color=fuchsia>", "color"), 20);
    EXPECT_STREQ(colour_displayname(9 + 5), "(user-dflt) fuchsia");
    EXPECT_EQ(colour_component(20, 1), 0);
    EXPECT_EQ(colour_component(20, 2), 0);
    EXPECT_EQ(colour_component(20, 3), 255);
    // A file colour matching by components but not yet used is not found.
    EXPECT_EQ(attr(" color=#f0f8ff>", "color"), 21);
    EXPECT_STREQ(colour_displayname(9 + 6), "(user) #f0f8ff");
    // A plain substring search: "color" is found inside "bgcolor".
    EXPECT_EQ(attr(" bgcolor=#00ff00 color=red>", "color"), 12);
    EXPECT_EQ(attr(" text=red>", "color"), 0);
    // The value ends at the first character that is no letter or digit.
    EXPECT_EQ(attr(" color=#0000ff\xE9>", "color"), 13);
}

TEST_F(ColourTest, AddedColourComponentsAndNames)
{
    load(kColours);
    EXPECT_EQ(colour_add("#abcdef"), 19);
    EXPECT_EQ(colour_component(19, 1), 0xab);
    EXPECT_EQ(colour_component(19, 2), 0xcd);
    EXPECT_EQ(colour_component(19, 3), 0xef);
    EXPECT_EQ(colour_component(19, 4), 0);
    // Only the first 31 characters of a name are kept.
    std::string longname(40, 'q');
    EXPECT_EQ(colour_add(longname.c_str()), 20);
    EXPECT_EQ(std::string(colour_displayname(9 + 5)), "(user-dflt) " + std::string(31, 'q'));
    EXPECT_EQ(colour_findname(std::string(31, 'q').c_str()), 20);
    EXPECT_EQ(colour_findname(longname.c_str()), 0);
    EXPECT_STREQ(colour_displayname(9 + 2), "(browser) Alice Blue");
    EXPECT_STREQ(colour_displayname(4), "VDU Red");
    EXPECT_STREQ(colour_displayname(9), "VDU Cyan");
    // An over-long attribute value reads as empty and matches nothing.
    std::string huge = " color=" + std::string(300, 'a') + ">";
    EXPECT_EQ(attr(huge, "color"), 21);
    EXPECT_STREQ(colour_displayname(9 + 6), "(user-dflt) ");
}

TEST_F(ColourTest, FlagsAndComponents)
{
    load(kColours);
    EXPECT_EQ(colour_isused(1), 1);
    EXPECT_EQ(colour_isused(7), 1);
    EXPECT_EQ(colour_isused(10), 0);
    colour_flagused(10);
    EXPECT_EQ(colour_isused(10), 1);
    testing::internal::CaptureStderr();
    colour_flagused(5);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "QuilletW: Attempt to flag a user-reserved colour (5) as 'used'\n");
    colour_flagused(17);
    EXPECT_EQ(colour_isused(17), 1);
    colour_flagused(500);  // beyond the table: nothing
    EXPECT_EQ(colour_isused(500), 0);
    EXPECT_EQ(colour_component(0, 1), 0);
    EXPECT_EQ(colour_component(2, 2), 255);
    EXPECT_EQ(colour_component(3, 3), 1024);
    EXPECT_EQ(colour_component(14, 1), 255);
    EXPECT_EQ(colour_component(14, 2), 0);
    EXPECT_EQ(colour_component(18, 2), 0xff);
    EXPECT_EQ(colour_component(18, 3), 0xd4);
    EXPECT_EQ(colour_scale(255), 0x10000);
    EXPECT_EQ(colour_scale(254), 0xFE00);
    EXPECT_EQ(colour_scale(0), 0);
    // findrgb: the last matching user entry, and only when used.
    EXPECT_EQ(colour_findrgb(0x7f, 0xff, 0xd4), 0);  // not used yet
    colour_flagused(18);
    EXPECT_EQ(colour_findrgb(0x7f, 0xff, 0xd4), 18);
    EXPECT_EQ(colour_findrgb(0xf0, 0xf8, 0xff), 17);
    EXPECT_EQ(colour_findrgb(255, 255, 255), 2);
    EXPECT_EQ(colour_findhex("#00ffff"), 15);
    EXPECT_EQ(colour_findhex("00ffff"), 0);
}

TEST_F(ColourTest, FullTable)
{
    load("");  // F is 1: 150 slots, capacity 151
    char text[16];
    for (int i = 0; i < 150; ++i) {
        std::snprintf(text, sizeof text, "#0000%02x", i + 1);
        ASSERT_EQ(colour_add(text), 16 + i);
    }
    testing::internal::CaptureStderr();
    EXPECT_EQ(attr(" color=#abcdef>", "color"), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "QuilletW: Run out of user-defined colour slots... (\"#abcdef\", 151 / 151)\n");
}

TEST_F(ColourTest, Declarations)
{
    load("FF0000Red\nF0F8FFAliceBlue\n000000Say\"Hi\n");
    colour_flagused(17);  // AliceBlue
    colour_add("#abcdef");  // 19
    colour_add("teal");  // 20, black text colour
    colour_flagused(18);  // the quote in the name is escaped
    std::string want =
        "COL_001={colour \"Black\" {cmyk 0x0 0x0 0x0 0x10000}{lock 1}}\n"
        "COL_002={colour \"White\" {rgb 0x10000 0x10000 0x10000}{lock 1}}\n"
        "COL_003={colour \"Transparent\" {rgb 0x10000 0x10000 0x10000}{transparent 1}}\n"
        "COL_010={colour \"VDU Red\" {rgb 0x10000 0x00000 0x00000}{overprintlimit 0xe666}}\n"
        "COL_011={colour \"VDU Yellow\" {rgb 0x10000 0x10000 0x00000}{overprintlimit 0xe666}}\n"
        "COL_012={colour \"VDU Green\" {rgb 0x00000 0x10000 0x00000}{overprintlimit 0xe666}}\n"
        "COL_013={colour \"VDU Blue\" {rgb 0x00000 0x00000 0x10000}{overprintlimit 0xe666}}\n"
        "COL_014={colour \"VDU Magenta\" {rgb 0x10000 0x00000 0x10000}{overprintlimit 0xe666}}\n"
        "COL_015={colour \"VDU Cyan\" {rgb 0x00000 0x10000 0x10000}{overprintlimit 0xe666}}\n"
        "\n"
        "COL_017={colour \"(browser) Alice Blue\" {rgb 0x0F000 0x0F800 0x10000}{overprintlimit 0xe666}}\n"
        "COL_018={colour \"(browser) Say\\\" Hi\" {rgb 0x00000 0x00000 0x00000}{overprintlimit 0xe666}}\n"
        "COL_019={colour \"(user) #abcdef\" {rgb 0x0AB00 0x0CD00 0x0ef00}{overprintlimit 0xe666}}\n"
        "COL_020={colour \"(user-dflt) teal\" {rgb 0x00000 0x00000 0x00000}{overprintlimit 0xe666}}\n"
        "\n\n";
    EXPECT_EQ(written(colour_writedecls), want);
}

TEST_F(ColourTest, ContrastWithUserColours)
{
    load("EDCBA9Sand\n");  // F is 2: added colours from 17
    int bg = colour_add("#123456");
    ASSERT_EQ(bg, 17);
    g_style.background_colour = bg;
    // Text in the background colour: its inverse, inline while it is no used colour.
    EXPECT_EQ(written([] { ddlout_foregroundcolour(17); }),
              "{foreground {colour {rgb 0x0ED00 0x0CB00 0x0a900}} 0x10000 0}\n");
    colour_flagused(16);
    EXPECT_EQ(written([] { ddlout_foregroundcolour(17); }), "{foreground COL_016 0x10000 0}\n");
    EXPECT_EQ(written([] { ddlout_foregroundcolour(10); }), "{foreground COL_010 0x10000 0}\n");
}

TEST_F(ColourTest, GarbageFileLoads)
{
    std::string garbage;
    garbage += "\n";  // empty line
    garbage += "zz\n";  // short, not hexadecimal
    garbage += std::string(200, 'F') + "\n";  // read in pieces of 79
    garbage += "\xff\xfe\x80\x81\x82\x83\xe9t\xe9\n";  // 8-bit bytes
    garbage += "1g2h3iGood\n";  // pairs read as far as they go
    garbage += "ABCDEF";  // no line feed at the end
    load(garbage);
    // 1 + 1 + 3 + 1 + 1 + 1 lines: F is 9, so the first added colour is 24.
    EXPECT_EQ(colour_add("#010203"), 24);
    EXPECT_EQ(colour_findname("good"), 22);
    EXPECT_EQ(colour_component(22, 1), 1);
    EXPECT_EQ(colour_component(22, 2), 2);
    EXPECT_EQ(colour_component(22, 3), 3);
    // The last line loses its last byte, as every line does.
    EXPECT_EQ(colour_component(23, 3), 0xe);
}

TEST_F(ColourTest, DisabledDocumentColours)
{
    settings.disabledoccols = 1;
    colour_load();  // no colours file needed
    EXPECT_EQ(colour_add("#123456"), 0);
    EXPECT_EQ(colour_findname("red"), 0);
    EXPECT_EQ(colour_findrgb(255, 0, 255), 14);
    EXPECT_EQ(attr(" color=#00ff00>", "color"), 12);
}

TEST_F(ColourTest, MissingColoursFile)
{
    EXPECT_EXIT(colour_load(), testing::ExitedWithCode(41),
                "Couldn't open colours file \"colours\", cannot continue\\.");
}

}  // namespace

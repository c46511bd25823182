// The font map: the two files, the defaults and the lookups.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "base/runstate.h"
#include "resources/fontmap.h"

namespace {

class FontMapTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/quillet-fontmap-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        old_ = cwd;
        ASSERT_EQ(chdir(dir_.c_str()), 0);
        run_setprogramdir("");  // the support files of this folder
    }

    void TearDown() override
    {
        std::remove((dir_ + "/fontmap").c_str());
        std::remove((dir_ + "/fontexpt").c_str());
        if (chdir(old_.c_str()) != 0) ADD_FAILURE() << "chdir back";
        run_setprogramdir(QUILLET_SUPPORT_DIR "/");
        rmdir(dir_.c_str());
    }

    void write(const char* name, const std::string& bytes)
    {
        std::ofstream(dir_ + "/" + name, std::ios::binary) << bytes;
    }

    // Loads and returns the messages shown.
    static std::string load()
    {
        testing::internal::CaptureStderr();
        fontmap_load();
        return testing::internal::GetCapturedStderr();
    }

    std::string dir_, old_;
};

TEST_F(FontMapTest, DefaultsWithoutAFontMap)
{
    EXPECT_EQ(load(), "QuilletW: Couldn't open font map file \"fontmap\", setting default mappings.\n");
    EXPECT_EQ(fontmap_find("Arial"), 41);
    EXPECT_EQ(fontmap_find("COURIER NEW"), kMonospacedFont);
    EXPECT_EQ(fontmap_find("Times.New.Roman"), 31);
    EXPECT_EQ(fontmap_find("Comic Sans MS"), 51);
    EXPECT_EQ(fontmap_find("Georgia"), 0);
    EXPECT_EQ(fontmap_find("times  new roman"), 0);  // not normalised
    EXPECT_EQ(fontmap_find(""), 0);
    EXPECT_EQ(fontmap_count(), 13);
    EXPECT_STREQ(fontmap_exporttext("corpus"), "Mono");
    EXPECT_STREQ(fontmap_exporttext("Sassoon"), "Comic sans MS");
    EXPECT_STREQ(fontmap_exporttext("trinity"), "");
    EXPECT_EQ(fontmap_exporttext("arial"), nullptr);
}

TEST_F(FontMapTest, MissingExportMapBringsTheDefaults)
{
    write("fontmap", "Arial ~ 7\nGeorgia ~ 31\n");
    EXPECT_EQ(load(), "QuilletW: Couldn't open font map file \"fontexpt\", setting default mappings.\n");
    EXPECT_EQ(fontmap_find("Arial"), 41);
    EXPECT_EQ(fontmap_find("Georgia"), 0);
}

TEST_F(FontMapTest, FileLines)
{
    std::string forty(40, 'w');
    write("fontmap",
          "; comment ~ 5\n"
          "Georgia ~ 31\n"
          "Big ~ 62\n"
          "Zero ~ 0\n"
          "Neg ~ -5\n"
          "Top ~ 61\n"
          "no tilde here\n"
          "GEORGIA ~ 41\n"
          "    ~ 21\n"
          "  Lead ~ 11\n" +
              forty + " ~ 3\n" + "Times New Roman~31 trailing\n" + std::string(90, 'x') +
              "~ 5\n" +  // read in pieces of 78
              "Huge ~ 99999999999999999999\n"
              "\xE9l\xE9gant ~ 12\n"
              "Last~9");
    write("fontexpt",
          "; host ~ comment\n"
          "Corpus ~  Courier New  \n"
          "nothing here\n"
          "Trinity ~\n");
    EXPECT_EQ(load(), "");
    EXPECT_EQ(fontmap_find("georgia"), 31);  // the first line wins
    EXPECT_EQ(fontmap_find("big"), 0);
    EXPECT_EQ(fontmap_find("zero"), 0);
    EXPECT_EQ(fontmap_find("neg"), 0);
    EXPECT_EQ(fontmap_find("top"), 61);
    EXPECT_EQ(fontmap_find("comment"), 0);
    EXPECT_EQ(fontmap_find("; comment"), 0);
    EXPECT_EQ(fontmap_find("  lead"), 11);  // leading spaces are kept
    EXPECT_EQ(fontmap_find("lead"), 0);
    EXPECT_EQ(fontmap_find((forty + "zzz").c_str()), 3);  // first 31 characters
    EXPECT_EQ(fontmap_find(std::string(31, 'W').c_str()), 3);
    EXPECT_EQ(fontmap_find("times new roman"), 31);
    EXPECT_EQ(fontmap_find(std::string(12, 'x').c_str()), 5);
    EXPECT_EQ(fontmap_find("huge"), 0);
    EXPECT_EQ(fontmap_find("\xE9l\xE9gant"), 12);
    EXPECT_EQ(fontmap_find("last"), 9);
    EXPECT_EQ(fontmap_find("arial"), 0);  // no defaults beside a loaded map
    // georgia, top, georgia, lead, the long face, times, the x piece, elegant, last
    EXPECT_EQ(fontmap_count(), 10);
    EXPECT_STREQ(fontmap_exporttext("corpus"), "  Courier New");
    EXPECT_STREQ(fontmap_exporttext("trinity"), "");
    EXPECT_EQ(fontmap_exporttext("host"), nullptr);
}

TEST_F(FontMapTest, EmptyFiles)
{
    write("fontmap", "");
    write("fontexpt", "");
    EXPECT_EQ(load(), "");
    EXPECT_EQ(fontmap_count(), 1);
    EXPECT_EQ(fontmap_find("arial"), 0);
}

}  // namespace

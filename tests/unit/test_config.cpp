// Reading the configuration file: folding, dropped spaces, group letters,
// substring keys, the value rule and the 79-character cut.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "resources/config.h"

namespace {

void read_config(const std::string& text)
{
    config_defaults();
    FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    std::fwrite(text.data(), 1, text.size(), f);
    std::rewind(f);
    config_readstream(f);
    std::fclose(f);
}

TEST(Config, DefaultsMatchTheDesign)
{
    config_defaults();
    const Settings& s = settings;
    EXPECT_EQ(s.ignoreeffects, 0);
    EXPECT_EQ(s.ignorefonts, 0);
    EXPECT_EQ(s.ignorealignment, 0);
    EXPECT_EQ(s.justified, 1);
    EXPECT_EQ(s.ignoreheadings, 0);
    EXPECT_EQ(s.headingsinbold, 0);
    EXPECT_EQ(s.nonbreakhyphens, 1);
    EXPECT_EQ(s.disableimages, 0);
    EXPECT_EQ(s.underline, 1);
    EXPECT_EQ(s.highlightinblue, 1);
    EXPECT_EQ(s.nonurlsingreen, 1);
    EXPECT_EQ(s.warnunsupported, 1);
    EXPECT_EQ(s.processblind, 0);
    EXPECT_EQ(s.disableaddtlents, 0);
    EXPECT_EQ(s.disabledoccols, 0);
    EXPECT_EQ(s.usesmartquotes, 1);
    EXPECT_EQ(s.markembedded, 1);
    EXPECT_EQ(s.includeunknown, 0);
    EXPECT_EQ(s.includeprocessed, 0);
    EXPECT_EQ(s.trytorecover, 1);
    EXPECT_EQ(s.resetstylesonp, 0);
    EXPECT_EQ(s.omitunknownents, 0);
    EXPECT_EQ(s.debug, 0);
    EXPECT_EQ(s.picplus, 1);
    EXPECT_EQ(s.abscols, 0);
    EXPECT_EQ(s.usett, 0);
    EXPECT_EQ(s.charsets, 0);
    EXPECT_EQ(s.html5tags, 0);
    EXPECT_EQ(s.keepspaces, 0);
}

TEST(Config, ShippedFileSwitchesTodaysReadingsOn)
{
    config_defaults();
    FILE* f = std::fopen(QUILLET_SUPPORT_DIR "/config", "rb");
    ASSERT_NE(f, nullptr);
    config_readstream(f);
    std::fclose(f);
    EXPECT_EQ(settings.charsets, 1);
    EXPECT_EQ(settings.html5tags, 1);
    EXPECT_EQ(settings.keepspaces, 1);
    read_config("mcharsets=true\nthtml5tags=true\n");
    EXPECT_EQ(settings.charsets, 1);
    EXPECT_EQ(settings.html5tags, 0);
}

TEST(Config, ValuesAreTrueOnlyWhenTheyStartWithT)
{
    read_config("T  JUSTIFIED = FALSE\n");
    EXPECT_EQ(settings.justified, 0);
    read_config("tjustified=1\n");
    EXPECT_EQ(settings.justified, 0);
    read_config("tjustified\n");
    EXPECT_EQ(settings.justified, 0);
    read_config("a debug = TRUE\n");
    EXPECT_EQ(settings.debug, 1);
    read_config("adebug=t\n");
    EXPECT_EQ(settings.debug, 1);
}

TEST(Config, KeysCountOnlyInTheirOwnGroup)
{
    read_config("gjustified=false\n#tjustified=false\n");
    EXPECT_EQ(settings.justified, 1);
}

TEST(Config, SeveralKeysInOneLineTakeTheSameValue)
{
    read_config("tjustified=true headingsinbold\n");
    EXPECT_EQ(settings.justified, 1);
    EXPECT_EQ(settings.headingsinbold, 1);
}

TEST(Config, CarriageReturnsEndLinesLikeLineFeeds)
{
    read_config("aincludeprocessed=true\r\ntnonbreakhyphens=false\r\n\r\n");
    EXPECT_EQ(settings.includeprocessed, 1);
    EXPECT_EQ(settings.nonbreakhyphens, 0);
}

TEST(Config, LongLinesAreCutAfterSeventyNineCharacters)
{
    // 79 stored characters form the first line; the rest begins with its own
    // group letter and is read as a second line.
    std::string first = "a" + std::string(78, 'x');
    read_config(first + "tjustified=false\n");
    EXPECT_EQ(settings.justified, 0);
}

TEST(Config, EmptyAndBinaryInputChangesNothing)
{
    std::string junk("   \n\n\x00\xff\xfe\x01=t\n", 13);
    read_config(junk);
    Settings after = settings;
    config_defaults();
    EXPECT_EQ(0, std::memcmp(&after, &settings, sizeof after));
}

TEST(Config, ReadLineFoldsAndDropsSpaces)
{
    FILE* f = std::tmpfile();
    std::fputs("A B=C\n\nxyz", f);
    std::rewind(f);
    char line[80];
    ASSERT_TRUE(config_readline(f, line));
    EXPECT_STREQ(line, "ab=c");
    ASSERT_TRUE(config_readline(f, line));
    EXPECT_STREQ(line, "");
    ASSERT_TRUE(config_readline(f, line));
    EXPECT_STREQ(line, "xyz");
    EXPECT_FALSE(config_readline(f, line));
    std::fclose(f);
}

}  // namespace

// The folder list is a text: its line is read as written, however long,
// and sets nothing but the list.
TEST(Config, ResourceFoldersKeepTheirSpellingAndSetNothingElse)
{
    read_config("m html5tags = true\nM ResourceFolders = ../Shared Pics ; /Srv/CharSets\nt justified=false\n");
    EXPECT_STREQ(config_resourcefolders(), "../Shared Pics ; /Srv/CharSets");
    EXPECT_EQ(settings.html5tags, 1);
    EXPECT_EQ(settings.charsets, 0) << "a name inside the folder list set a setting";
    EXPECT_EQ(settings.justified, 0) << "the line after the list was not read";

    std::string longlist = "/" + std::string(150, 'd') + ";t justified = true";
    read_config("m resourcefolders = " + longlist + "\r\nt justified=false\n");
    EXPECT_EQ(config_resourcefolders(), longlist);
    EXPECT_EQ(settings.justified, 0) << "the rest of a long list was read as a line";

    read_config("g resourcefolders = /x\n");
    EXPECT_STREQ(config_resourcefolders(), "") << "only group m holds the list";
    read_config("m resourcefolders = /x\n");
    config_defaults();
    EXPECT_STREQ(config_resourcefolders(), "");
}

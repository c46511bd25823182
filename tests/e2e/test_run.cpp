// The command line, the support files' absence, the input checks.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "harness.h"

namespace {

const char* const kSyntax =
    "QuilletW: Syntax: Quillet <input file> <output file>\n        (read documentation for more options)\n";

const std::string kPage = "<html><body>Hello</body></html>\n";

TEST(CommandLine, NoArgumentsShowsOnlyTheNoArgumentsBox)
{
    ScratchDir d(std::vector<std::string>{});  // no support file at all: none is read
    RunResult r = d.run({});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err,
              "QuilletW: No command line were parameters specified.\n\n"
              "Syntax: QuilletW <input file [HTM(L)]> <output file [DDL]>\n\n"
              "For version details, open a command window and enter:\n"
              "\tQuilletW -version\n");
}

TEST(CommandLine, VersionOptions)
{
    ScratchDir d(std::vector<std::string>{});
    for (const char* opt : {"-version", "/?", "-h"}) {
        RunResult r = d.run({opt, "in.htm", "out.ddl"}, "out.ddl");
        EXPECT_EQ(r.code, 0) << opt;
        EXPECT_EQ(r.err.rfind("QuilletW: QuilletW 0.48WIN (25th August 2005)\n", 0), 0u) << opt;
        EXPECT_NE(r.err.find("This version compiled at 16:47:20 (CET) on Aug 25 2005."), std::string::npos);
        EXPECT_FALSE(r.has_output);
    }
}

TEST(CommandLine, OptionsAreCaseSensitiveAndTestedBeforeTheCount)
{
    ScratchDir d(std::vector<std::string>{});
    RunResult r = d.run({"-Version"});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err,
              "QuilletW: The parameter \"-Version\" is not recognised, please read the QuilletW documentation.\n");
    r = d.run({"-x", "a", "b"});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, "QuilletW: The parameter \"-x\" is not recognised, please read the QuilletW documentation.\n");
    r = d.run({"-configure"});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, "QuilletW: -configure not currently supported...\n\n\n");
}

TEST(CommandLine, WrongNumberOfFilesGivesTheSyntax)
{
    ScratchDir d(std::vector<std::string>{});
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"in.htm"}, {"a", "b", "c"}, {"-tohtml", "a"}, {"-converthtml"}}) {
        RunResult r = d.run(args);
        EXPECT_EQ(r.code, 2) << args[0];
        EXPECT_EQ(r.err, kSyntax);
    }
}

TEST(CommandLine, ToHtmlLoadsEverythingThenReadsTheDdl)
{
    ScratchDir d;
    d.remove("config");
    d.write("in.htm", kPage);
    RunResult r = d.run({"-tohtml", "in.htm", "out.ddl"}, "out.ddl");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err,
              "QuilletW: Warning: unable to open configuration file - using defaults.\n\n"
              "QuilletW: The input file \"in.htm\" is not a DDL file: -tohtml shows a DDL file as an HTML "
              "page.\n");
    EXPECT_FALSE(r.has_output);
}

TEST(SupportFiles, MissingFilesAndTheirExits)
{
    {
        ScratchDir d;
        d.remove("definits");
        RunResult r = d.convert(kPage);
        EXPECT_EQ(r.code, 30);
        EXPECT_EQ(r.err, "QuilletW: Cannot open definitions file, aborting.\n");
        EXPECT_FALSE(r.has_output);
    }
    for (const char* f : {"entities", "unierr", "revent"}) {
        ScratchDir d;
        d.remove(f);
        RunResult r = d.convert(kPage);
        EXPECT_EQ(r.code, 41) << f;
        EXPECT_EQ(r.err, "QuilletW: Couldn't open entities file \"" + d.path(f) + "\", cannot continue.\n");
    }
    {
        ScratchDir d;
        d.remove("config");
        RunResult r = d.convert(kPage);
        EXPECT_EQ(r.code, 0);
        EXPECT_EQ(r.err, "QuilletW: Warning: unable to open configuration file - using defaults.\n\n");
        EXPECT_TRUE(r.has_output);
    }
}

// QUILLET_SUPPORT names a folder looked in first, file by file: only a
// regular file there is taken, every other name comes from the program
// folder.
TEST(SupportFiles, AFolderOfOwnFilesComesFirst)
{
    const std::string kNoConfig = "QuilletW: Warning: unable to open configuration file - using defaults.\n\n";
    {
        ScratchDir d;
        ASSERT_EQ(mkdir(d.path("own").c_str(), 0755), 0);
        d.write("own/config", shipped("config"));
        d.remove("config");
        d.set_env("QUILLET_SUPPORT", d.path("own"));
        RunResult r = d.convert(kPage);
        EXPECT_EQ(r.code, 0);
        EXPECT_EQ(r.err, "") << "the config of the named folder is read";
        d.remove("definits");  // missing in both folders: the program folder's name is reported
        r = d.convert(kPage);
        EXPECT_EQ(r.code, 30);
        d.remove("entities");
        d.clear_env();
        d.set_env("QUILLET_SUPPORT", d.path("own") + "/");
        d.write("definits", shipped("definits"));
        r = d.convert(kPage);
        EXPECT_EQ(r.code, 41);
        EXPECT_EQ(r.err, "QuilletW: Couldn't open entities file \"" + d.path("entities") + "\", cannot continue.\n");
    }
    {
        ScratchDir d;
        ASSERT_EQ(mkdir(d.path("own").c_str(), 0755), 0);
        ASSERT_EQ(mkdir(d.path("own/config").c_str(), 0755), 0);
        ASSERT_EQ(symlink("nowhere", d.path("own/definits").c_str()), 0);
        for (const std::string& named : {d.path("own"), d.path("absent"), std::string()}) {
            d.clear_env();
            d.set_env("QUILLET_SUPPORT", named);
            RunResult r = d.convert(kPage);
            EXPECT_EQ(r.code, 0) << named;
            EXPECT_EQ(r.err, "") << named;
        }
        d.clear_env();
        d.set_env("QUILLET_SUPPORT", d.path("own"));
        d.remove("config");
        RunResult r = d.convert(kPage);
        EXPECT_EQ(r.err, kNoConfig) << "a folder named config is not a config";
    }
}

TEST(InputChecks, FilesThatCannotBeOpened)
{
    ScratchDir d;
    RunResult r = d.run({"missing.htm", "out.ddl"}, "out.ddl");
    EXPECT_EQ(r.code, 10);
    EXPECT_EQ(r.err, "QuilletW: Couldn't open input file \"missing.htm\" (No such file or directory).\n");
    EXPECT_FALSE(r.has_output);
    d.write("in.htm", kPage);
    r = d.run({"in.htm", "no/such/folder/out.ddl"});
    EXPECT_EQ(r.code, 11);
    EXPECT_EQ(r.err, "QuilletW: Couldn't open output file \"no/such/folder/out.ddl\" (No such file or directory).\n");
}

TEST(InputChecks, RefusedInputsLeaveAnEarlierOutputAsItWas)
{
    ScratchDir d;
    // Each run over an earlier output.
    auto convert = [&d](const std::string& input) {
        d.write("in.htm", input);
        d.write("out.ddl", "old contents");
        return d.run({"in.htm", "out.ddl"}, "out.ddl");
    };
    RunResult r = convert("");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "QuilletW: This file is empty! Aborting process.\n");
    EXPECT_EQ(r.output, "old contents");

    r = convert("<body>123456789");  // 15 bytes
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err,
              "QuilletW: This file is only 15 bytes long, it is too short to be a valid HTML file. "
              "Aborting process.\n");
    EXPECT_EQ(r.output, "old contents");

    r = convert("<body>1234567890");  // 16 bytes: accepted, and the output replaced
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.output.rfind("//->DDL\n", 0), 0u);

    r = convert("\xB8<body>");  // encoded scripts are refused before the length test
    EXPECT_EQ(r.code, 11);
    EXPECT_EQ(r.err,
              "QuilletW: This file appears to be an ENCODED Dramaton file. Sorry, but as QuilletW is a "
              "filter and not a Dramaton viewer, it does not support encoded data. Please ask for an "
              "unencoded version of the script if you wish to format it using QuilletW...\n");
    EXPECT_EQ(r.output, "old contents");

    r = convert("<html><!-- <body> --><p>No body here at all</p></html>\n");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err,
              "QuilletW: Reached end of file without finding '<body>', this file does not seem to be "
              "an HTML document. Abandoning process...\n");
    EXPECT_EQ(r.output, "old contents");
}

TEST(Tracker, NormalRunsReleaseEveryClaim)
{
    ScratchDir d;
    RunResult r = d.convert(
        "<html><head><title>t</title></head><BODY BGCOLOR=white>"
        "Text &amp; more <b>bold</b> &unknown; <table></body></html>\n");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err.find("memtrace"), std::string::npos) << r.err;
}

}  // namespace

namespace {

TEST(InputChecks, TheInputIsNeverTheOutput)
{
    ScratchDir d;
    const std::string page = "<html><body>Keep me</body></html>\n";
    d.write("in.htm", page);
    ASSERT_EQ(symlink("in.htm", d.path("link.ddl").c_str()), 0);
    for (const char* out : {"in.htm", "./in.htm", "link.ddl"}) {
        RunResult r = d.run({"in.htm", out});
        EXPECT_EQ(r.code, 11) << out;
        EXPECT_EQ(r.err, std::string("QuilletW: Couldn't open output file \"") + out + "\" (it is the input file).\n");
        EXPECT_EQ(d.read("in.htm"), page);
    }
}

// An output that exists already is replaced: whatever it held before,
// longer or shorter, the file holds only the run's own output.
TEST(OutputFile, AnExistingOutputHoldsOnlyTheNewRunsBytes)
{
    ScratchDir d;
    d.write("in.htm", kPage);
    RunResult fresh = d.run({"in.htm", "out.ddl"}, "out.ddl");
    ASSERT_EQ(fresh.code, 0);
    ASSERT_GT(fresh.output.size(), 100u);
    const size_t n = fresh.output.size();
    for (size_t old : {size_t(0), size_t(3), n - 1, n, n + 1, size_t(300000)}) {
        d.write("out.ddl", std::string(old, 'Z'));
        RunResult r = d.run({"in.htm", "out.ddl"}, "out.ddl");
        EXPECT_EQ(r.code, 0) << old;
        EXPECT_EQ(r.output, fresh.output) << "over a file of " << old << " bytes";
    }
    // A refused input leaves it as it was.
    d.write("out.ddl", std::string(300000, 'Z'));
    d.write("in.htm", "<html>no body here</html>\n");
    RunResult r = d.run({"in.htm", "out.ddl"}, "out.ddl");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.output, std::string(300000, 'Z'));
}

// A device or pipe as the output is written and left as it is.
TEST(OutputFile, ADeviceCanBeTheOutput)
{
    ScratchDir d;
    d.write("in.htm", kPage);
    RunResult r = d.run({"in.htm", "/dev/null"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "");
}

}  // namespace

// -tohtml from the command line: the input refused or read, the messages,
// exit codes, and the output path changed only by a clean run.
#include <gtest/gtest.h>

#include <string>

#include "harness.h"

namespace {

const char kPage[] = "<html><body><p><b>Bold</b> words</p></body></html>";

TEST(ToHtml, ConvertedPageIsShownAndStandardStreamsWork)
{
    ScratchDir s;
    ASSERT_EQ(s.convert(kPage).code, 0);
    RunResult r = s.run({"-tohtml", "out.ddl", "view.html"}, "view.html");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    ASSERT_TRUE(r.has_output);
    EXPECT_NE(r.output.find(">Bold<"), std::string::npos);
    EXPECT_EQ(r.output.find("<script"), std::string::npos);

    s.set_stdin(s.read("out.ddl"));
    RunResult piped = s.run({"-tohtml", "-", "-"});
    EXPECT_EQ(piped.code, 0) << piped.err;
    EXPECT_EQ(piped.out, r.output);
}

TEST(ToHtml, RefusalsAndErrorsLeaveTheOutputAsItWas)
{
    ScratchDir s;
    s.write("view.html", "old");
    s.write("page.htm", kPage);
    RunResult notddl = s.run({"-tohtml", "page.htm", "view.html"});
    EXPECT_EQ(notddl.code, 1);
    EXPECT_NE(
        notddl.err.find("The input file \"page.htm\" is not a DDL file: -tohtml shows a DDL file as an HTML page."),
        std::string::npos)
        << notddl.err;

    s.write("bad.ddl", "//->DDL\n\"text\"\n{bold 1\n");
    RunResult bad = s.run({"-tohtml", "bad.ddl", "view.html"});
    EXPECT_EQ(bad.code, 1);
    EXPECT_NE(bad.err.find("DDL error in \"bad.ddl\" at line 3: "), std::string::npos) << bad.err;

    RunResult missing = s.run({"-tohtml", "none.ddl", "view.html"});
    EXPECT_EQ(missing.code, 10);
    EXPECT_NE(missing.err.find("Couldn't open input file \"none.ddl\" ("), std::string::npos) << missing.err;
    EXPECT_EQ(s.read("view.html"), "old");
}

TEST(ToHtml, UnknownCommandReportedOncePerNameAndShownPast)
{
    ScratchDir s;
    s.write("u.ddl", "//->DDL\n{sparkle 1}\n\"shown\"\n{sparkle 0}{glow}\n");
    RunResult r = s.run({"-tohtml", "u.ddl", "view.html"}, "view.html");
    EXPECT_EQ(r.code, 0);
    const std::string sparkle = "DDL file \"u.ddl\", line 2: the command \"{sparkle}\" is not shown.";
    size_t at = r.err.find(sparkle);
    EXPECT_NE(at, std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("sparkle", at + sparkle.size()), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("DDL file \"u.ddl\", line 4: the command \"{glow}\" is not shown."), std::string::npos);
    EXPECT_NE(r.output.find(">shown<"), std::string::npos);
}

}  // namespace

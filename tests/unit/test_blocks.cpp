// Block quotations and the <basefont> size rules, through the handlers with
// the writer capturing to a file.
#include "output_test.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "ddl/ddlout.h"
#include "html/handlers.h"
#include "html/tags.h"
#include "html/style.h"
#include "markup/tagreader.h"
#include "resources/config.h"
#include "base/infile.h"
#include "base/runstate.h"

namespace {

std::string scratch_file(const char* bytes)
{
    char tmpl[] = "/tmp/quillet-blocks-XXXXXX";
    int fd = mkstemp(tmpl);
    if (fd >= 0) {
        if (write(fd, bytes, std::strlen(bytes)) < 0) { /* the test then sees no input */
        }
        close(fd);
    }
    return tmpl;
}

class BlocksTest : public OutputTest {
protected:
    void SetUp() override
    {
        OutputTest::SetUp();
        // The input goes on after the tag.
        in_ = scratch_file("more text");
        ASSERT_TRUE(infile_open(in_.c_str()));
    }
    void TearDown() override
    {
        OutputTest::TearDown();
        infile_close();
        std::remove(in_.c_str());
    }
    void tag(int token, bool closing, const char* params = "")
    {
        set_params(params);
        if (token == TOK_BASEFONT)
            fonts_tag(token, closing);
        else
            blocks_tag(token, closing);
    }
    std::string output() { return out(); }
    std::string in_;
};

TEST_F(BlocksTest, BlockquotesIndentAndStrayClosesDoNothing)
{
    tag(TOK_BLOCKQUOTE, true);  // stray
    ddlout_addstring("a");
    tag(TOK_BLOCKQUOTE, false);
    ddlout_addstring("b");
    tag(TOK_BLOCKQUOTE, false);
    tag(TOK_BLOCKQUOTE, true);
    tag(TOK_BLOCKQUOTE, true);
    tag(TOK_BLOCKQUOTE, true);  // stray again
    EXPECT_EQ(g_style.indent_level, 0);
    EXPECT_EQ(g_style.blockquote_count, 0);
    EXPECT_EQ(output(),
              "\"a\"\n"
              "{newline}{leftindent 1 28346}\n"
              "\"b\"\n"
              "{newline}{leftindent 1 56692}\n"
              "{leftindent 1 28346}\n"
              "{leftindent}\n");
}

TEST_F(BlocksTest, DeepBlockquotesDoNotOverflowTheIndent)
{
    g_style.indent_level = 99999;
    g_style.blockquote_count = 99999;
    tag(TOK_BLOCKQUOTE, false);
    // 100000 x 28346 is beyond 32 bits: the command's number saturates.
    EXPECT_EQ(output(), "{newline}{leftindent 1 2147483647}\n");
    // One level below the limit is written as it is.
    g_style.indent_level = 75757;  // 75758 x 28346 = 2147436268
    tag(TOK_BLOCKQUOTE, false);
    EXPECT_NE(output().find("{newline}{leftindent 1 2147436268}\n"), std::string::npos);
}

TEST_F(BlocksTest, BasefontSizes)
{
    tag(TOK_BASEFONT, false, " size=12>");
    EXPECT_EQ(g_style.base_size, 12);
    tag(TOK_BASEFONT, false, " size=+1>");
    EXPECT_EQ(g_style.base_size, 14);
    tag(TOK_BASEFONT, false, " size=5>");  // 14000 + 2 x 2000
    EXPECT_EQ(g_style.base_size, 18);
    tag(TOK_BASEFONT, false, " size=- 2>");  // the sign before the space: 3 - 2
    EXPECT_EQ(g_style.base_size, 14);
    tag(TOK_BASEFONT, false, " size=99999999999999999999>");  // limited to 7
    EXPECT_EQ(g_style.base_size, 22);
    tag(TOK_BASEFONT, false, " size=big>");  // no digit: nothing
    tag(TOK_BASEFONT, false, "");
    EXPECT_EQ(g_style.base_size, 22);
    EXPECT_EQ(output(),
              "{textsize 12000}\n{textsize 14000}\n{textsize 18000}\n{textsize 14000}\n"
              "{textsize 22000}\n");
}

TEST_F(BlocksTest, BasefontIsIgnoredInsideHeadingsAndSizeChanges)
{
    g_style.heading_depth = 1;
    tag(TOK_BASEFONT, false, " size=5>");
    g_style.heading_depth = 0;
    g_style.size_depth = 1;
    g_style.size_stack[0] = 4;
    tag(TOK_BASEFONT, false, " size=5>");
    g_style.size_depth = 0;
    EXPECT_EQ(g_style.base_size, 12);
    EXPECT_EQ(output(), "");
}

}  // namespace

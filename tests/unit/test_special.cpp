// The <quillet> special commands and the values they share with the first
// pass, driven through the handler with the writer capturing to a file.
#include "output_test.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "ddl/ddlout.h"
#include "ddl/template.h"
#include "html/preamble.h"
#include "html/handlers.h"
#include "html/tags.h"
#include "html/special.h"
#include "html/style.h"
#include "markup/tagreader.h"
#include "resources/config.h"
#include "base/runstate.h"

namespace {

class SpecialTest : public OutputTest {
protected:
    // Runs the <quillet> handler on the given parameter text.
    void quillet(const char* params)
    {
        set_tag("quillet", params);
        special_tag(TOK_QUILLET, false);
    }
    std::string output() { return out(); }
};

TEST(SpecialValues, LeadingIsPerCentTimesSixFiveFiveThirtySix)
{
    EXPECT_EQ(special_leading(100), 65535);
    EXPECT_EQ(special_leading(120), 78643);
    // Limited to 5..200 per cent: 5 x 655.36 = 3276.8, 200 x 655.36 = 131071.99...
    EXPECT_EQ(special_leading(1), 3276);
    EXPECT_EQ(special_leading(-40), 3276);
    EXPECT_EQ(special_leading(5000), 131071);
    EXPECT_EQ(special_limit(30, 8, 20), 20);
    EXPECT_EQ(special_limit(3, 8, 20), 8);
    EXPECT_EQ(special_limit(14, 8, 20), 14);
}

TEST_F(SpecialTest, SwitchesAndScripts)
{
    settings.debug = 1;
    quillet(" debug off>");
    EXPECT_EQ(settings.debug, 0);
    quillet(" trashtt>");
    EXPECT_EQ(g_style.trashtt, 1);
    quillet(" ddlscript=\"{Bold 1}\">");
    quillet(" ddlcomment=\"Made by Hand\">");
    // Unquoted: read as empty, so an empty line.
    quillet(" ddlscript={x}>");
    quillet(" nothing we know>");
    EXPECT_EQ(output(), "{bold 1}\n// made by hand\n\n");
}

TEST_F(SpecialTest, MacroWritesTheTemplateValue)
{
    g_style.base_size = 16;
    g_style.leading = 78643;
    g_style.text_colour = 0;
    quillet(" macro=\"fsize\">");
    quillet(" macro=\"TLead\">");
    quillet(" macro=\"fgcol\">");
    quillet(" macro=\"nosuch\">");
    EXPECT_EQ(output(), "{textsize 16000}{leading 2 78643}COL_001");
}

TEST_F(SpecialTest, PreformattedBlocksCount)
{
    special_tag(TOK_PRE, false);
    special_tag(TOK_PRE, false);
    EXPECT_EQ(g_style.pre_count, 2);
    special_tag(TOK_PRE, true);
    EXPECT_EQ(g_style.pre_count, 1);
    special_tag(TOK_PRE, true);
    special_tag(TOK_PRE, true);  // stray: stays at 0
    EXPECT_EQ(g_style.pre_count, 0);
    special_tag(TOK_PLAINTEXT, true);  // stray
    EXPECT_EQ(g_style.pre_count, 0);
    EXPECT_EQ(g_style.plaintext_count, 0);
}

}  // namespace

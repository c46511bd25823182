// References as the HTML standard reads them in attribute values, and the
// run reader's limits.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "resources/html5names.h"
#include "resources/letters.h"

namespace {

size_t ref(const char* p, bool attr, uint32_t* c)
{
    uint32_t second = 0;
    return entity_reference(p, std::strlen(p), attr, c, &second);
}

TEST(References, LegacyNamesInTextAndAttributes)
{
    uint32_t c = 0;
    EXPECT_EQ(ref("notit;", false, &c), 3u);
    EXPECT_EQ(c, 0xACu);
    EXPECT_EQ(ref("notin;", false, &c), 6u);
    EXPECT_EQ(c, 0x2209u);
    EXPECT_EQ(ref("copy 2020", true, &c), 4u);
    EXPECT_EQ(c, 0xA9u);
    // In an attribute a name that '=', a letter or a digit goes on is text.
    EXPECT_EQ(ref("copy=1", true, &c), 0u);
    EXPECT_EQ(ref("notit;", true, &c), 0u);
    EXPECT_EQ(ref("amp2", true, &c), 0u);
    EXPECT_EQ(ref("amp2", false, &c), 3u);
    EXPECT_EQ(ref("amp;x", true, &c), 4u);
    // Case counts; names never read without ';' need it.
    EXPECT_EQ(ref("AMP", false, &c), 3u);
    EXPECT_EQ(ref("Amp", false, &c), 0u);
    EXPECT_EQ(ref("hellip", false, &c), 0u);
    EXPECT_EQ(ref("", false, &c), 0u);
}

TEST(Letters, ScriptsAndRuns)
{
    EXPECT_STREQ(letters_scriptname(letters_script(0x4E2D)), "Han");
    EXPECT_STREQ(letters_scriptname(letters_script(0x05D0)), "Hebrew");
    EXPECT_EQ(letters_script(' '), SCRIPT_COMMON);
    EXPECT_EQ(letters_script(0x0301), SCRIPT_INHERITED);
    // Kana after Han: Japanese; a Latin letter ends the run before it.
    LetterRun run{SCRIPT_HAN, 1, 1, 0, 0};
    const std::string t = " &#x3042;\n&#12354;x&#x4E2D;";
    EXPECT_FALSE(letters_run(reinterpret_cast<const unsigned char*>(t.data()), t.size(), false, &run));
    EXPECT_EQ(run.script, SCRIPT_JAPANESE);
    EXPECT_EQ(run.letters, 3);
    EXPECT_EQ(run.taken, t.find("x&"));
    EXPECT_EQ(run.lines, 1);
    // Too long a gap ends it; a reference cut at the end asks for more.
    std::string gap(kLetterRunGap + 1, ' ');
    gap += "&#x4E2D;";
    run = LetterRun{SCRIPT_HAN, 1, 1, 0, 0};
    EXPECT_FALSE(letters_run(reinterpret_cast<const unsigned char*>(gap.data()), gap.size(), false, &run));
    EXPECT_EQ(run.letters, 1);
    const std::string cut = "&#x4E2D;&#x4E";
    run = LetterRun{SCRIPT_HAN, 1, 1, 0, 0};
    EXPECT_TRUE(letters_run(reinterpret_cast<const unsigned char*>(cut.data()), cut.size(), false, &run));
    EXPECT_EQ(run.taken, 8u);
    EXPECT_FALSE(letters_run(reinterpret_cast<const unsigned char*>(cut.data()), cut.size(), true, &run));
}

}  // namespace

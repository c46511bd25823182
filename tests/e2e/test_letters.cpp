// Under charsets: the references read without their ';', and the letters
// without a host form (Latin spellings of Cyrillic and Greek, box drawing,
// one marker for a run of another script); with the setting off, the
// design's output.
#include <gtest/gtest.h>

#include <string>

#include "page_format.h"

namespace {

using format_test::FormatTest;

const char* const kPlain = "gusesmartquotes=false\ntnonbreakhyphens=false\n";
const std::string kOn = std::string(kPlain) + "mcharsets=true\n";

std::string marker(const std::string& text)
{
    return "{foreground COL_010 0x10000 0}\n\" [" + text + "] \"\n{foreground}\n";
}

class Letters : public FormatTest {
protected:
    void SetUp() override
    {
        FormatTest::SetUp();
        config(kOn);
    }
};

TEST_F(Letters, LegacyReferencesInText)
{
    // The longest name read without ';' that the text starts with; the
    // rest is text again.
    EXPECT_EQ(text("<body>&notit; &copy 2020 &ampx &copy2020; a&amp&ampb</body>"),
              "\"\xACit; \xA9 2020 &x \xA9"
              "2020; a&&b\"\n");
    EXPECT_EQ(text("<body>a&nbsp b</body>"), text("<body>a&nbsp; b</body>"));
    // A name with ';' is read whole first; a name that is none keeps its
    // marker; a name no legacy name starts is text.
    EXPECT_EQ(text("<body>&notin;</body>"), marker("&notin;"));
    EXPECT_EQ(text("<body>&foo; &nbs x</body>"), marker("&foo;") + "\" &nbs x\"\n");
    // Off: the design's reading.
    config(kPlain);
    EXPECT_EQ(text("<body>&copy 2020</body>"), "\"&copy 2020\"\n");
    EXPECT_EQ(text("<body>&notit;</body>"), marker("&notit;"));
}

TEST_F(Letters, CyrillicAndGreekSpelt)
{
    // GOST 7.79 B, Russian column, ts always cz; capitals before a capital,
    // or ending a word after one, in capitals.
    EXPECT_EQ(text("<body>\xD0\xA9\xD0\x98 \xD0\xA9\xD0\xB8 \xD0\x92\xD0\xA0\xD0\x90\xD0\xA7. \xD0\x96. "
                   "\xD0\xA0\xD1\x83\xD1\x81\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB9 \xD1\x86\xD0\xB5\xD1\x85 "
                   "\xD1\x8A\xD1\x8B\xD1\x8C\xD1\x8D \xD0\x81\xD0\xB6</body>"),
              "\"SHHI Shhi VRACH. Zh. Russkij czex ``y'`e` Yozh\"\n");
    // Letters outside Russian: their own column (Ukrainian, Belarusian,
    // Macedonian); a reference to a letter is spelt alike.
    EXPECT_EQ(text("<body>\xD2\x91\xD1\x94\xD1\x96\xD1\x97\xD1\x9E \xD1\x93\xD1\x95\xD1\x99\xD1\x9F &ZHcy;</body>"),
              "\"g`yeiyiu` g`z`l`dh Zh\"\n");
    // ISO 843 letter by letter, accents kept; the host set has no macron.
    EXPECT_EQ(text("<body>\xCE\x98\xCE\xB5\xCF\x8C\xCF\x82 \xCE\xA8\xCE\xA5\xCE\xA7\xCE\x97 \xCE\xAE\xCF\x89</body>"),
              "\"The\xF3s PSYCHI \xEDo\"\n");
    EXPECT_EQ(last_.err, "");
    // Off: the bytes as they are.
    config(kPlain);
    EXPECT_EQ(text("<body>\xD0\x96</body>"), "\"\xD0\x96\"\n");
}

TEST_F(Letters, BoxDrawing)
{
    EXPECT_EQ(text("<body><pre>\xE2\x94\x8C\xE2\x94\x80\xE2\x94\xAC\xE2\x94\x80\xE2\x94\x90\n"
                   "\xE2\x94\x82x\xE2\x95\x91y\xE2\x94\x83</pre></body>"),
              "FONT_021\n{newline}\n\"+-+-+\"\n{newline}\n\"|x|y|\"\nFONT_001\n{newline}\n");
    EXPECT_EQ(last_.err, "");
}

TEST_F(Letters, OneMarkerForARun)
{
    // Han with kana is Japanese; a sign without a host form, a space and a
    // Han letter stay in the run; a Latin letter ends it. Hebrew alone.
    EXPECT_EQ(text("<body>\xE4\xB8\xAD\xE6\x96\x87\xEF\xBC\x8C\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xA7"
                   "\xE3\x81\x99 \xE4\xB8\xAD abc \xD7\xA2\xD7\x91\xD7\xA8\xD7\x99\xD7\xAA \xD7\x90.</body>"),
              marker("Japanese: 8 characters") + "\" abc \"\n" + marker("Hebrew: 6 characters") + "\".\"\n");
    // Every character without a host form is counted, the sign included.
    EXPECT_EQ(last_.err, "QuilletW: 15 characters of this page have no form in the host character set.\n");
    // Han alone is Han; a tag ends a run; a symbol keeps its own marker.
    EXPECT_EQ(
        text("<body>\xE4\xB8\xAD\xE6\x96\x87<b>\xD7\x90</b>\xE2\x98\x83</body>"),
        marker("Han: 2 characters") + "{bold 1}\n" + marker("Hebrew: 1 character") + "{bold 0}\n" + marker("&#x2603;"));
    // A run across the input's blocks is one run.
    std::string han;
    for (int i = 0; i < 30000; ++i) han += "\xE4\xB8\xAD ";
    EXPECT_EQ(text("<body>" + han + "</body>"), marker("Han: 30000 characters"));
    config(kOn + "aomitunknownents=true\n");
    EXPECT_EQ(text("<body>a\xE4\xB8\xAD\xE6\x96\x87"
                   "b</body>"),
              "\"ab\"\n");
    // Off: the design's bytes.
    config(kPlain);
    EXPECT_EQ(text("<body>\xD7\x90</body>"), "\"\xD7\x90\"\n");
}

}  // namespace

// Malformed inputs and support files: no crash, no hang, the design's
// message where it names one.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "harness.h"

namespace {

std::string garbage(size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(rng() & 0xFF);
    return s;
}

TEST(BadInput, BinaryGarbageAfterTheBodyConverts)
{
    ScratchDir d;
    for (unsigned seed = 1; seed <= 8; ++seed) {
        std::string page = "<html><body>" + garbage(20000, seed);
        RunResult r = d.convert(page);
        EXPECT_EQ(r.code, 0) << "seed " << seed;
        EXPECT_TRUE(r.has_output);
        EXPECT_EQ(r.err.find("memtrace"), std::string::npos);
    }
}

TEST(BadInput, HugeTagsLinesAndEntities)
{
    ScratchDir d;
    std::string page = "<body>" + std::string(100000, 'x') + "<" + std::string(100000, 'a') + " " +
                       std::string(100000, '"') + ">&" + std::string(50000, 'e') + ";" +
                       std::string(5000, '<') + std::string(5000, '&') + "<!--" + std::string(1000, '-');
    RunResult r = d.convert(page);
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.has_output);
}

TEST(BadInput, GarbageSupportFiles)
{
    for (const char* f : {"config", "definits", "entities", "unierr", "revent", "colours", "fontmap", "fontexpt"}) {
        ScratchDir d;
        // Long lines without line ends, NUL bytes and high bytes.
        d.write(f, garbage(5000, 7) + std::string(3000, '#') + std::string(1, '\0') + "\xa4" "AL");
        RunResult r = d.convert("<html><body>Some <b>text</b> &amp; &eacute;</body></html>");
        EXPECT_TRUE(r.code == 0) << f << ": " << r.code << " " << r.err;
    }
}

TEST(BadInput, TemplateMarkersAtTheEndOfLines)
{
    ScratchDir d;
    d.write("definits", "#chap_a4pre#\nx\xa4\n\xa4" "ALI\n\xa4PSIZE\n\xa4" "MRGNS\xa4\xa4\n#chap_finish#\nend\xa4");
    RunResult r = d.convert("<html><body>text</body></html>");
    EXPECT_EQ(r.code, 0);
    // Marker lines have no line end of their own; cut markers have no value.
    EXPECT_NE(r.output.find("x{papersize \"a4\" 0 {w 595276} {h 841890} {sideways 0}}\n{fcurve"),
              std::string::npos);
}

}  // namespace

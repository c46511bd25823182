// The eight-at-a-time byte tests and the lower-casing copy must give what a
// byte-by-byte loop gives, for every byte value in every lane.
#include <gtest/gtest.h>

#include <string>

#include "run/bytescan.h"

namespace {

char lower_one(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

TEST(Bytescan, LowerCopyChangesOnlyTheCapitalLetters)
{
    // Every byte value at every position of a word, and in the tail.
    for (int lane = 0; lane < 11; ++lane) {
        for (int v = 0; v < 256; ++v) {
            std::string src = "xY@[`{Z\x80\xC1\xDA" "A";
            src[static_cast<size_t>(lane)] = static_cast<char>(v);
            std::string dst(src.size(), '?');
            bytescan::lower_copy(&dst[0], src.data(), src.size());
            for (size_t i = 0; i < src.size(); ++i)
                ASSERT_EQ(dst[i], lower_one(src[i])) << "value " << v << " in lane " << lane << " at " << i;
        }
    }
    // The bytes around the letters, and 8-bit bytes whose low seven bits are a capital.
    const std::string src = "@AZ[`az{\xC1\xDA\xE1 HTML Tag <FONT COLOR=Red>";
    std::string dst(src.size(), '?');
    bytescan::lower_copy(&dst[0], src.data(), src.size());
    EXPECT_EQ(dst, "@az[`az{\xC1\xDA\xE1 html tag <font color=red>");
    // Nothing is written past n.
    char out[4] = {'1', '2', '3', '4'};
    bytescan::lower_copy(out, "AB", 2);
    EXPECT_EQ(std::string(out, 4), "ab34");
}

TEST(Bytescan, SpanStopsAtTheFirstOfFourBytes)
{
    const unsigned char stops[] = {0x13, '"', '\'', '\\'};
    // Each stop byte at every position of lines of every length up to 40,
    // with every other byte value as the filler.
    for (size_t len = 0; len <= 40; ++len) {
        for (int filler = 0; filler < 256; filler += 17) {
            std::string line(len, static_cast<char>(filler));
            bool filler_stops = false;
            for (unsigned char s : stops) filler_stops = filler_stops || filler == s;
            size_t none = bytescan::span_without(reinterpret_cast<const unsigned char*>(line.data()), len, 0x13,
                                                 '"', '\'', '\\');
            ASSERT_EQ(none, filler_stops ? 0 : len) << len << " " << filler;
            if (filler_stops) continue;
            for (unsigned char s : stops) {
                for (size_t at = 0; at < len; ++at) {
                    std::string t = line;
                    t[at] = static_cast<char>(s);
                    if (at + 3 < len) t[at + 3] = '"';  // a later stop does not count
                    ASSERT_EQ(bytescan::span_without(reinterpret_cast<const unsigned char*>(t.data()), len, 0x13, '"',
                                                     '\'', '\\'),
                              at)
                        << len << " " << filler << " " << int(s) << " at " << at;
                }
            }
        }
    }
    // Bytes past n are not looked at.
    const unsigned char text[] = "abc\"";
    EXPECT_EQ(bytescan::span_without(text, 3, 0x13, '"', '\'', '\\'), 3u);
}

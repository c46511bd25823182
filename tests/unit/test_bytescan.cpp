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

namespace {

// Where a text loop taking one byte at a time stops.
size_t run_by_bytes(const std::string& s, const std::string& stops, bool single_spaces)
{
    for (size_t i = 0; i < s.size(); ++i) {
        if (stops.find(s[i]) != std::string::npos) return i;
        if (single_spaces && s[i] == ' ' && i > 0 && s[i - 1] == ' ') return i;
    }
    return s.size();
}

// The same through the blocks, then a byte at a time from where they end.
size_t run_by_blocks(const std::string& s, const unsigned char (&stops)[3], bool single_spaces)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(s.data());
    bool stopped = false;
    unsigned space_last = 0;
    size_t n = bytescan::run_blocks(p, s.size(), stops, single_spaces, &stopped, &space_last);
    if (stopped) return n;
    bool spacebefore = space_last != 0;
    for (; n < s.size(); ++n) {
        bool stop = p[n] == stops[0] || p[n] == stops[1] || p[n] == stops[2];
        if (stop || (single_spaces && p[n] == ' ' && spacebefore)) break;
        spacebefore = p[n] == ' ';
    }
    return n;
}

}  // namespace

TEST(Bytescan, TextRunsStopWhereTheByteLoopStops)
{
    const unsigned char stops[] = {'-', '<', '\n'};
    const char alphabet[] = "ab  c-<\n\xA0";
    unsigned seed = 12345;
    for (int round = 0; round < 20000; ++round) {
        seed = seed * 1103515245u + 12345u;
        size_t len = (seed >> 16) % 70;
        std::string s;
        for (size_t i = 0; i < len; ++i) {
            seed = seed * 1103515245u + 12345u;
            // Mostly letters and single spaces, so that runs cross blocks.
            unsigned r = (seed >> 16) % 100;
            s += r < 70 ? 'a' : r < 90 ? ' ' : alphabet[r % 9];
        }
        for (bool single : {true, false})
            ASSERT_EQ(run_by_blocks(s, stops, single), run_by_bytes(s, "-<\n", single))
                << "\"" << s << "\" single spaces " << single;
    }
    // A double space across the boundary of two blocks.
    std::string across = std::string(15, 'a') + "  " + std::string(20, 'a');
    EXPECT_EQ(run_by_blocks(across, stops, true), 16u);
    EXPECT_EQ(run_by_blocks(across, stops, false), across.size());
}

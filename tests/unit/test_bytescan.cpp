// The eight-at-a-time byte tests and the lower-casing copy must give what a
// byte-by-byte loop gives, for every byte value in every lane.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "base/bytescan.h"

namespace {

char lower_one(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

TEST(Bytescan, LowerCopyChangesOnlyTheCapitalLetters)
{
    // Every byte value at every position of a word, and in the tail.
    for (int lane = 0; lane < 11; ++lane) {
        for (int v = 0; v < 256; ++v) {
            std::string src =
                "xY@[`{Z\x80\xC1\xDA"
                "A";
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

TEST(Bytescan, SixteenByteMasksMarkEveryMatchingLane)
{
    // Every byte value in every lane, among fillers that match nothing.
    const unsigned char set[] = {0x13, '"', '\'', '\\'};
    unsigned char block[32];
    for (int lane = 0; lane < 16; ++lane) {
        for (int v = 0; v < 256; ++v) {
            std::memset(block, 'a', sizeof block);
            block[lane] = static_cast<unsigned char>(v);
            block[16] = '"';  // past the sixteen: never in the mask
            unsigned in_set = 0, below = 0;
            for (unsigned char c : set) in_set |= v == c;
            below = v < 0x20;
            ASSERT_EQ(bytescan::match16(block, set), in_set << lane) << v << " in lane " << lane;
            ASSERT_EQ(bytescan::below16(block, 0x20), below << lane) << v << " in lane " << lane;
            ASSERT_EQ(bytescan::below16(block, 0x80), (v < 0x80 ? 0xFFFFu : 0xFFFFu & ~(1u << lane)))
                << v << " in lane " << lane;
        }
    }
    // Several matches at once, and the helpers for masks.
    const unsigned char text[17] =
        "a\"b'c\\d\x13"
        "e\"\"fgh\x01i";
    EXPECT_EQ(bytescan::match16(text, set), 0x06AAu);
    EXPECT_EQ(bytescan::below16(text, 0x20), 0x4080u);
    for (unsigned m = 0; m < 0x10000; m += 7) {
        unsigned bits = 0;
        for (unsigned i = 0; i < 16; ++i) bits += (m >> i) & 1;
        ASSERT_EQ(bytescan::count16(m), bits) << m;
    }
    EXPECT_EQ(bytescan::count16(0xFFFF), 16u);
    EXPECT_EQ(bytescan::low_bits(0), 0u);
    EXPECT_EQ(bytescan::low_bits(5), 0x1Fu);
    EXPECT_EQ(bytescan::low_bits(16), 0xFFFFu);
    EXPECT_EQ(bytescan::low_bits(40), 0xFFFFu);
}

namespace {

bool is_control(unsigned char c) { return c < 32 || c == 127; }

// Where a text loop taking one byte at a time stops: at a stop or a control
// byte, or at a second space.
size_t run_by_bytes(const std::string& s, const std::string& stops, bool single_spaces)
{
    for (size_t i = 0; i < s.size(); ++i) {
        if (stops.find(s[i]) != std::string::npos || is_control(static_cast<unsigned char>(s[i]))) return i;
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
        bool stop = p[n] == stops[0] || p[n] == stops[1] || p[n] == stops[2] || is_control(p[n]);
        if (stop || (single_spaces && p[n] == ' ' && spacebefore)) break;
        spacebefore = p[n] == ' ';
    }
    return n;
}

}  // namespace

TEST(Bytescan, TextRunsStopWhereTheByteLoopStops)
{
    const unsigned char stops[] = {'-', '<', '&'};
    const char alphabet[] = "ab  c-<\n\xA0\x01\x13\x1F\x7F\x80&";
    unsigned seed = 12345;
    for (int round = 0; round < 20000; ++round) {
        seed = seed * 1103515245u + 12345u;
        size_t len = (seed >> 16) % 70;
        std::string s;
        for (size_t i = 0; i < len; ++i) {
            seed = seed * 1103515245u + 12345u;
            // Mostly letters and single spaces, so that runs cross blocks.
            unsigned r = (seed >> 16) % 100;
            s += r < 70 ? 'a' : r < 90 ? ' ' : alphabet[r % 15];
        }
        for (bool single : {true, false})
            ASSERT_EQ(run_by_blocks(s, stops, single), run_by_bytes(s, "-<&", single))
                << "\"" << s << "\" single spaces " << single;
    }
    // A double space across the boundary of two blocks.
    std::string across = std::string(15, 'a') + "  " + std::string(20, 'a');
    EXPECT_EQ(run_by_blocks(across, stops, true), 16u);
    EXPECT_EQ(run_by_blocks(across, stops, false), across.size());
}

// The word search against strstr: texts of every length up to past four
// blocks, the word at every place, near misses that share its first and
// last bytes, and texts of a small alphabet full of partial matches. Each
// text is held in a block of exactly its length and terminator, so that a
// read past it is caught by the sanitizer build.
TEST(Bytescan, FindGivesStrstrsFirstPlace)
{
    auto check = [](const std::string& text, const std::string& word) {
        std::unique_ptr<char[]> held(new char[text.size() + 1]);
        std::memcpy(held.get(), text.c_str(), text.size() + 1);
        const char* want = std::strstr(held.get(), word.c_str());
        const char* got = bytescan::find(held.get(), text.size(), word.data(), word.size());
        ASSERT_EQ(got, want) << "word \"" << word << "\" in \"" << text << "\"";
    };
    const std::string words[] = {"c", "co", "col", "color", "colour", "bgcolour", "x=\"", "aab"};
    for (const std::string& word : words) {
        for (size_t n = 0; n < 70; ++n) {
            std::string plain(n, '.');
            check(plain, word);
            for (size_t at = 0; at + word.size() <= n; ++at) {
                std::string text = plain;
                text.replace(at, word.size(), word);
                check(text, word);
                if (word.size() >= 3) {  // first and last bytes match, the middle does not
                    std::string miss = plain;
                    miss.replace(at, word.size(), word);
                    miss[at + 1] = '#';
                    check(miss, word);
                    if (at + 2 * word.size() <= n) {
                        miss.replace(at + word.size(), word.size(), word);  // the real one after it
                        check(miss, word);
                    }
                }
            }
        }
    }
    unsigned seed = 12345;
    auto next = [&seed](unsigned range) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % range;
    };
    auto letters = [&next](size_t n) {
        std::string s;
        while (s.size() < n) s += "ab"[next(2)];
        return s;
    };
    for (int round = 0; round < 20000; ++round) {
        std::string text = letters(next(80));
        check(text, letters(1 + next(6)));
    }
}

// The tag readers' scan must stop where a byte loop stops, count the same
// line feeds, and refuse a control byte before the stop, at every length
// and position across the blocks of sixteen.
TEST(Bytescan, ScanToStopsAndCountsAsTheByteLoop)
{
    const unsigned char alphabet[] = {'a', '\n', '>', '\t', '\r', 1, 0, 0x1F, ' ', 0xE9};
    const unsigned char stop[] = {'>'};
    unsigned seed = 7;
    for (int round = 0; round < 3000; ++round) {
        size_t n = static_cast<size_t>(round % 70);
        std::string buf(n + 16, 'x');
        for (size_t i = 0; i < n; ++i) {
            seed = seed * 1103515245u + 12345u;
            buf[i] = static_cast<char>(alphabet[(seed >> 16) % sizeof alphabet]);
        }
        const unsigned char* p = reinterpret_cast<const unsigned char*>(buf.data());
        for (bool refuse : {false, true}) {
            // The byte loop.
            size_t want = n;
            long long want_lines = 0;
            bool refused = false;
            for (size_t i = 0; i < n; ++i) {
                if (p[i] == '>') {
                    want = i;
                    break;
                }
                if (refuse && p[i] < 32 && p[i] != '\t' && p[i] != '\n' && p[i] != '\r') {
                    refused = true;
                    break;
                }
                if (p[i] == '\n') ++want_lines;
            }
            long long lines = 100;
            size_t got = bytescan::scan_to(p, n, stop, refuse, &lines);
            SCOPED_TRACE("round " + std::to_string(round) + (refuse ? ", refusing controls" : ""));
            if (refused) {
                EXPECT_EQ(got, bytescan::kScanRefused);
                EXPECT_EQ(lines, 100);
            } else {
                EXPECT_EQ(got, want);
                EXPECT_EQ(lines, 100 + want_lines);
            }
        }
    }
}

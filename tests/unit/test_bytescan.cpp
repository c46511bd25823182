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

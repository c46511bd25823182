// The text encoding of picture data.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pictures/picturedata.h"

namespace {

std::string encode(const std::vector<unsigned char>& bytes)
{
    std::string out(picture_encodedbound(bytes.size()), '\0');
    int line = 0;
    size_t n = picture_encodechunk(bytes.data(), bytes.size(), &out[0], &line);
    out.resize(n);
    return out;
}

// The same bytes given in pieces of the sizes listed (all but the last a
// multiple of three).
std::string encode_in_pieces(const std::vector<unsigned char>& bytes, const std::vector<size_t>& pieces)
{
    std::string all;
    int line = 0;
    size_t at = 0;
    for (size_t p : pieces) {
        std::string out(picture_encodedbound(p), '\0');
        all.append(out.data(), picture_encodechunk(bytes.data() + at, p, &out[0], &line));
        at += p;
    }
    return all;
}

}  // namespace

TEST(PictureEncode, ShortInputs)
{
    EXPECT_EQ(encode({}), "");
    // One byte is padded with 0xFF and 0x00.
    EXPECT_EQ(encode({0x00}), "#2_#");
    EXPECT_EQ(encode({0x41}), "3B_#");
    // Two bytes are padded with 0xFF.
    EXPECT_EQ(encode({0x41, 0x42}), "37.b");
    EXPECT_EQ(encode({0x41, 0x42, 0x43}), "37,&");
    EXPECT_EQ(encode({0x41, 0x42, 0x43, 0x44}), "37,&42_#");
    EXPECT_EQ(encode({'G', 'I', 'F', '8', '9', 'a'}), "4WH)1&HD");
}

TEST(PictureEncode, BackslashIsWrittenAsC)
{
    // 0xE4 >> 2 is 57, which would give the backslash.
    EXPECT_EQ(encode({0xE4}), "c2_#");
    // 0x39 & 0x3F is 57 too, in the last place of a group.
    EXPECT_EQ(encode({0x00, 0x00, 0x39}), "###c");
    std::vector<unsigned char> all(768);
    for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<unsigned char>(i * 7 + i / 256);
    std::string out = encode(all);
    EXPECT_EQ(out.find('\\'), std::string::npos);
    for (char c : out)
        if (c != '"' && c != '\n') {
            EXPECT_GE(c, '#');
            EXPECT_LE(c, 'c');
        }
}

TEST(PictureEncode, NewStringAfterEvery19Groups)
{
    std::vector<unsigned char> zeros(57, 0);
    EXPECT_EQ(encode(zeros), std::string(76, '#') + "\"\n\"");
    zeros.push_back(0);
    EXPECT_EQ(encode(zeros), std::string(76, '#') + "\"\n\"" + "#2_#");
    std::vector<unsigned char> two_lines(114, 0);
    EXPECT_EQ(encode(two_lines), std::string(76, '#') + "\"\n\"" + std::string(76, '#') + "\"\n\"");
    std::vector<unsigned char> less(56, 0);
    EXPECT_EQ(encode(less), std::string(72, '#') + "##&b" + "\"\n\"");
}

TEST(PictureEncode, PiecesJoinSeamlessly)
{
    std::vector<unsigned char> bytes(1000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>((i * 131) ^ (i >> 3));
    std::string whole = encode(bytes);
    EXPECT_EQ(encode_in_pieces(bytes, {57, 57, 886}), whole);
    EXPECT_EQ(encode_in_pieces(bytes, {3, 60, 300, 636, 1}), whole);
    EXPECT_EQ(encode_in_pieces(bytes, {999, 1}), whole);
    // 334 groups: 17 full lines and 11 groups on the last.
    EXPECT_EQ(whole.size(), 334u * 4 + 17u * 3);
}

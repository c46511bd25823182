// Reading a JPEG picture's size from its frame header.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "pictures/picturedata.h"

namespace {

typedef std::vector<unsigned char> Bytes;

struct SizeResult {
    unsigned width, height;
    std::string report;
};

SizeResult measure(const Bytes& bytes)
{
    FILE* in = std::tmpfile();
    FILE* rep = std::tmpfile();
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), in);
    std::rewind(in);
    unsigned size = jpeg_sizereport(in, rep);
    std::fclose(in);
    std::string report;
    std::rewind(rep);
    int c;
    while ((c = std::getc(rep)) != EOF) report += static_cast<char>(c);
    std::fclose(rep);
    return SizeResult{size & 0xFFFF, size >> 16, report};
}

Bytes cat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

const Bytes kSoi = {0xFF, 0xD8};
// APP0 (JFIF), length 16.
const Bytes kApp0 = {0xFF, 0xE0, 0x00, 0x10, 'J',  'F',  'I',  'F',  0x00,
                     0x01, 0x01, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00};
// A quantisation table segment, shortened to two data bytes.
const Bytes kDqt = {0xFF, 0xDB, 0x00, 0x04, 0x00, 0x10};
// Baseline frame: precision 8, height 480 (0x01E0), width 640 (0x0280), three components.
const Bytes kSof0 = {0xFF, 0xC0, 0x00, 0x11, 0x08, 0x01, 0xE0, 0x02, 0x80, 0x03,
                     0x01, 0x22, 0x00, 0x02, 0x11, 0x01, 0x03, 0x11, 0x01};
const Bytes kEoi = {0xFF, 0xD9};

const char* const kEof = "Unexpected EOF in JPEG decode.\n";
const char* const kFailed = "JPEG size processing failed, assuming default size.\n";
const char* const kEoiFirst = "Encountered EOI while looking for SOF in JPEG data, assuming default size.\n";

}  // namespace

TEST(JpegSize, BaselineWithSegmentsBeforeTheFrame)
{
    SizeResult r = measure(cat({kSoi, kApp0, kDqt, kSof0, kEoi}));
    EXPECT_EQ(r.width, 640u);
    EXPECT_EQ(r.height, 480u);
    EXPECT_EQ(r.report, "");
    // Any frame kind gives its size: a progressive frame (C2) of 16 x 8.
    r = measure(cat({kSoi, kApp0, {0xFF, 0xC2, 0x00, 0x0B, 0x08, 0x00, 0x08, 0x00, 0x10, 0x01, 0x01, 0x11, 0x00}}));
    EXPECT_EQ(r.width, 16u);
    EXPECT_EQ(r.height, 8u);
    // Huffman tables may come before the frame; they hold no size.
    r = measure(cat({kSoi, kApp0, {0xFF, 0xC4, 0x00, 0x04, 0x12, 0x34}, kSof0}));
    EXPECT_EQ(r.width, 640u);
    EXPECT_EQ(r.height, 480u);
    EXPECT_EQ(r.report, "");
}

TEST(JpegSize, FailuresGiveTheDefaultAndOneReport)
{
    SizeResult r = measure(cat({kSoi, kApp0, {0x12, 0xC0}, kSof0}));
    EXPECT_EQ(r.width, 255u);
    EXPECT_EQ(r.height, 255u);
    EXPECT_EQ(r.report, kFailed);

    r = measure(cat({kSoi, kApp0, kEoi, kSof0}));
    EXPECT_EQ(r.width, 255u);
    EXPECT_EQ(r.height, 255u);
    EXPECT_EQ(r.report, kEoiFirst);

    r = measure(cat({kSoi, kEoi}));
    EXPECT_EQ(r.report, kEoiFirst);

    // The start-of-image marker is not checked.
    r = measure(cat({{'x', 'y'}, kSof0}));
    EXPECT_EQ(r.width, 640u);
    EXPECT_EQ(r.report, "");
}

TEST(JpegSize, CutOffFiles)
{
    for (const Bytes& b : {Bytes{}, Bytes{0xFF}, kSoi}) {
        SizeResult r = measure(b);
        EXPECT_EQ(r.width, 255u);
        EXPECT_EQ(r.height, 255u);
        EXPECT_EQ(r.report, kEof);
    }
    // Ends inside the APP0 segment, and right after it.
    Bytes cut = cat({kSoi, kApp0});
    cut.resize(10);
    EXPECT_EQ(measure(cut).report, kEof);
    EXPECT_EQ(measure(cat({kSoi, kApp0})).report, kEof);
    // Ends after a marker byte, or after 0xFF alone.
    EXPECT_EQ(measure(cat({kSoi, kApp0, {0xFF, 0xDB}})).report, kEof);
    EXPECT_EQ(measure(cat({kSoi, kApp0, {0xFF}})).report, kEof);
}

TEST(JpegSize, LengthZeroOrOneRunsToTheEnd)
{
    for (unsigned char len : {0x00, 0x01}) {
        SizeResult r = measure(cat({kSoi, {0xFF, 0xE1, 0x00, len}, kSof0, kEoi}));
        EXPECT_EQ(r.width, 255u);
        EXPECT_EQ(r.height, 255u);
        EXPECT_EQ(r.report, kEof);
    }
    // A length of 2 skips nothing.
    SizeResult r = measure(cat({kSoi, {0xFF, 0xE1, 0x00, 0x02}, kSof0}));
    EXPECT_EQ(r.width, 640u);
}

TEST(JpegSize, FileEndingInsideTheFrameHeader)
{
    // After the height's high byte: both values run past the end.
    SizeResult r = measure(cat({kSoi, {0xFF, 0xC0, 0x00, 0x11, 0x08, 0x01}}));
    EXPECT_EQ(r.width, 65535u);
    EXPECT_EQ(r.height, 65535u);
    EXPECT_EQ(r.report,
              "JPEG height > 65535; a 4294967295 height JPEG in a web page? get real!\n"
              "JPEG width > 65535; a 4294967295 width JPEG in a web page? get real!\n");
    // After the height: only the width is too large.
    r = measure(cat({kSoi, {0xFF, 0xC0, 0x00, 0x11, 0x08, 0x01, 0xE0, 0x02}}));
    EXPECT_EQ(r.height, 480u);
    EXPECT_EQ(r.width, 65535u);
    EXPECT_EQ(r.report, "JPEG width > 65535; a 4294967295 width JPEG in a web page? get real!\n");
    // The largest real sizes are kept.
    r = measure(cat({kSoi, {0xFF, 0xC0, 0x00, 0x11, 0x08, 0xFF, 0xFF, 0xFF, 0xFE}}));
    EXPECT_EQ(r.height, 65535u);
    EXPECT_EQ(r.width, 65534u);
    EXPECT_EQ(r.report, "");
}

TEST(JpegSize, GarbageAlwaysEnds)
{
    // Fill bytes read as markers with huge lengths; a long run of segments
    // of length 2; pseudo-random bytes.
    Bytes ff(5000, 0xFF);
    EXPECT_EQ(measure(ff).report, kEof);
    Bytes empty_segments = kSoi;
    for (int i = 0; i < 20000; ++i) empty_segments.insert(empty_segments.end(), {0xFF, 0xE2, 0x00, 0x02});
    EXPECT_EQ(measure(empty_segments).report, kEof);
    unsigned seed = 12345;
    for (int round = 0; round < 200; ++round) {
        Bytes junk = kSoi;
        junk.push_back(0xFF);
        for (int i = 0; i < 300; ++i) {
            seed = seed * 1103515245u + 12345u;
            junk.push_back(static_cast<unsigned char>(seed >> 16));
        }
        SizeResult r = measure(junk);
        // Whatever the walk met, it said so in the known words.
        if (r.report == kEof || r.report == kFailed || r.report == kEoiFirst) {
            EXPECT_EQ(r.width, 255u);
            EXPECT_EQ(r.height, 255u);
        } else {
            size_t at = 0;
            while (at < r.report.size()) {
                size_t end = r.report.find('\n', at);
                ASSERT_NE(end, std::string::npos);
                std::string line = r.report.substr(at, end - at);
                EXPECT_TRUE(line.rfind("JPEG height > 65535; a ", 0) == 0 ||
                            line.rfind("JPEG width > 65535; a ", 0) == 0)
                    << line;
                at = end + 1;
            }
        }
    }
}

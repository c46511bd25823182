// The image index, the preamble's picture declarations and the text written
// for each image, on small picture files made here.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "ddl/ddlout.h"
#include "ddl/template.h"
#include "html/preamble.h"
#include "pictures/imageindex.h"
#include "pictures/picturedata.h"
#include "pictures/pictures.h"
#include "resources/config.h"
#include "resources/page.h"
#include "base/infile.h"

namespace {

const std::string kGif = "GIF89a";  // encodes as 4WH)1&HD
// SOI, APP0, then a frame of 640 x 480.
const std::string kJpeg =
    std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 20) +
    std::string("\xFF\xC0\x00\x11\x08\x01\xE0\x02\x80\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01", 19) +
    std::string("\xFF\xD9", 2);

const char* const kFrameStart =
    "PICT_%03d={pictframe\n{lock 0}\n{spread 0}\n{fillcolour COL_003 0x10000 0}\n{radius 0}\n{inset 0}\n"
    "{textflow 3 1 2834}\n{fcurve {box {x 0}\n{y 0}\n";
const char* const kFrameEnd =
    "{angle 0x0}\n{skew 0x0}\n{picturedata\n{lockmode 0}\n{aspectlock 1}\n{autoscale 1}\n{hide 0}\n"
    "{bottomleft 0}\n{x 0}\n{y 0}\n{scale 0x10000}\n{aspect 0x10000}\n{angle 0x0}\n{skew 0x0}\n{tile 0 0 0}}\n}\n\n";

// The declaration of frame i for a picture named leaf of w x h units.
std::string frame(int i, const std::string& leaf, int w, int h)
{
    char start[512];
    std::snprintf(start, sizeof start, kFrameStart, i);
    return "\n\n// ( \"" + leaf + "\" )\n" + start + "{w " + std::to_string(w) + "}\n{h " + std::to_string(h) +
           "}\n}}\n" + kFrameEnd;
}

class PictureFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/quillet-pic-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        char buf[4096];
        ASSERT_NE(getcwd(buf, sizeof buf), nullptr);
        oldcwd_ = buf;
        ASSERT_EQ(chdir(dir_.c_str()), 0);
        config_defaults();
        ddlout_setsmartquotes(settings.usesmartquotes);
        template_setvaluewriter(preamble_writevalue);
        page_load();
        image_release();
        ddlout_reset();
        ASSERT_TRUE(ddlout_open((dir_ + "/out.ddl").c_str()));
    }
    void TearDown() override
    {
        infile_close();
        ddlout_drop();
        image_release();
        page_release();
        config_defaults();
        ddlout_setsmartquotes(settings.usesmartquotes);
        template_setvaluewriter(preamble_writevalue);
        ddlout_reset();
        if (chdir(oldcwd_.c_str()) != 0) ADD_FAILURE();
        std::string cmd = "rm -rf '" + dir_ + "'";
        if (std::system(cmd.c_str()) != 0) ADD_FAILURE();
    }
    void write(const std::string& name, const std::string& bytes)
    {
        std::ofstream out(dir_ + "/" + name, std::ios::binary);
        out << bytes;
    }
    // An input stream read up to `position`, as the tag reader leaves it.
    void input_at(long position)
    {
        write("in.htm", std::string(100, ' '));
        ASSERT_TRUE(infile_open((dir_ + "/in.htm").c_str()));
        for (long i = 0; i < position; ++i) infile_getc();
        ASSERT_EQ(infile_tell(), position);
    }
    std::string output()
    {
        ddlout_commit();
        std::ifstream in(dir_ + "/out.ddl", std::ios::binary);
        std::ostringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    std::string dir_, oldcwd_;
};

}  // namespace

TEST_F(PictureFiles, IndexEntriesResolveAndClassify)
{
    write("a.gif", kGif);
    write("b.jpg", kJpeg);
    write("c.png", "\x89PNG\r\n");
    write("short.gif", "GI");
    write("empty.gif", "");
    EXPECT_EQ(image_addentry("a.gif", "a.gif", 0, 10), 1);
    EXPECT_EQ(image_addentry("b.jpg", "b.jpg", 100u | 50u << 16, 20), 2);
    image_addentry("c.png", "c.png", 0, 30);
    image_addentry("gone.gif", "gone.gif", 0, 40);
    image_addentry("short.gif", "short.gif", 0, 50);
    image_addentry("empty.gif", "empty.gif", 0, 60);
    ASSERT_EQ(image_count(), 6);

    const ImageEntry& a = *image_entry(1);
    EXPECT_EQ(std::string(a.path), dir_ + "/a.gif");
    EXPECT_EQ(std::string(a.leaf), "a.gif");
    EXPECT_EQ(a.readable, 1);
    EXPECT_EQ(a.type, IMAGE_GIF);
    EXPECT_EQ(a.sizeknown, 0);
    EXPECT_EQ(a.offset, 10);

    const ImageEntry& b = *image_entry(2);
    EXPECT_EQ(b.type, IMAGE_JPEG);
    EXPECT_EQ(b.sizeknown, 1);
    EXPECT_EQ(b.width, 100);
    EXPECT_EQ(b.height, 50);

    EXPECT_EQ(image_entry(3)->readable, 1);
    EXPECT_EQ(image_entry(3)->type, IMAGE_UNKNOWN);
    EXPECT_EQ(image_entry(4)->readable, 0);
    EXPECT_EQ(image_entry(4)->type, IMAGE_UNKNOWN);
    EXPECT_EQ(image_entry(5)->type, IMAGE_UNKNOWN);
    EXPECT_EQ(image_entry(6)->readable, 1);
    EXPECT_EQ(image_entry(6)->type, IMAGE_UNKNOWN);
    EXPECT_EQ(image_entry(0), nullptr);
    EXPECT_EQ(image_entry(7), nullptr);
}

TEST_F(PictureFiles, DisabledImagesAreNotLookedFor)
{
    write("a.gif", kGif);
    settings.disableimages = 1;
    image_addentry("a.gif", "a.gif", 0, 1);
    EXPECT_EQ(std::string(image_entry(1)->path), "a.gif");
    EXPECT_EQ(image_entry(1)->readable, 0);
    EXPECT_EQ(image_entry(1)->type, 0);
    image_writedecls();
    EXPECT_EQ(output(), "");
}

TEST_F(PictureFiles, DuplicatesPointAtTheFirstEntry)
{
    write("a.gif", kGif);
    image_addentry("a.gif", "a.gif", 0, 1);
    image_addentry("b.gif", "b.gif", 0, 2);
    image_addentry("a.gif", "a.gif", 0, 3);
    image_addentry("a.gif", "a.gif", 5u | 5u << 16, 4);  // the size does not matter
    image_addentry("a.gif", "other.gif", 0, 5);  // nor the leaf: the file is the same
    EXPECT_EQ(image_entry(1)->duplicate, 0);
    EXPECT_EQ(image_entry(2)->duplicate, 0);
    EXPECT_EQ(image_entry(3)->duplicate, 1);
    EXPECT_EQ(image_entry(4)->duplicate, 1);
    EXPECT_EQ(image_entry(5)->duplicate, 1);
    EXPECT_EQ(std::string(image_entry(5)->leaf), "other.gif");
}

TEST_F(PictureFiles, ThousandsOfImages)
{
    write("a.gif", kGif);
    const int n = 5000;
    for (int i = 1; i <= n; ++i) {
        std::string name = (i % 10 == 0) ? "a.gif" : "p" + std::to_string(i % 1000) + ".gif";
        ASSERT_EQ(image_addentry(name.c_str(), name.c_str(), 0, 7L * i), i);
    }
    EXPECT_EQ(image_count(), n);
    // p1.gif is entry 1; its repeats every 1000 entries refer to it.
    EXPECT_EQ(image_entry(1001)->duplicate, 1);
    EXPECT_EQ(image_entry(4001)->duplicate, 1);
    EXPECT_EQ(image_entry(20)->duplicate, 10);
    EXPECT_EQ(image_entry(5000)->duplicate, 10);
    EXPECT_EQ(image_entry(999)->duplicate, 0);
    for (int i = 1; i <= n; ++i) ASSERT_EQ(image_find(7L * i), i);
    EXPECT_EQ(image_find(0), 0);
    EXPECT_EQ(image_find(8), 0);
    EXPECT_EQ(image_find(7L * n + 7), 0);
}

TEST_F(PictureFiles, FindWithoutRisingOffsets)
{
    image_addentry("x", "x", 0, 10);
    image_addentry("y", "y", 0, 5);
    image_addentry("z", "z", 0, 10);
    EXPECT_EQ(image_find(10), 3);  // the last equal one
    EXPECT_EQ(image_find(5), 2);
    EXPECT_EQ(image_find(7), 0);
}

TEST_F(PictureFiles, OverlongPathIsNotUsed)
{
    std::string longname(1000, 'q');
    ::testing::internal::CaptureStderr();
    image_addentry(longname.c_str(), "qqq", 0, 1);
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("is longer than 511 characters; the image is not embedded."), std::string::npos) << err;
    const ImageEntry& e = *image_entry(1);
    EXPECT_EQ(e.readable, 0);
    EXPECT_LE(std::string(e.path).size(), 511u);
}

TEST_F(PictureFiles, GifDeclarationByteForByte)
{
    write("a.gif", kGif);
    image_addentry("a.gif", "a.gif", 0, 1);
    image_writedecls();
    EXPECT_EQ(output(),
              frame(1, "a.gif", 204000, 204000) + "PICTURE_001={picture\n{data \"gif\"\n6\n\"4WH)1&HD\"\n}\n}\n");
}

TEST_F(PictureFiles, SizesAndPageFitting)
{
    write("a.gif", kGif);
    write("b.jpg", kJpeg);
    image_addentry("b.jpg", "b.jpg", 0, 1);  // 640 x 480, fitted to 637 wide
    image_addentry("a.gif", "a.gif", 100u | 50u << 16, 2);  // attributes
    image_addentry("a.gif", "x.gif", 100u | 2000u << 16, 3);  // fitted to 910 high
    image_addentry("a.gif", "y.gif", 1000u | 500u << 16, 4);  // 637 x 500
    image_addentry("a.gif", "z.gif", 0u | 7u << 16, 5);  // 0 wide is still a size
    image_writedecls();
    std::string out = output();
    std::string jpegdata = "PICTURE_001={picture\n{data \"jpeg\"\n41\n";
    EXPECT_EQ(out.substr(0, frame(1, "b.jpg", 509600, 384000).size() + jpegdata.size()),
              frame(1, "b.jpg", 509600, 384000) + jpegdata);
    size_t two = out.find("\n\n// ( \"a.gif\" )\n");
    ASSERT_NE(two, std::string::npos);
    std::string gifdata = "PICTURE_%03d={picture\n{data \"gif\"\n6\n\"4WH)1&HD\"\n}\n}\n";
    auto data = [&](int i) {
        char buf[128];
        std::snprintf(buf, sizeof buf, gifdata.c_str(), i);
        return std::string(buf);
    };
    // One file: its bytes once, under the first entry naming it.
    EXPECT_EQ(out.substr(two), frame(2, "a.gif", 80000, 40000) + data(2) + frame(3, "x.gif", 80000, 728000) +
                                   "PICTURE_003=PICTURE_002\n" + frame(4, "y.gif", 509600, 400000) +
                                   "PICTURE_004=PICTURE_002\n" + frame(5, "z.gif", 0, 5600) +
                                   "PICTURE_005=PICTURE_002\n");
}

TEST_F(PictureFiles, DuplicateDeclaresItsFrameOnly)
{
    write("a.gif", kGif);
    image_addentry("a.gif", "a.gif", 0, 1);
    image_addentry("a.gif", "a.gif", 0, 2);
    image_writedecls();
    EXPECT_EQ(output(), frame(1, "a.gif", 204000, 204000) +
                            "PICTURE_001={picture\n{data \"gif\"\n6\n\"4WH)1&HD\"\n}\n}\n" +
                            frame(2, "a.gif", 204000, 204000) + "PICTURE_002=PICTURE_001\n");
}

TEST_F(PictureFiles, UnusableFilesAreNotDeclared)
{
    write("c.png", "\x89PNG\r\n\x1a\n");
    write("e.jpg", "\xFF\xD8\xFF\xE1\x00\x02");
    write("s.spr", std::string("\x01\x00\x00\x05", 4));
    image_addentry("c.png", "c.png", 0, 1);
    image_addentry("e.jpg", "e.jpg", 0, 2);
    image_addentry("s.spr", "s.spr", 0, 3);
    image_addentry("gone.gif", "gone.gif", 0, 4);
    EXPECT_EQ(image_entry(3)->type, IMAGE_OTHER);
    image_writedecls();
    EXPECT_EQ(output(), "");
}

TEST_F(PictureFiles, FileGoneBeforeThePreamble)
{
    write("a.gif", kGif);
    write("b.gif", kGif);
    image_addentry("a.gif", "a.gif", 0, 1);
    image_addentry("a.gif", "a.gif", 0, 2);
    image_addentry("b.gif", "b.gif", 0, 3);
    std::remove((dir_ + "/a.gif").c_str());
    ::testing::internal::CaptureStderr();
    image_writedecls();
    std::string err = ::testing::internal::GetCapturedStderr();
    std::string msg = "QuilletW: Can't open image file \"" + dir_ + "/a.gif\"!\n";
    EXPECT_EQ(err, msg + msg);
    EXPECT_EQ(image_entry(1)->readable, 0);
    EXPECT_EQ(image_entry(2)->readable, 0);
    EXPECT_EQ(output(),
              frame(3, "b.gif", 204000, 204000) + "PICTURE_003={picture\n{data \"gif\"\n6\n\"4WH)1&HD\"\n}\n}\n");
}

TEST_F(PictureFiles, JpegSizeFallbacks)
{
    ImageEntry e = {};
    e.type = IMAGE_JPEG;
    std::snprintf(e.path, sizeof e.path, "%s", (dir_ + "/none.jpg").c_str());
    EXPECT_EQ(picture_pixelsize(e), 256u | 256u << 16);  // cannot be opened again
    write("cut.jpg", "\xFF\xD8\xFF\xE0\x00\x10");
    std::snprintf(e.path, sizeof e.path, "%s", (dir_ + "/cut.jpg").c_str());
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(picture_pixelsize(e), 255u | 255u << 16);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Unexpected EOF in JPEG decode.\n");
    e.type = IMAGE_GIF;  // never read
    std::snprintf(e.path, sizeof e.path, "%s", (dir_ + "/none.gif").c_str());
    EXPECT_EQ(picture_pixelsize(e), 255u | 255u << 16);
    e.sizeknown = 1;
    e.width = 3;
    e.height = 4;
    EXPECT_EQ(picture_pixelsize(e), 3u | 4u << 16);
}

TEST_F(PictureFiles, LargePictureIsStreamedWhole)
{
    // 100000 bytes: 33334 groups, the last padded, in 1754 full lines.
    std::string bytes(100000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i % 251);
    write("big.gif", "GIF" + bytes.substr(3));
    image_addentry("big.gif", "big.gif", 0, 1);
    image_writedecls();
    std::string out = output();
    std::string head = "PICTURE_001={picture\n{data \"gif\"\n100000\n\"";
    size_t at = out.find(head);
    ASSERT_NE(at, std::string::npos);
    std::string data = out.substr(at + head.size());
    ASSERT_EQ(data.size(), 33334u * 4 + 1754u * 3 + std::string("\"\n}\n}\n").size());
    EXPECT_EQ(data.substr(data.size() - 6), "\"\n}\n}\n");
    // Every line but the last holds 76 characters between its quotes.
    size_t lines = 0;
    for (size_t p = 0; (p = data.find("\"\n\"", p)) != std::string::npos; p += 3) {
        ++lines;
        EXPECT_EQ(p, lines * 79 - 3);
    }
    EXPECT_EQ(lines, 1754u);
}

TEST_F(PictureFiles, TextEmbedsOrMarks)
{
    write("a.gif", kGif);
    ddlout_setsmartquotes(0);
    ddlout_suppress(0);
    image_addentry("a.gif", "a.gif", 0, 7);
    input_at(7);
    image_output(0);
    EXPECT_EQ(output(), "// linking to image \"a.gif\"\n{embed PICT_001}\n");
}

TEST_F(PictureFiles, MarkerKeepsTheItalicState)
{
    ddlout_setsmartquotes(0);
    ddlout_suppress(0);
    image_addentry("pic.png", "pic.png", 100u | 50u << 16, 12);
    input_at(12);
    image_output(1);
    image_output(0);
    EXPECT_EQ(output(),
              "{italic 0}\n\" [ \"\n{italic 1}\n\"image \\\"pic.png\\\", 100 x 50\"\n{italic 0}\n\" ] \"\n{italic 1}\n"
              "\" [ \"\n{italic 1}\n\"image \\\"pic.png\\\", 100 x 50\"\n{italic 0}\n\" ] \"\n");
}

TEST_F(PictureFiles, DisabledImagesAreMarked)
{
    write("a.gif", kGif);
    ddlout_setsmartquotes(0);
    ddlout_suppress(0);
    image_addentry("a.gif", "a.gif", 0, 3);
    input_at(3);
    settings.disableimages = 1;
    image_output(0);
    EXPECT_EQ(output(), "\" [ \"\n{italic 1}\n\"image \\\"a.gif\\\"\"\n{italic 0}\n\" ] \"\n");
}

TEST_F(PictureFiles, ImageNotInTheIndex)
{
    ddlout_suppress(0);
    image_addentry("a.gif", "a.gif", 0, 99);
    input_at(42);
    ::testing::internal::CaptureStderr();
    image_output(0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "QuilletW: Unable to locate image referred to at file offset +42 in index index.\n");
    EXPECT_EQ(output(), "");
}

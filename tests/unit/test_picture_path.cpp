// Where a picture's file is looked for, and what kind of file it is.
#include <gtest/gtest.h>

#include <string>

#include "pictures/imageindex.h"

namespace {

std::string win(const std::string& input, const std::string& src, const std::string& cwd = "D:\\cur\\")
{
    return image_resolvepath(input, src, cwd, '\\');
}

std::string posix(const std::string& input, const std::string& src, const std::string& cwd = "/work/")
{
    return image_resolvepath(input, src, cwd, '/');
}

}  // namespace

TEST(PicturePath, WindowsPagesWithADrive)
{
    EXPECT_EQ(win("C:\\web\\page.html", "pic.gif"), "C:\\web\\pic.gif");
    EXPECT_EQ(win("C:\\web\\page.html", "images/pic.gif"), "C:\\web\\images\\pic.gif");
    EXPECT_EQ(win("C:\\web\\page.html", "../pic.gif"), "C:\\pic.gif");
    EXPECT_EQ(win("C:\\web\\a\\b\\page.html", "../../pic.gif"), "C:\\web\\pic.gif");
    // The root of the drive is as far up as ".." goes.
    EXPECT_EQ(win("C:\\web\\page.html", "../../../x/pic.gif"), "C:\\x\\pic.gif");
    EXPECT_EQ(win("C:\\page.html", "pic.gif"), "C:\\pic.gif");
    EXPECT_EQ(win("C:\\page.html", "../pic.gif"), "C:\\pic.gif");
}

TEST(PicturePath, WindowsPagesWithoutADriveUseTheWorkingFolder)
{
    EXPECT_EQ(win("web\\page.html", "pic.gif"), "D:\\cur\\web\\pic.gif");
    EXPECT_EQ(win("web\\page.html", "pic.gif", "D:\\cur"), "D:\\cur\\web\\pic.gif");
    EXPECT_EQ(win("web\\page.html", "../pic.gif"), "D:\\cur\\pic.gif");
    EXPECT_EQ(win("page.html", "pic.gif"), "D:\\cur\\pic.gif");
    EXPECT_EQ(win("page.html", "pic.gif", "D:\\"), "D:\\pic.gif");
}

TEST(PicturePath, SlashPaths)
{
    EXPECT_EQ(posix("/home/u/site/page.htm", "pic.gif"), "/home/u/site/pic.gif");
    EXPECT_EQ(posix("/home/u/site/page.htm", "img/a.gif"), "/home/u/site/img/a.gif");
    EXPECT_EQ(posix("/home/u/site/page.htm", "../a.gif"), "/home/u/a.gif");
    EXPECT_EQ(posix("/home/u/site/page.htm", "../../../../a.gif"), "/a.gif");
    EXPECT_EQ(posix("/page.htm", "a.gif"), "/a.gif");
    EXPECT_EQ(posix("/page.htm", "../a.gif"), "/a.gif");
    // Backslashes in the src value separate folders too.
    EXPECT_EQ(posix("/home/u/site/page.htm", "img\\a.gif"), "/home/u/site/img/a.gif");
    EXPECT_EQ(posix("/home/u/site/page.htm", "..\\a.gif"), "/home/u/a.gif");
    // A page named without a leading slash is found from the working folder.
    EXPECT_EQ(posix("site/page.htm", "pic.gif"), "/work/site/pic.gif");
    EXPECT_EQ(posix("site/page.htm", "pic.gif", "/work"), "/work/site/pic.gif");
    EXPECT_EQ(posix("page.htm", "pic.gif"), "/work/pic.gif");
    EXPECT_EQ(posix("page.htm", "pic.gif", "/"), "/pic.gif");
    // Only ".." followed by a separator is a step up.
    EXPECT_EQ(posix("/s/page.htm", "..x/a.gif"), "/s/..x/a.gif");
    EXPECT_EQ(posix("/s/page.htm", "./a.gif"), "/s/./a.gif");
}

TEST(PicturePath, StepsAboveRelativeFolders)
{
    // The page's folder itself climbs: one more ".." is kept, not cut.
    EXPECT_EQ(posix("../page.htm", "../pic.gif", "/home/u/"), "/home/u/../../pic.gif");
    // Without a working folder, relative paths stay relative.
    EXPECT_EQ(posix("site/page.htm", "pic.gif", ""), "site/pic.gif");
    EXPECT_EQ(posix("site/page.htm", "../pic.gif", ""), "pic.gif");
    EXPECT_EQ(posix("site/page.htm", "../../pic.gif", ""), "../pic.gif");
    EXPECT_EQ(posix("page.htm", "pic.gif", ""), "pic.gif");
    EXPECT_EQ(posix("page.htm", "../../pic.gif", ""), "../../pic.gif");
}

TEST(PicturePath, LongAndOddValuesStayWhole)
{
    std::string longsrc(1000, 'a');
    std::string r = posix("/s/page.htm", longsrc);
    EXPECT_EQ(r, "/s/" + longsrc);
    std::string ups;
    for (int i = 0; i < 300; ++i) ups += "../";
    EXPECT_EQ(posix("/s/t/page.htm", ups + "a.gif"), "/a.gif");
    EXPECT_EQ(posix("", ""), "/work/");
    EXPECT_EQ(posix("/s/page.htm", "../"), "/");
    EXPECT_EQ(win("", "a.gif", ""), "a.gif");
}

TEST(PictureType, FirstFourBytes)
{
    auto type = [](std::initializer_list<int> bytes) {
        unsigned char h[4] = {0, 0, 0, 0};
        int i = 0;
        for (int b : bytes) h[i++] = static_cast<unsigned char>(b);
        return image_filetype(h);
    };
    EXPECT_EQ(type({0x89, 'P', 'N', 'G'}), IMAGE_UNKNOWN);
    EXPECT_EQ(type({0x01, 0x00, 0x00, 0x7F}), IMAGE_OTHER);
    EXPECT_EQ(type({0x01, 0x00, 0x00}), IMAGE_OTHER);
    EXPECT_EQ(type({0xFF, 0xD8, 0xFF, 0xE0}), IMAGE_JPEG);
    EXPECT_EQ(type({0xFF, 0xD8, 0xFF, 0xE1}), IMAGE_UNKNOWN);  // only JFIF files are taken
    EXPECT_EQ(type({0xFF, 0xD8, 0xFF, 0xDB}), IMAGE_UNKNOWN);
    EXPECT_EQ(type({'G', 'I', 'F', '8'}), IMAGE_GIF);
    EXPECT_EQ(type({'G', 'I', 'F'}), IMAGE_GIF);
    EXPECT_EQ(type({'G', 'I', 'f', '8'}), IMAGE_UNKNOWN);
    EXPECT_EQ(type({}), IMAGE_UNKNOWN);
}

TEST(PictureSrc, SpelledAsInTheTag)
{
    EXPECT_EQ(image_srcspelling(" SRC=\"Images/Photo.JPG\" width=10>", "images/photo.jpg"), "Images/Photo.JPG");
    EXPECT_EQ(image_srcspelling(" alt=PIC.gif src=Pic.GIF>", "pic.gif"), "Pic.GIF");
    // The value is looked for after the attribute name only.
    EXPECT_EQ(image_srcspelling(" src=S>", "s"), "S");
    // Anything not found as given is kept as the reader gave it.
    EXPECT_EQ(image_srcspelling(" alt=x>", "<filename unknown>"), "<filename unknown>");
    EXPECT_EQ(image_srcspelling(" src=abc>", "zzz"), "zzz");
    EXPECT_EQ(image_srcspelling("", ""), "");
}

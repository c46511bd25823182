// The page-folder rule: which real paths lie inside a folder, and which
// files a page may open.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/pagefiles.h"

namespace {

TEST(PageFiles, InsideIsDecidedAtAStepBoundary)
{
    EXPECT_TRUE(pagefile_inside("/a/b", "/a/b/c", false));
    EXPECT_TRUE(pagefile_inside("/a/b/", "/a/b/c/d.txt", false));
    EXPECT_TRUE(pagefile_inside("/a/b", "/a/b", false));
    EXPECT_FALSE(pagefile_inside("/a/b", "/a/bc", false));
    EXPECT_FALSE(pagefile_inside("/a/b", "/a", false));
    EXPECT_FALSE(pagefile_inside("/a/b", "/x/b/c", false));
    EXPECT_FALSE(pagefile_inside("", "/a", false));
    EXPECT_FALSE(pagefile_inside("/", "/etc/passwd", false)) << "the root is no folder of a page";
    EXPECT_FALSE(pagefile_inside("C:\\Pages", "c:\\pages\\x.htm", false));
    EXPECT_TRUE(pagefile_inside("C:\\Pages", "c:\\pages\\x.htm", true));
    EXPECT_FALSE(pagefile_inside("C:\\Pages", "c:\\pagesx\\x.htm", true));
}

class PageFilesOpen : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/qpagefilesXXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        std::filesystem::create_directories(dir_ + "/page/sub");
        std::filesystem::create_directories(dir_ + "/shared");
        put("page/sub/a.txt");
        put("shared/b.txt");
        put("secret.txt");
        std::filesystem::create_symlink(dir_ + "/secret.txt", dir_ + "/page/out");
        std::filesystem::create_symlink(dir_ + "/page/sub/a.txt", dir_ + "/page/in");
        std::filesystem::create_symlink(dir_ + "/shared", dir_ + "/page/lib");
    }
    void TearDown() override
    {
        pagefile_reset();
        std::filesystem::remove_all(dir_);
    }
    void put(const std::string& name) { std::ofstream(dir_ + "/" + name) << name; }
    PageFileResult open(const char* name)
    {
        PageFile f;
        PageFileResult r = pagefile_open(name, &f);
        EXPECT_EQ(r == PAGEFILE_OPENED, f.file != nullptr) << name;
        if (f.file) std::fclose(f.file);
        return r;
    }
    std::string dir_;
};

TEST_F(PageFilesOpen, OnlyFilesWhoseRealPathIsInsideOpen)
{
    pagefile_setpage((dir_ + "/page/in.htm").c_str(), nullptr);
    EXPECT_EQ(open("sub/a.txt"), PAGEFILE_OPENED);
    EXPECT_EQ(open("in"), PAGEFILE_OPENED) << "a link to a file inside is followed";
    EXPECT_EQ(open("out"), PAGEFILE_OUTSIDE) << "a link to a file outside";
    EXPECT_EQ(open("lib/b.txt"), PAGEFILE_OUTSIDE) << "a link to a folder outside";
    EXPECT_EQ(open("../secret.txt"), PAGEFILE_OUTSIDE);
    EXPECT_EQ(open((dir_ + "/secret.txt").c_str()), PAGEFILE_OUTSIDE);
    EXPECT_EQ(open("sub"), PAGEFILE_MISSING) << "a folder is no file";
    EXPECT_EQ(open("none.txt"), PAGEFILE_MISSING);
    EXPECT_EQ(open("/dev/null"), PAGEFILE_MISSING) << "a device is no file";

    // A listed folder, relative to the page's folder; a missing one is
    // ignored, and the root never counts.
    pagefile_setpage((dir_ + "/page/in.htm").c_str(), " ../shared ; nowhere;/");
    EXPECT_EQ(open("lib/b.txt"), PAGEFILE_OPENED);
    EXPECT_EQ(open("out"), PAGEFILE_OUTSIDE);
    EXPECT_EQ(open("/etc/passwd"), PAGEFILE_OUTSIDE);
}

TEST_F(PageFilesOpen, ThePageFolderIsTheRealFolderOfTheName)
{
    // Named through a link to its folder, the page's folder is the real one.
    std::filesystem::create_symlink(dir_ + "/page", dir_ + "/alias");
    pagefile_setpage((dir_ + "/alias/in.htm").c_str(), nullptr);
    EXPECT_EQ(open("sub/a.txt"), PAGEFILE_OPENED);
    // A page in the root folder may read nothing.
    pagefile_setpage("/in.htm", nullptr);
    EXPECT_EQ(open("etc/passwd"), PAGEFILE_OUTSIDE);
    // Nothing before a page is set.
    pagefile_reset();
    EXPECT_EQ(open((dir_ + "/page/sub/a.txt").c_str()), PAGEFILE_MISSING);
}

}  // namespace

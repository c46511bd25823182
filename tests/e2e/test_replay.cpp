// Replays the regression inputs and the fuzz seeds: each must run to its
// end without a sanitizer report and give well-formed output.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "harness.h"

namespace {

std::vector<std::string> files(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* d = opendir(folder.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.' && std::string(e->d_name) != "README.md") names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

const std::string kSource = QUILLET_SOURCE_DIR;

// The exit codes the program can end with.
const std::set<int> kCodes = {0, 1, 10, 11, 30, 40, 41, 42, 44, 50, 56, 57, 61, 68, 70, 255};

void check(const RunResult& r, const std::string& what)
{
    EXPECT_GE(r.code, 0) << what << " did not end normally";
    EXPECT_TRUE(kCodes.count(r.code)) << what << ": exit " << r.code;
    EXPECT_EQ(r.err.find("AddressSanitizer"), std::string::npos) << what;
    EXPECT_EQ(r.err.find("runtime error"), std::string::npos) << what;
    if (r.code == 0 && r.has_output) {
        EXPECT_EQ(ddl_problems(r.output), "") << what;
    }
}

TEST(Replay, PagesAndScripts)
{
    ScratchDir d;
    for (const char* folder : {"/tests/regress/page", "/tests/regress/script", "/fuzz/seeds", "/examples"}) {
        for (const std::string& n : files(kSource + folder)) {
            if (n.size() < 4 || n.compare(n.size() - 4, 4, ".htm") != 0) continue;
            RunResult r = d.convert(slurp(kSource + folder + "/" + n));
            check(r, std::string(folder) + "/" + n);
        }
    }
}

// The same pages, and the character set reader's own inputs (each starts
// with the byte that sets its fuzzing mode, read here as page text), with
// the character sets read.
TEST(Replay, PagesWithCharsets)
{
    ScratchDir d;
    d.write("config", shipped("config") + "mcharsets=true\n");
    for (const char* folder : {"/tests/regress/page", "/tests/regress/charset", "/fuzz/seeds/charset"}) {
        for (const std::string& n : files(kSource + folder)) {
            if (n.size() < 4 || n.compare(n.size() - 4, 4, ".htm") != 0) continue;
            RunResult r = d.convert(slurp(kSource + folder + "/" + n));
            check(r, std::string(folder) + "/" + n);
        }
    }
}

TEST(Replay, SupportFiles)
{
    const std::string page = slurp(kSource + "/fuzz/seeds/rich.htm");
    const std::string script = slurp(kSource + "/examples/play.htm");
    for (const char* f :
         {"config", "definits", "drmstyle", "colours", "fontmap", "fontexpt", "entities", "translat", "drmign"}) {
        for (const std::string& n : files(kSource + "/tests/regress/" + f)) {
            ScratchDir d;
            d.write(f, slurp(kSource + "/tests/regress/" + f + "/" + n));
            bool scripted = std::string(f) == "drmstyle" || std::string(f) == "drmign";
            RunResult r = d.convert(scripted ? script : page);
            check(r, std::string(f) + "/" + n);
        }
    }
}

TEST(Replay, Pictures)
{
    const std::string page = slurp(kSource + "/fuzz/seeds/pictures.htm");
    for (const char* folder : {"/tests/regress/picture", "/fuzz/seeds"}) {
        for (const std::string& n : files(kSource + folder)) {
            bool picture =
                n.size() > 4 && (n.compare(n.size() - 4, 4, ".gif") == 0 || n.compare(n.size() - 4, 4, ".jpg") == 0);
            if (std::string(folder) == "/fuzz/seeds" && !picture) continue;
            ScratchDir d;
            d.write("pic.jpg", slurp(kSource + folder + "/" + n));
            d.write("pic.gif", slurp(kSource + folder + "/" + n));
            RunResult r = d.convert(page);
            check(r, std::string(folder) + "/" + n);
            EXPECT_EQ(r.code, 0);
        }
    }
}

}  // namespace

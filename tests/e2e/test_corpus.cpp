// Smoke test over real pages written by other projects: each converts with
// the shipped support files, exits 0 and gives well-formed DDL.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "page_format.h"

namespace {

bool is_folder(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The corpus sits beside the source tree (one level further up from a
// worktree in its own folder).
std::string corpus_folder(const std::string& leaf = "web")
{
    for (const char* rel : {"/../shared/corpus/", "/../../shared/corpus/"}) {
        std::string p = std::string(QUILLET_SOURCE_DIR) + rel + leaf;
        if (is_folder(p)) return p;
    }
    return "";
}

std::vector<std::string> pages(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* d = opendir(folder.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string n = e->d_name;
            if (n.size() > 4 && (n.compare(n.size() - 5, 5, ".html") == 0 || n.compare(n.size() - 4, 4, ".htm") == 0))
                names.push_back(n);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(Corpus, EveryPageConvertsToWellFormedDdl)
{
    std::string folder = corpus_folder();
    if (folder.empty()) GTEST_SKIP() << "no corpus folder beside the sources";
    std::vector<std::string> names = pages(folder);
    if (names.empty()) GTEST_SKIP() << "the corpus folder holds no pages";
    ScratchDir d;
    for (const std::string& n : names) {
        std::ifstream in(folder + "/" + n, std::ios::binary);
        std::ostringstream ss;
        ss << in.rdbuf();
        std::string page = ss.str();
        std::string lower = page;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (lower.find("<body") == std::string::npos) {
            // A fragment without a body is refused as designed; its content
            // is then converted as the body of a page.
            RunResult refused = d.convert(page);
            EXPECT_EQ(refused.code, 1) << n;
            EXPECT_FALSE(refused.has_output) << n;
            EXPECT_NE(refused.err.find("without finding '<body>'"), std::string::npos) << n;
            page = "<body>" + page;
        }
        RunResult r = d.convert(page);
        EXPECT_EQ(r.code, 0) << n << ": " << r.err.substr(0, 300);
        ASSERT_TRUE(r.has_output) << n;
        EXPECT_EQ(r.output.compare(0, 8, "//->DDL\n"), 0) << n;
        EXPECT_EQ(format_test::ddl_problems(r.output), "") << n;
        EXPECT_EQ(r.err.find("memtrace"), std::string::npos) << n;
    }
}

// The same, and the saved pages of today's sites (UTF-8 and Windows-1252
// in several languages), with the character sets read as the shipped
// configuration asks.
TEST(Corpus, EveryPageConvertsWithCharsetsRead)
{
    ScratchDir d;
    d.write("config", shipped_as_is("config"));
    int converted = 0;
    for (const char* leaf : {"web", "realworld"}) {
        std::string folder = corpus_folder(leaf);
        for (const std::string& n : pages(folder)) {
            std::ifstream in(folder + "/" + n, std::ios::binary);
            std::ostringstream ss;
            ss << in.rdbuf();
            RunResult r = d.convert(ss.str());
            if (r.code == 1 && r.err.find("without finding '<body>'") != std::string::npos) continue;
            EXPECT_EQ(r.code, 0) << n << ": " << r.err.substr(0, 300);
            EXPECT_EQ(format_test::ddl_problems(r.output), "") << n;
            ++converted;
        }
    }
    if (!converted) GTEST_SKIP() << "no corpus pages beside the sources";
}

}  // namespace

namespace {

TEST(Corpus, TheWellFormedCheckFindsFaults)
{
    using format_test::ddl_problems;
    const std::string decls = "COL_001={colour \"Black\"}\nFONT_001={font \"A\"}\n";
    EXPECT_EQ(ddl_problems(decls + "{foreground COL_001 0x10000 0}\nFONT_001\n\"a \\\" {\"\n// {\n"), "");
    EXPECT_EQ(ddl_problems(decls + "{bold 1\n"), "unbalanced braces at the end: 1 open\n");
    EXPECT_EQ(ddl_problems(decls + "}{\n"), "line 3: '}' without '{'\nunbalanced braces at the end: 1 open\n");
    EXPECT_EQ(ddl_problems(decls + "\"open\n"), "line 3: string not closed\n");
    EXPECT_EQ(ddl_problems(decls + "{foreground COL_016 0x10000 0}\nFONT_021\n"),
              "COL_016 used but not declared\nFONT_021 used but not declared\n");
    // Text that merely looks like a name is not a reference.
    EXPECT_EQ(ddl_problems(decls + "\"FONT_099\"\nXCOL_123\n"), "");
}

}  // namespace

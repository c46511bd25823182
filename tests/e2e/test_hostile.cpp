// Hostile inputs, each run to its end in seconds: no crash, no hang, no
// sanitizer report, no unreleased claim.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "harness.h"

namespace {

void expect_clean(const RunResult& r, const std::string& what)
{
    EXPECT_GE(r.code, 0) << what << " did not end normally";
    EXPECT_EQ(r.err.find("AddressSanitizer"), std::string::npos) << what;
    EXPECT_EQ(r.err.find("runtime error"), std::string::npos) << what;
    EXPECT_EQ(r.err.find("memtrace claims not released"), std::string::npos) << what;
}

TEST(Hostile, PagesOfEveryKind)
{
    ScratchDir d;
    std::vector<std::pair<std::string, std::string>> pages = {
        {"NUL bytes everywhere", std::string("<ht\0ml><body>a\0b<b\0>c&a\0mp;<p al\0ign=center>\0<bo\0dy>\0", 47)},
        {"10 MB without a line end", "<body>" + std::string(10000000, 'x')},
        {"a 1 MB tag", "<body><font color=\"" + std::string(1000000, 'c') + "\">x</font>"},
        {"8-bit bytes", "<body>" + std::string("\x80\xff\xfe\xa0\xad\x90\x94\xb8<\xe9>&\xe9;", 14)},
        {"unterminated comment", "<body>a<!-- never closed " + std::string(1000, '-')},
        {"unterminated tag", "<body>a<font size=\"7"},
        {"unterminated entity", "<html><body>a&amp"},
        {"lone ampersand at the end", "<html><body>text&"},
        {"lone bracket at the end", "<html><body>text<"},
    };
    for (const char* tag : {"b",
                            "i",
                            "u",
                            "s",
                            "sub",
                            "sup",
                            "tt",
                            "font size=7",
                            "big",
                            "small",
                            "blockquote",
                            "ul",
                            "ol",
                            "dl",
                            "dir",
                            "center",
                            "right",
                            "div align=center",
                            "p align=right",
                            "h1",
                            "a href=x",
                            "pre",
                            "address",
                            "cite",
                            "dfn",
                            "var",
                            "kbd",
                            "samp",
                            "span"}) {
        std::string open = std::string("<") + tag + ">x";
        std::string page = "<body>";
        page.reserve(100000 * open.size() + 10);
        for (int i = 0; i < 100000; ++i) page += open;
        pages.emplace_back(std::string("100,000 nested <") + tag + ">", page);
    }
    for (const auto& p : pages) {
        RunResult r = d.convert(p.second);
        expect_clean(r, p.first);
        EXPECT_EQ(r.code, 0) << p.first << "\n" << r.err.substr(0, 300);
        if (r.has_output) {
            EXPECT_EQ(ddl_problems(r.output), "") << p.first;
        }
    }
}

TEST(Hostile, SupportFilesEmptyBinaryUnterminatedAndLong)
{
    const std::string page =
        "<html><body bgcolor=red text=\"#102030\"><h1>H</h1><p>Text <b>b</b> &eacute; &bogus; "
        "<font face=Arial color=green size=+2>f</font> <a href=\"http://a/\">l</a><pre> p</pre></body></html>";
    std::string lines;
    for (int i = 0; i < 10000; ++i) lines += std::string("line ") + std::to_string(i) + "~ 21\n";
    std::string binary;
    for (int i = 0; i < 4000; ++i) binary += static_cast<char>((i * 131 + 7) & 0xFF);
    const std::vector<std::pair<std::string, std::string>> contents = {
        {"empty", ""}, {"binary", binary}, {"no final line feed", "xyz\nabc"}, {"10,000 lines", lines}};
    for (const char* f :
         {"config", "definits", "colours", "fontmap", "fontexpt", "entities", "unierr", "revent", "translat"}) {
        for (const auto& c : contents) {
            ScratchDir d;
            d.write(f, c.second);
            RunResult r = d.convert(page);
            std::string what = std::string(f) + " " + c.first;
            expect_clean(r, what);
            EXPECT_EQ(r.code, 0) << what << "\n" << r.err.substr(0, 300);
        }
    }
}

}  // namespace

namespace {

// Reading 2 GiB twice takes a while; the sanitizer build leaves it out.
#if !defined(__SANITIZE_ADDRESS__)
TEST(Hostile, InputsPastTwoGibibytes)
{
    ScratchDir d;
    const std::string head = "<html><body>Big page</body>";
    d.write("in.htm", head);
    // A sparse file: the rest reads as NUL bytes after the body's end.
    ASSERT_EQ(truncate(d.path("in.htm").c_str(), (2LL << 30) + 4096), 0);
    RunResult r = d.run({"in.htm", "out.ddl"}, "out.ddl");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_NE(body_of(r.output).find("\"Big page\""), std::string::npos);
}
#endif

}  // namespace

namespace {

// The shortest of three runs of the program on `page`, in seconds.
double best_time(const ScratchDir& d, const std::string& page)
{
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        auto start = std::chrono::steady_clock::now();
        RunResult r = d.convert(page);
        double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(r.code, 0) << r.err.substr(0, 300);
        if (t < best) best = t;
    }
    return best;
}

// Four times the input may take about five times as long, not sixteen; a
// quarter of a second is allowed for starting and ending the program.
void expect_linear(double small, double large, const std::string& what)
{
    EXPECT_LE(large, 5 * small + 0.25) << what << ": " << small << " s, then " << large << " s for four times as much";
}

const char* kScriptHead = "<html><body><dramaton><title T><author A><copyright year 2005 to H><begin>\n";

std::string distinct_speakers(int n)
{
    std::string s = std::string(kScriptHead) + "<scene S>\n";
    for (int i = 0; i < n; ++i) s += "<dia Speaker" + std::to_string(i) + ">Hi.</dia>\n";
    return s + "</scene>\n";
}

std::string scenes(int n)
{
    std::string s = kScriptHead;
    for (int i = 0; i < n; ++i) s += "<scene \"Scene " + std::to_string(i) + "\">Text.</scene>\n";
    return s;
}

}  // namespace

TEST(Hostile, ScriptFamiliesTakeLinearTime)
{
    ScratchDir d;
    expect_linear(best_time(d, distinct_speakers(20000)), best_time(d, distinct_speakers(80000)), "speakers");
    expect_linear(best_time(d, scenes(20000)), best_time(d, scenes(80000)), "scenes");
}

TEST(Hostile, ContinuationChainsTakeLinearTime)
{
    ScratchDir d;
    auto chain = [&](int n) {
        for (int i = 1; i <= n; ++i)
            d.write("part" + std::to_string(i) + ".txt",
                    "x" + (i < n ? "<continue part" + std::to_string(i + 1) + ".txt>" : std::string()));
        return std::string(kScriptHead) + "<continue part1.txt>";
    };
    double small = best_time(d, chain(300));
    double large = best_time(d, chain(1200));
    expect_linear(small, large, "continuation files");
}

TEST(Hostile, IgnoredCommandsTakeLinearTime)
{
    ScratchDir d;
    auto family = [&](int n) {
        std::string list, script = kScriptHead;
        for (int i = 0; i < n; ++i) {
            list += "ext" + std::to_string(i) + "\n";
            script += "<ext" + std::to_string(n - 1 - i) + ">";
        }
        d.write("drmign", list);
        return script;
    };
    std::string small = family(5000);
    double t1 = best_time(d, small);
    std::string large = family(20000);
    double t4 = best_time(d, large);
    expect_linear(t1, t4, "ignored commands");
    RunResult r = d.convert(large);
    EXPECT_EQ(r.err, "");  // every one is on the list
}

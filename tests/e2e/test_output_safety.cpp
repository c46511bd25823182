// The output's path changes only when a run succeeds: a run that fails,
// cannot write, or is stopped leaves what was there as it was, and no
// temporary file behind; a successful one replaces it whole.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "harness.h"

namespace {

const std::string kPage = "<html><body><p>Some text.</p></body></html>\n";
const std::string kEarlier = "an earlier output\n";

// A page whose output is a few hundred kilobytes.
std::string large_page(int paragraphs)
{
    std::string s = "<html><body>\n";
    for (int i = 0; i < paragraphs; ++i)
        s += "<p>Paragraph " + std::to_string(i) + " has <b>some</b> words in it to fill the output.</p>\n";
    return s + "</body></html>\n";
}

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

unsigned mode_of(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0u;
}

// Starts the program in the folder without waiting for it.
pid_t start(const ScratchDir& d, const std::vector<std::string>& args)
{
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(d.dir().c_str()) != 0) _exit(127);
        signal(SIGINT, SIG_DFL);
        signal(SIGTERM, SIG_DFL);
        int nul = open("/dev/null", O_RDWR);
        if (nul >= 0) {
            dup2(nul, 0);
            dup2(nul, 2);
        }
        std::vector<char*> argv;
        std::string prog = d.path("quillet");
        argv.push_back(&prog[0]);
        std::vector<std::string> copy = args;
        for (std::string& a : copy) argv.push_back(&a[0]);
        argv.push_back(nullptr);
        execv(prog.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

TEST(OutputSafety, FailedRunsLeaveTheOutputAsItWas)
{
    ScratchDir d;
    // Arguments swapped by mistake: the page is the output of a conversion
    // of its own output, which has no body.
    d.write("src.html", kPage);
    ASSERT_EQ(d.run({"src.html", "src.ddl"}).code, 0);
    RunResult r = d.run({"src.ddl", "src.html"}, "src.html");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.output, kPage);

    // A failure after the output was well under way: a style stack that
    // overflows with recovery off, deep into a page.
    d.write("config", "atrytorecover=false\n");
    std::string deep = large_page(2000);
    deep.erase(deep.size() - 16);  // "</body></html>\n"
    for (int i = 0; i < 17; ++i) deep += "<big>";
    d.write("in.htm", deep + "x</body></html>\n");
    d.write("out.ddl", kEarlier);
    r = d.run({"in.htm", "out.ddl"}, "out.ddl");
    EXPECT_EQ(r.code, 50);
    EXPECT_EQ(r.output, kEarlier);
    EXPECT_EQ(leftovers(d.dir()), std::vector<std::string>{});

    // A device named as the output is written, never removed.
    r = d.run({"src.ddl", "/dev/null"});
    EXPECT_EQ(r.code, 1);
    struct stat st;
    ASSERT_EQ(stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
}

TEST(OutputSafety, WriteErrorsEndTheRunWithTwelve)
{
    ScratchDir d;
    d.write("in.htm", large_page(3000));
    RunResult r = d.run({"in.htm", "/dev/full"});
    EXPECT_EQ(r.code, 12);
    EXPECT_EQ(r.err,
              "QuilletW: Couldn't write output file \"/dev/full\" (" + std::string(std::strerror(ENOSPC)) + ").\n");

    // A file system that fills up while the output is written.
    const std::string small = d.path("small");
    ASSERT_EQ(mkdir(small.c_str(), 0755), 0);
    if (mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "a small tmpfs cannot be mounted here (" << std::strerror(errno) << ")";
    d.write("small/out.ddl", kEarlier);
    r = d.run({"in.htm", "small/out.ddl"}, "small/out.ddl");
    const std::vector<std::string> left = leftovers(small);
    umount2(small.c_str(), MNT_DETACH);
    EXPECT_EQ(r.code, 12);
    EXPECT_EQ(r.err,
              "QuilletW: Couldn't write output file \"small/out.ddl\" (" + std::string(std::strerror(ENOSPC)) + ").\n");
    EXPECT_EQ(r.output, kEarlier);
    EXPECT_EQ(left, std::vector<std::string>{});
}

TEST(OutputSafety, AStoppedRunLeavesTheOldOutputWhole)
{
    ScratchDir d;
    d.write("in.htm", large_page(200000));  // long enough to be caught in the middle
    for (int sig : {SIGTERM, SIGINT, SIGKILL}) {
        SCOPED_TRACE(sig);
        d.write("out.ddl", kEarlier);
        pid_t pid = start(d, {"in.htm", "out.ddl"});
        // Stopped once its temporary file is there.
        auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (leftovers(d.dir()).empty() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        kill(pid, sig);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the run ended before it was stopped";
        EXPECT_EQ(d.read("out.ddl"), kEarlier);
        if (sig != SIGKILL) {
            EXPECT_EQ(leftovers(d.dir()), std::vector<std::string>{}) << "the temporary file was left";
        }
        for (const std::string& f : leftovers(d.dir())) d.remove(f);
    }
}

TEST(OutputSafety, ASuccessfulRunReplacesTheFileAndKeepsItsPermissions)
{
    ScratchDir d;
    d.write("in.htm", kPage);
    RunResult fresh = d.run({"in.htm", "fresh.ddl"}, "fresh.ddl");
    ASSERT_EQ(fresh.code, 0);

    d.write("out.ddl", std::string(500000, 'Z'));
    ASSERT_EQ(chmod(d.path("out.ddl").c_str(), 0640), 0);
    RunResult r = d.run({"in.htm", "out.ddl"}, "out.ddl");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.output, fresh.output);
    EXPECT_EQ(mode_of(d.path("out.ddl")), 0640u);

    // A new file gets the permissions the caller's umask leaves.
    mode_t old = umask(027);
    r = d.run({"in.htm", "new.ddl"}, "new.ddl");
    umask(old);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(mode_of(d.path("new.ddl")), 0640u);

    // An output reached through a link: the file it names is replaced, the
    // link stays.
    ASSERT_EQ(mkdir(d.path("real").c_str(), 0755), 0);
    d.write("real/target.ddl", kEarlier);
    ASSERT_EQ(symlink("real/target.ddl", d.path("link.ddl").c_str()), 0);
    r = d.run({"in.htm", "link.ddl"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(d.read("real/target.ddl"), fresh.output);
    struct stat st;
    ASSERT_EQ(lstat(d.path("link.ddl").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(leftovers(d.dir()), std::vector<std::string>{});
    EXPECT_EQ(leftovers(d.path("real")), std::vector<std::string>{});
}

// Every test of the fixed -converthtml output is here, so that none runs
// beside another.
TEST(OutputSafety, TheFixedConvertHtmlOutputIsReplacedNeverFollowed)
{
    const char* fixed = "/tmp/Quillet.ddl";
    ScratchDir d;
    d.write("in.htm", kPage);
    RunResult want = d.run({"in.htm", "want.ddl"}, "want.ddl");
    ASSERT_EQ(want.code, 0);

    std::remove(fixed);
    RunResult r = d.run({"-converthtml", "in.htm", "ignored"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "");
    std::string got = read_file(fixed);
    EXPECT_EQ(got, want.output);

    // A link planted at the fixed path is replaced by the output; the file
    // it named is left alone.
    std::remove(fixed);
    d.write("victim", "someone else's file\n");
    ASSERT_EQ(symlink(d.path("victim").c_str(), fixed), 0);
    r = d.run({"-converthtml", "in.htm"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(d.read("victim"), "someone else's file\n");
    struct stat st;
    ASSERT_EQ(lstat(fixed, &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));

    // Two runs at once: the output is the whole of one of them. The later
    // to finish may find the file it was to replace replaced by the other
    // and refuse (exit 12), leaving the other's output.
    d.write("other.htm", large_page(3000));
    RunResult other = d.run({"other.htm", "other.ddl"}, "other.ddl");
    ASSERT_EQ(other.code, 0);
    pid_t a = start(d, {"-converthtml", "other.htm"});
    pid_t b = start(d, {"-converthtml", "in.htm"});
    int sa = 0, sb = 0;
    waitpid(a, &sa, 0);
    waitpid(b, &sb, 0);
    ASSERT_TRUE(WIFEXITED(sa) && WIFEXITED(sb));
    int ca = WEXITSTATUS(sa), cb = WEXITSTATUS(sb);
    EXPECT_TRUE((ca == 0 || ca == 12) && (cb == 0 || cb == 12) && (ca == 0 || cb == 0)) << ca << " " << cb;
    got = read_file(fixed);
    EXPECT_TRUE((got == other.output && ca == 0) || (got == want.output && cb == 0))
        << "the two runs' outputs were mixed, or a refused one was put in place";
    std::remove(fixed);
}

}  // namespace

// Runs stopped from outside, standard streams that are closed or named by
// path, and outputs that cannot be replaced in one step.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "harness.h"

namespace {

const std::string kEarlier = "an earlier output\n";
const int kNobody = 65534;

// A page of some megabytes whose conversion then reports a control code
// in a tag a hundred times: written to a small pipe that is not read, the
// reports hold the run in the middle of its conversion, with its output
// open, until the pipe is read.
// (With `reports_first`, the reports come before the paragraphs.)
std::string stalling_page(bool reports_first = false)
{
    std::string text, reports;
    for (int i = 0; i < 20000; ++i) text += "<p>Paragraph " + std::to_string(i) + " has <b>some</b> words in it.</p>\n";
    for (int i = 0; i < 100; ++i) reports += "<p class=\"\x01\">x</p>\n";
    return "<html><body>\n" + (reports_first ? reports + text : text + reports) + "</body></html>\n";
}

// How a run is started: descriptors for its standard streams (-1 is
// /dev/null, -2 closed), a file size limit, the user it runs as.
struct Start {
    std::vector<std::string> args;
    int in = -1, out = -1, err = -1;
    rlim_t fsize = RLIM_INFINITY;
    bool as_nobody = false;
    bool ignore_hup = false;
};

pid_t start(const ScratchDir& d, const Start& s)
{
    pid_t pid = fork();
    if (pid != 0) return pid;
    if (chdir(d.dir().c_str()) != 0) _exit(127);
    for (int sig = 1; sig < 32; ++sig) signal(sig, SIG_DFL);
    if (s.ignore_hup) signal(SIGHUP, SIG_IGN);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    int fds[3] = {s.in, s.out, s.err};
    int nul = open("/dev/null", O_RDWR);
    for (int i = 0; i < 3; ++i) fds[i] = fds[i] == -1 ? nul : fds[i] >= 0 ? dup(fds[i]) : -2;
    for (int i = 0; i < 3; ++i) {
        if (fds[i] == -2)
            close(i);
        else
            dup2(fds[i], i);
    }
    struct rlimit lim = {s.fsize, s.fsize};
    if (s.fsize != RLIM_INFINITY) setrlimit(RLIMIT_FSIZE, &lim);
    if (s.as_nobody && (setgroups(0, nullptr) != 0 || setresgid(kNobody, kNobody, kNobody) != 0 ||
                        setresuid(kNobody, kNobody, kNobody) != 0))
        _exit(126);
    std::vector<char*> argv;
    std::string prog = d.path("quillet");
    argv.push_back(&prog[0]);
    std::vector<std::string> copy = s.args;
    for (std::string& a : copy) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    execv(prog.c_str(), argv.data());
    _exit(127);
}

int finish(pid_t pid)
{
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

int exit_code(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

std::string read_all(int fd)
{
    std::string s;
    char buf[4096];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0) s.append(buf, static_cast<size_t>(n));
    close(fd);
    return s;
}

// A pipe for standard error that holds little, so that a stalling page
// fills it.
struct SmallPipe {
    int fd[2] = {-1, -1};
    SmallPipe()
    {
        if (pipe(fd) == 0) fcntl(fd[1], F_SETPIPE_SZ, 4096);
    }
    // The run has its end: ours is closed.
    void started() { close(fd[1]); }
    std::string drain() { return read_all(fd[0]); }
};

bool wait_for(const std::function<bool()>& cond)
{
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!cond()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

std::string last_line(const std::string& s)
{
    size_t end = s.size() && s.back() == '\n' ? s.size() - 1 : s.size();
    size_t at = s.rfind('\n', end ? end - 1 : 0);
    return s.substr(at == std::string::npos ? 0 : at + 1, end - (at == std::string::npos ? 0 : at + 1));
}

size_t count_of(const std::string& s, const std::string& what)
{
    size_t n = 0;
    for (size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) ++n;
    return n;
}

std::string write_reason(const std::string& out, const std::string& reason)
{
    return "QuilletW: Couldn't write output file \"" + out + "\" (" + reason + ").\n";
}

TEST(Signals, EachStopRemovesTheTemporaryFileSaysSoOnceAndEndsByTheSignal)
{
    ScratchDir d;
    d.write("in.htm", stalling_page());
    const std::pair<int, const char*> stops[] = {{SIGINT, "SIGINT"},   {SIGTERM, "SIGTERM"},     {SIGHUP, "SIGHUP"},
                                                 {SIGQUIT, "SIGQUIT"}, {SIGUSR1, "SIGUSR1"},     {SIGUSR2, "SIGUSR2"},
                                                 {SIGALRM, "SIGALRM"}, {SIGVTALRM, "SIGVTALRM"}, {SIGPROF, "SIGPROF"}};
    for (const auto& stop : stops) {
        SCOPED_TRACE(stop.second);
        d.write("out.ddl", kEarlier);
        SmallPipe err;
        pid_t pid = start(d, {{"in.htm", "out.ddl"}, -1, -1, err.fd[1]});
        err.started();
        ASSERT_TRUE(wait_for([&] { return !leftovers(d.dir()).empty(); }));
        kill(pid, stop.first);
        std::string msgs = err.drain();
        int status = finish(pid);
        ASSERT_TRUE(WIFSIGNALED(status)) << msgs;
        EXPECT_EQ(WTERMSIG(status), stop.first);
        EXPECT_EQ(last_line(msgs), std::string("QuilletW: Stopped by ") + stop.second +
                                       " while converting \"in.htm\": the output file \"out.ddl\" was left as it was.");
        EXPECT_EQ(count_of(msgs, "Stopped by"), 1u);
        EXPECT_EQ(d.read("out.ddl"), kEarlier);
        EXPECT_EQ(leftovers(d.dir()), std::vector<std::string>{});
    }
}

TEST(Signals, AStopIgnoredByTheCallerStaysIgnored)
{
    ScratchDir d;
    d.write("in.htm", stalling_page());
    RunResult want = d.run({"in.htm", "want.ddl"}, "want.ddl");
    ASSERT_EQ(want.code, 0);
    SmallPipe err;
    Start s{{"in.htm", "out.ddl"}, -1, -1, err.fd[1]};
    s.ignore_hup = true;
    pid_t pid = start(d, s);
    err.started();
    ASSERT_TRUE(wait_for([&] { return !leftovers(d.dir()).empty(); }));
    kill(pid, SIGHUP);
    std::string msgs = err.drain();
    EXPECT_EQ(exit_code(finish(pid)), 0);
    EXPECT_EQ(count_of(msgs, "Stopped by"), 0u);
    EXPECT_EQ(d.read("out.ddl"), want.output);
}

TEST(Signals, StandardOutputNamedByPathIsWrittenThroughItAndAppendedTo)
{
    ScratchDir d;
    d.write("in.htm", "<html><body><p>Some text.</p></body></html>\n");
    RunResult want = d.run({"in.htm", "want.ddl"}, "want.ddl");
    ASSERT_EQ(want.code, 0);
    for (const char* name : {"/dev/stdout", "/proc/self/fd/1", "/dev/fd/1", "log", "/dev/stderr", "/proc/self/fd/2"}) {
        SCOPED_TRACE(name);
        d.write("log", kEarlier);
        int log = open(d.path("log").c_str(), O_WRONLY | O_APPEND);
        bool as_err = std::strstr(name, "err") || std::strstr(name, "fd/2");
        pid_t pid = start(d, {{"in.htm", name}, -1, as_err ? -1 : log, as_err ? log : -1});
        close(log);
        EXPECT_EQ(exit_code(finish(pid)), 0);
        EXPECT_EQ(d.read("log"), kEarlier + want.output);
        EXPECT_EQ(leftovers(d.dir()), std::vector<std::string>{});
    }

    // Stopped while writing it: the output may be incomplete, and what was
    // there before stays.
    d.write("in.htm", stalling_page());
    d.write("log", kEarlier);
    int log = open(d.path("log").c_str(), O_WRONLY | O_APPEND);
    SmallPipe err;
    pid_t pid = start(d, {{"in.htm", "/dev/stdout"}, -1, log, err.fd[1]});
    close(log);
    err.started();
    ASSERT_TRUE(wait_for([&] { return d.read("log").size() > kEarlier.size(); }));
    kill(pid, SIGTERM);
    std::string msgs = err.drain();
    int status = finish(pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_EQ(last_line(msgs),
              "QuilletW: Stopped by SIGTERM while converting \"in.htm\": the output file "
              "\"/dev/stdout\" may be incomplete.");
    EXPECT_EQ(d.read("log").compare(0, kEarlier.size(), kEarlier), 0);

    // A run that fails after writing to it says so too; a closed standard
    // output is found before converting.
    d.write("config", "atrytorecover=false\n");
    std::string deep = stalling_page();
    for (int i = 0; i < 17; ++i) deep.insert(deep.size() - 16, "<big>");  // before "</body></html>\n"
    d.write("in.htm", deep);
    log = open(d.path("log").c_str(), O_WRONLY | O_APPEND);
    SmallPipe err2;
    pid = start(d, {{"in.htm", "/dev/stdout"}, -1, log, err2.fd[1]});
    close(log);
    err2.started();
    msgs = err2.drain();
    EXPECT_EQ(exit_code(finish(pid)), 50);
    EXPECT_EQ(last_line(msgs),
              "QuilletW: The output file \"/dev/stdout\" was written in place and may be incomplete: "
              "the conversion of \"in.htm\" did not finish.");
    SmallPipe err3;
    pid = start(d, {{"in.htm", "/dev/stdout"}, -1, -2, err3.fd[1]});
    err3.started();
    EXPECT_EQ(err3.drain(),
              "QuilletW: Couldn't open output file \"/dev/stdout\" (" + std::string(std::strerror(EBADF)) + ").\n");
    EXPECT_EQ(exit_code(finish(pid)), 11);
}

TEST(Signals, AnOutputThatIsStandardInputIsTheInputFile)
{
    ScratchDir d;
    const std::string page = "<html><body><p>Some text.</p></body></html>\n";
    d.write("in.htm", page);
    for (const char* name : {"/dev/stdin", "in.htm"}) {
        SCOPED_TRACE(name);
        int in = open(d.path("in.htm").c_str(), O_RDONLY);
        SmallPipe err;
        pid_t pid = start(d, {{"-", name}, in, -1, err.fd[1]});
        close(in);
        err.started();
        std::string msgs = err.drain();
        EXPECT_EQ(exit_code(finish(pid)), 11);
        EXPECT_EQ(msgs, "QuilletW: Couldn't open output file \"" + std::string(name) + "\" (it is the input file).\n");
        EXPECT_EQ(d.read("in.htm"), page);
    }
}

TEST(Signals, AClosedStandardErrorLosesTheMessagesOnly)
{
    ScratchDir d;
    d.write("in.htm", stalling_page(true));
    RunResult want = d.run({"in.htm", "want.ddl"}, "want.ddl");
    ASSERT_EQ(want.code, 0);
    ASSERT_NE(want.err, "");

    // Closed outright (2>&-): no file of the run (here the copy of standard
    // input) takes its place and receives the messages.
    int in = open(d.path("in.htm").c_str(), O_RDONLY);
    pid_t pid = start(d, {{"-", "out.ddl"}, in, -1, -2});
    close(in);
    EXPECT_EQ(exit_code(finish(pid)), 0);
    EXPECT_EQ(body_of(d.read("out.ddl")), body_of(want.output));

    // A pipe whose reader has gone.
    d.remove("out.ddl");
    int p[2];
    ASSERT_EQ(pipe(p), 0);
    close(p[0]);
    pid = start(d, {{"in.htm", "out.ddl"}, -1, -1, p[1]});
    close(p[1]);
    EXPECT_EQ(exit_code(finish(pid)), 0);
    EXPECT_EQ(d.read("out.ddl"), want.output);
    EXPECT_EQ(leftovers(d.dir()), std::vector<std::string>{});
}

TEST(Signals, AFileSizeLimitIsAWriteError)
{
    ScratchDir d;
    d.write("in.htm", stalling_page());
    d.write("out.ddl", kEarlier);
    SmallPipe err;
    Start s{{"in.htm", "out.ddl"}, -1, -1, err.fd[1]};
    s.fsize = 64 * 1024;
    pid_t pid = start(d, s);
    err.started();
    std::string msgs = err.drain();
    EXPECT_EQ(exit_code(finish(pid)), 12);
    EXPECT_EQ(msgs, write_reason("out.ddl", std::strerror(EFBIG)));
    EXPECT_EQ(d.read("out.ddl"), kEarlier);
    EXPECT_EQ(leftovers(d.dir()), std::vector<std::string>{});
}

// The run is held with its temporary file open while `change` alters the
// output path; the commit must then refuse.
void expect_refused_commit(const ScratchDir& d, const std::function<void()>& change, const std::string& reason)
{
    SmallPipe err;
    pid_t pid = start(d, {{"in.htm", "out.ddl"}, -1, -1, err.fd[1]});
    err.started();
    ASSERT_TRUE(wait_for([&] { return !leftovers(d.dir()).empty(); }));
    change();
    std::string msgs = err.drain();
    EXPECT_EQ(exit_code(finish(pid)), 12);
    EXPECT_EQ(last_line(msgs) + "\n", write_reason("out.ddl", reason));
    EXPECT_EQ(leftovers(d.dir()), std::vector<std::string>{});
}

TEST(Signals, TheCommitMovesNothingButItsOwnWork)
{
    ScratchDir d;
    d.write("in.htm", stalling_page());
    struct stat st;

    // An output that was there became a folder, or one that was not there.
    for (bool existed : {true, false}) {
        if (existed) d.write("out.ddl", kEarlier);
        expect_refused_commit(
            d,
            [&] {
                std::remove(d.path("out.ddl").c_str());
                mkdir(d.path("out.ddl").c_str(), 0755);
                d.write("out.ddl/mine", "the user's\n");
            },
            "it became a folder during the run");
        EXPECT_EQ(d.read("out.ddl/mine"), "the user's\n");
        d.remove("out.ddl/mine");
        rmdir(d.path("out.ddl").c_str());
    }

    // It became a link to another file, which is left alone.
    d.write("out.ddl", kEarlier);
    d.write("other", "another file\n");
    expect_refused_commit(
        d,
        [&] {
            d.remove("out.ddl");
            symlink("other", d.path("out.ddl").c_str());
        },
        "it became a link during the run");
    EXPECT_EQ(d.read("other"), "another file\n");
    ASSERT_EQ(lstat(d.path("out.ddl").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    d.remove("out.ddl");

    // It was replaced by another file.
    d.write("out.ddl", kEarlier);
    expect_refused_commit(
        d, [&] { rename(d.path("other").c_str(), d.path("out.ddl").c_str()); },
        "it was replaced by another file during the run");
    EXPECT_EQ(d.read("out.ddl"), "another file\n");
}

TEST(Signals, AnOutputThatCannotBeRenamedOverIsWrittenInPlace)
{
    ScratchDir d;
    d.write("in.htm", "<html><body><p>Some text.</p></body></html>\n");
    RunResult want = d.run({"in.htm", "want.ddl"}, "want.ddl");
    ASSERT_EQ(want.code, 0);

    // A file the user may write in a folder the user may not.
    ASSERT_EQ(chmod(d.dir().c_str(), 0755), 0);
    ASSERT_EQ(mkdir(d.path("locked").c_str(), 0755), 0);
    d.write("locked/out.ddl", kEarlier);
    ASSERT_EQ(chown(d.path("locked/out.ddl").c_str(), kNobody, kNobody), 0);
    d.write("empty.htm", "");
    Start s{{"empty.htm", "locked/out.ddl"}};
    s.as_nobody = true;
    EXPECT_EQ(exit_code(finish(start(d, s))), 1);  // a run that fails before writing leaves it whole
    EXPECT_EQ(d.read("locked/out.ddl"), kEarlier);
    s.args = {"in.htm", "locked/out.ddl"};
    EXPECT_EQ(exit_code(finish(start(d, s))), 0);
    EXPECT_EQ(d.read("locked/out.ddl"), want.output);
    s.args = {"in.htm", "locked/new.ddl"};  // where no file is, nothing can be written
    EXPECT_EQ(exit_code(finish(start(d, s))), 11);
    EXPECT_FALSE(d.exists("locked/new.ddl"));

    // A bind mount, which cannot be renamed over.
    d.write("bound.ddl", kEarlier);
    d.write("source.ddl", kEarlier);
    if (mount(d.path("source.ddl").c_str(), d.path("bound.ddl").c_str(), nullptr, MS_BIND, nullptr) != 0)
        GTEST_SKIP() << "no bind mount here (" << std::strerror(errno) << ")";
    RunResult r = d.run({"in.htm", "bound.ddl"});
    umount2(d.path("bound.ddl").c_str(), MNT_DETACH);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(d.read("source.ddl"), want.output);
    EXPECT_EQ(leftovers(d.dir()), std::vector<std::string>{});
}

TEST(Signals, AnotherUsersLinkInASharedFolderIsRefused)
{
    ScratchDir d;
    d.write("in.htm", "<html><body><p>Some text.</p></body></html>\n");
    ASSERT_EQ(mkdir(d.path("shared").c_str(), 0777), 0);
    ASSERT_EQ(chmod(d.path("shared").c_str(), 01777), 0);
    ASSERT_EQ(chown(d.path("shared").c_str(), kNobody, kNobody), 0);
    // Owned by the user (this one), by the folder's owner, by someone else.
    for (uid_t owner : {geteuid(), static_cast<uid_t>(kNobody), static_cast<uid_t>(kNobody - 1)}) {
        SCOPED_TRACE(owner);
        d.write("victim", kEarlier);
        d.remove("shared/out.ddl");
        ASSERT_EQ(symlink(d.path("victim").c_str(), d.path("shared/out.ddl").c_str()), 0);
        ASSERT_EQ(lchown(d.path("shared/out.ddl").c_str(), owner, owner), 0);
        RunResult r = d.run({"in.htm", "shared/out.ddl"});
        if (owner == static_cast<uid_t>(kNobody - 1)) {
            EXPECT_EQ(r.code, 11);
            EXPECT_EQ(r.err,
                      "QuilletW: Couldn't open output file \"shared/out.ddl\" (it is another user's link in "
                      "a shared folder).\n");
            EXPECT_EQ(d.read("victim"), kEarlier);
        } else {
            EXPECT_EQ(r.code, 0);
            EXPECT_NE(d.read("victim"), kEarlier);
        }
    }
}

}  // namespace

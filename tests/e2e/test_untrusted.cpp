// Pages and scripts from outside: nothing outside the page's folder is read
// as a continuation, no picture is anything but a regular file embedded
// once, no pipe or device is waited on, no raw byte or line reaches the
// output, and every number in a command fits 32 bits.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "harness.h"
#include "test_script_common.h"

namespace {

const std::string kGif = std::string("GIF89a", 6);

size_t count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t p = 0; (p = text.find(what, p)) != std::string::npos; p += what.size()) ++n;
    return n;
}

// The refusal of a continuation name.
std::string refused(const std::string& name)
{
    return msg("Cannot continue into \"" + name +
               "\": a continuation file must be a file in the page's folder or below it.");
}

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A named pipe nobody writes to. Should a run open it and wait, the pipe
// is opened for writing and closed after `after` seconds, so that the run
// ends (it is then too slow, which the caller checks).
class Pipe {
public:
    Pipe(const std::string& path, int after) : path_(path)
    {
        created_ = mkfifo(path.c_str(), 0600) == 0;
        watch_ = std::thread([this, after] {
            for (int i = 0; i < after * 10 && !done_; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (done_) return;
            int fd = open(path_.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) close(fd);
        });
    }
    ~Pipe()
    {
        done_ = true;
        watch_.join();
    }
    bool created() const { return created_; }

private:
    std::string path_;
    bool created_ = false;
    std::atomic<bool> done_{false};
    std::thread watch_;
};

}  // namespace

// ---- Continuation files stay in the page's folder and below --------------

TEST(UntrustedContinue, NamesLeavingTheFolderAreRefused)
{
    ScriptDir d;
    d.write("secret.txt", "TOKEN=hunter2");
    std::filesystem::create_directory(d.path("pics"));
    const std::string header = std::string(kShortHeader) + "x";
    // (A value starts at a letter, a digit, "+" or "(": a leading "/",
    // "\\" or "." is never part of it.)
    const std::vector<std::string> names = {
        "pics/../../secret.txt", "pics/../secret.txt", "pics\\..\\secret.txt", "pics/..",
        "C:secret.txt",          "c:\\secret.txt",     "pics/ ../secret.txt",  "pics/.. /secret.txt",
    };
    for (const std::string& name : names) {
        RunResult r = d.script(header + "<continue " + name + ">");
        EXPECT_EQ(r.code, 44) << name;
        EXPECT_EQ(r.err, refused(name)) << name;
        EXPECT_FALSE(r.has_output) << name;
    }
    // A leading "/" is dropped by the value reader: the name is relative.
    RunResult abs = d.script(header + "<continue /etc/passwd>");
    EXPECT_EQ(abs.code, 44);
    EXPECT_EQ(abs.err.find("Cannot continue"), std::string::npos) << abs.err;
    EXPECT_FALSE(abs.has_output);

    // A name cut to its field could name another file: refused too.
    std::string longname(250, 'a');
    RunResult r = d.script(header + "<continue " + longname + ">");
    EXPECT_EQ(r.code, 44);
    EXPECT_EQ(r.err, refused(std::string(199, 'a')));
    // Also when the parameter text itself was cut inside the name.
    r = d.script(header + "<continue " + std::string(400, ' ') + std::string(150, 'b') + ">");
    EXPECT_EQ(r.code, 44);
    EXPECT_EQ(r.err, refused(std::string(511 - 401, 'b')));
}

TEST(UntrustedContinue, FilesBelowTheFolderContinueAsBefore)
{
    ScriptDir d;
    std::filesystem::create_directory(d.path("parts"));
    d.write("parts/two.txt", "Two <continue notes..txt>");
    d.write("notes..txt", "Three");  // ".." inside a name is no step
    RunResult r = d.script(std::string(kShortHeader) + "One <continue ./parts/two.txt>");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(script_body(r.output), "\"One \"\n\"Two \"\n\"Three\"\n");
}

TEST(UntrustedContinue, OnlyRegularFilesAreContinuedInto)
{
    ScriptDir d;
    std::filesystem::create_directory(d.path("folder"));
    const std::string header = std::string(kShortHeader) + "x";
    RunResult r = d.script(header + "<continue folder>");
    EXPECT_EQ(r.code, 44);
    Pipe pipe(d.path("pipe.txt"), 10);
    ASSERT_TRUE(pipe.created());
    auto start = std::chrono::steady_clock::now();
    r = d.script(header + "<continue pipe.txt>");
    EXPECT_LT(seconds_since(start), 5.0) << "the pipe was waited on";
    EXPECT_EQ(r.code, 44);
    EXPECT_EQ(r.err.find("Cannot continue"), std::string::npos) << r.err;
}

namespace {

// Runs the program of `d` from the folder `cwd` with the arguments (each
// quoted), standard input from `input` (or /dev/null); the output is
// collected from d's out.ddl.
RunResult run_from(const ScratchDir& d, const std::string& cwd, const std::vector<std::string>& args,
                   const std::string& input = "/dev/null")
{
    std::string cmd = "cd '" + cwd + "' && '" + d.path("quillet") + "'";
    for (const std::string& a : args) cmd += " '" + a + "'";
    cmd += " <'" + input + "' 2>'" + d.path(".err") + "'";
    int status = std::system(cmd.c_str());
    RunResult r;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.err = d.read(".err");
    r.has_output = d.exists("out.ddl");
    if (r.has_output) r.output = d.read("out.ddl");
    d.remove("out.ddl");
    return r;
}

const std::string kOpened = "Cannot continue into \"";

}  // namespace

TEST(UntrustedContinue, NamesAreTakenFromThePagesFolder)
{
    ScriptDir d;
    std::filesystem::create_directory(d.path("sub"));
    const std::string page = "<html><dramaton>" + std::string(kShortHeader) + "One <continue two.txt>";
    d.write("sub/page.htm", page);
    d.write("sub/two.txt", "Two <continue three>");
    d.write("sub/two.three", "Three");  // the name built from the input's
    d.write("two.txt", "Wrong");
    RunResult r = run_from(d, d.dir(), {"sub/page.htm", "out.ddl"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.output.find("\"One \"\n\"Two \"\n\"Three\"\nFINISH"), std::string::npos) << r.output;

    // From the root folder the page, named by its full path, still reads
    // only its own folder.
    d.write("sub/two.txt", "Two <continue etc/passwd>");
    r = run_from(d, "/", {d.path("sub/page.htm"), d.path("out.ddl")});
    EXPECT_EQ(r.code, 44);
    EXPECT_EQ(r.err.find("root:"), std::string::npos);
    EXPECT_EQ(r.err.find(kOpened), std::string::npos) << "a missing file is reported as before: " << r.err;
    EXPECT_FALSE(r.has_output);

    // Standard input's folder is the current one; the root folder never
    // counts as a page's folder.
    d.write("in.htm", "<html><dramaton>" + std::string(kShortHeader) + "x<continue etc/passwd>");
    r = run_from(d, "/", {"-", d.path("out.ddl")}, d.path("in.htm"));
    EXPECT_EQ(r.code, 44);
    EXPECT_EQ(r.err, refused("etc/passwd"));
    EXPECT_FALSE(r.has_output);
    r = run_from(d, d.dir(), {"-", d.path("out.ddl")}, d.path("sub/page.htm"));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.output.find("\"One \"\n\"Wrong\"\nFINISH"), std::string::npos)
        << "standard input's folder is the current one";
}

TEST(UntrustedContinue, LinksAreFollowedOnlyInsideThePagesFolder)
{
    ScriptDir d;
    ScratchDir elsewhere(std::vector<std::string>{});
    elsewhere.write("secret.txt", "TOKEN=hunter2");
    std::filesystem::create_directory(d.path("parts"));
    d.write("parts/two.txt", "Two");
    std::filesystem::create_symlink(elsewhere.path("secret.txt"), d.path("out.txt"));
    std::filesystem::create_symlink(elsewhere.dir(), d.path("away"));
    std::filesystem::create_symlink(d.path("parts/two.txt"), d.path("in.txt"));
    const std::string header = std::string(kShortHeader) + "One ";
    for (const char* name : {"out.txt", "away/secret.txt"}) {
        RunResult r = d.script(header + "<continue " + name + ">");
        EXPECT_EQ(r.code, 44) << name;
        EXPECT_EQ(r.err, refused(name)) << name;
        EXPECT_FALSE(r.has_output) << name;
    }
    RunResult r = d.script(header + "<continue in.txt>");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(script_body(r.output), "\"One \"\n\"Two\"\n");

    // A folder of m resourcefolders (relative to the page's folder, spelt
    // with capitals and spaces) is read too; others stay closed.
    std::filesystem::create_directory(d.path("Shared Parts"));
    d.write("Shared Parts/more.txt", "More");
    std::filesystem::create_symlink(d.path("Shared Parts"), d.path("sub"));
    std::filesystem::create_directory(d.path("page"));
    std::filesystem::create_symlink(d.path("Shared Parts"), d.path("page/lib"));
    std::filesystem::create_symlink(elsewhere.dir(), d.path("page/away"));
    d.write("page/in.htm", "<html><dramaton>" + header + "<continue lib/more.txt>");
    r = run_from(d, d.dir(), {"page/in.htm", "out.ddl"});
    EXPECT_EQ(r.code, 44) << "a folder that is not listed";
    EXPECT_EQ(r.err, refused("lib/more.txt"));
    d.write("config", d.read("config") + "m resourcefolders = ../Shared Parts ;" + elsewhere.path("none") + "\n");
    r = run_from(d, d.dir(), {"page/in.htm", "out.ddl"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.output.find("\"One \"\n\"More\"\nFINISH"), std::string::npos) << r.output;
    d.write("page/in.htm", "<html><dramaton>" + header + "<continue away/secret.txt>");
    r = run_from(d, d.dir(), {"page/in.htm", "out.ddl"});
    EXPECT_EQ(r.code, 44);
    EXPECT_EQ(r.err, refused("away/secret.txt"));
}

// ---- Pictures are regular files, each embedded once ----------------------

TEST(UntrustedPictures, PipesFoldersAndDevicesAreNotPictures)
{
    ScratchDir d;
    d.write("config", "g usesmartquotes = false\n");
    std::filesystem::create_directory(d.path("folder.gif"));
    std::filesystem::create_symlink("/dev/zero", d.path("zero.gif"));
    Pipe pipe(d.path("fifo.gif"), 10);
    ASSERT_TRUE(pipe.created());
    auto start = std::chrono::steady_clock::now();
    RunResult r = d.convert("<html><body><img src=\"fifo.gif\"><img src=folder.gif><img src=zero.gif></body>");
    EXPECT_LT(seconds_since(start), 5.0) << "a picture was waited on";
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(count(r.output, "={picture"), 0u);
    EXPECT_EQ(count(r.output, "{embed PICT_"), 0u);
    for (const char* leaf : {"fifo.gif", "folder.gif", "zero.gif"})
        EXPECT_NE(r.output.find(std::string("\"image \\\"") + leaf + "\\\"\""), std::string::npos) << leaf;
}

TEST(UntrustedPictures, TheInputAndTheOutputAreNeverEmbedded)
{
    ScratchDir d;
    d.write("config", "g usesmartquotes = false\n");
    // A page that starts as a GIF would, naming itself in several ways.
    std::string page = kGif + "<html><body>";
    for (const char* self : {"in.htm", "./in.htm", ".//in.htm", "sub/../in.htm"})
        page += std::string("<img src=\"") + self + "\">";
    page += "<img src=out.ddl></body>";
    std::filesystem::create_directory(d.path("sub"));
    d.write("in.htm", page);
    d.write("out.ddl", kGif + "an earlier output");
    RunResult r = d.run({"in.htm", "out.ddl"}, "out.ddl");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(count(r.output, "={picture"), 0u);
    EXPECT_EQ(count(r.output, "PICTURE_"), 0u);
    EXPECT_EQ(count(r.output, "{embed PICT_"), 0u);
    EXPECT_EQ(count(r.output, "{italic 1}\n\"image \\\""), 5u);

    // Written to standard output, the page is still not embedded.
    r = d.run({"in.htm", "-"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(count(r.out, "={picture"), 0u);
}

TEST(UntrustedPictures, OneFileUnderManySpellingsIsOnePicture)
{
    ScratchDir d;
    d.write("q.gif", kGif);
    std::filesystem::create_directory(d.path("sub"));
    std::filesystem::create_hard_link(d.path("q.gif"), d.path("sub/linked.gif"));
    std::string page = "<html><body>";
    const std::vector<std::string> spellings = {"q.gif",        "./q.gif",        ".//q.gif",
                                                "sub/../q.gif", "sub/linked.gif", "sub/.//../q.gif"};
    for (const std::string& s : spellings) page += "<img src=\"" + s + "\">";
    page += "</body>";
    RunResult r = d.convert(page);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(count(r.output, "={picture"), 1u);
    EXPECT_NE(r.output.find("PICTURE_001={picture\n{data \"gif\"\n6\n"), std::string::npos);
    for (int i = 2; i <= 6; ++i) {
        std::string ref = "PICTURE_00" + std::to_string(i) + "=PICTURE_001\n";
        EXPECT_NE(r.output.find(ref), std::string::npos) << ref;
    }
    EXPECT_EQ(count(r.output, "{embed PICT_"), 6u);
    // Each frame keeps the leaf its own tag named.
    EXPECT_NE(r.output.find("// ( \"linked.gif\" )\nPICT_005="), std::string::npos);

    // 2,000 spellings of one file: its bytes once, the output stays small.
    std::string many = "<html><body>";
    std::string prefix;
    for (int i = 0; i < 2000; ++i) {
        many += "<img src=\"" + prefix + "q.gif\">";
        prefix += (i % 2) ? "./" : ".//";
        if (prefix.size() > 200) prefix = "sub/../";
    }
    many += "</body>";
    r = d.convert(many);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(count(r.output, "={picture"), 1u);
    EXPECT_EQ(count(r.output, "=PICTURE_001\n"), 1999u);
}

TEST(UntrustedPictures, ASourceTooLongForItsFieldIsNotCutAndUsed)
{
    ScratchDir d;
    d.write("q.gif", kGif);
    std::string dots;
    for (int i = 0; i < 125; ++i) dots += "./";
    std::string src = dots + "q.gifNOTME.gif";  // its first 255 characters name q.gif
    RunResult r = d.convert("<html><body><img src=\"" + src + "\"><img src=\"" + src + "\"></body>");
    ASSERT_EQ(r.code, 0) << r.err;
    std::string report = "QuilletW: The path of image \"" + src.substr(0, 255) +
                         "\" is longer than 255 characters; the image is not embedded.\n";
    EXPECT_EQ(r.err, report + report);
    EXPECT_EQ(count(r.output, "PICTURE_"), 0u);
    EXPECT_EQ(count(r.output, "{embed PICT_"), 0u);

    // The same 255 characters given whole are the picture; the cut value
    // before them does not make them a duplicate of an entry never written.
    r = d.convert("<html><body><img src=\"" + src + "\"><img src=\"" + src.substr(0, 255) + "\"></body>");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, report);
    EXPECT_NE(r.output.find("PICTURE_002={picture\n"), std::string::npos);
    EXPECT_EQ(r.output.find("=PICTURE_001"), std::string::npos);
}

// The index keeps a few dozen bytes for each picture a page names, so
// that a page naming a great many stays small. (Measured without the
// sanitizers, which keep memory of their own.)
#if !defined(__SANITIZE_ADDRESS__)
TEST(UntrustedPictures, TheIndexOfManyPicturesStaysSmall)
{
    // A child of this process starts with its peak, so the program's own
    // is asked of time(1), whose child starts afresh.
    if (access("/usr/bin/time", X_OK) != 0) GTEST_SKIP() << "no /usr/bin/time";
    ScratchDir d;
    std::string page = "<html><body>";
    for (int i = 0; i < 80000; ++i) page += "<img src=\"pictures/gallery/picture" + std::to_string(i) + ".gif\">\n";
    d.write("in.htm", page + "</body></html>");
    std::string cmd = "cd '" + d.dir() + "' && /usr/bin/time -f %M -o peak ./quillet in.htm out.ddl 2>/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    long kb = std::atol(d.read("peak").c_str());
    EXPECT_GT(kb, 0);
    EXPECT_LT(kb, 16 * 1024) << "KB at the peak";
    // None of the files is there: each tag still shows its own name.
    std::string out = d.read("out.ddl");
    EXPECT_EQ(count(out, "picture79999.gif"), 1u);
    EXPECT_EQ(count(out, ".gif"), 80000u);
}
#endif

// ---- Support files are read only when they are regular files -------------

TEST(UntrustedSupport, AnythingButARegularFileCountsAsMissing)
{
    ScratchDir d;
    d.remove("config");
    std::filesystem::create_directory(d.path("config"));
    RunResult r = d.convert("<html><body>text</body>");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "QuilletW: Warning: unable to open configuration file - using defaults.\n\n");

    // The ignore list of a script, a pipe in the current folder.
    ScriptDir s;
    Pipe pipe(s.path("drmign"), 10);
    ASSERT_TRUE(pipe.created());
    auto start = std::chrono::steady_clock::now();
    r = s.script(std::string(kShortHeader) + "x<note to self>");
    EXPECT_LT(seconds_since(start), 5.0) << "the ignore list was waited on";
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, msg("Encountered unrecognised Dramaton command \"<note>\" at line 2, ignoring...."));

    // Linked to a device that never ends.
    ScriptDir z;
    std::filesystem::create_symlink("/dev/zero", z.path("drmign"));
    start = std::chrono::steady_clock::now();
    r = z.script(std::string(kShortHeader) + "x<note to self>");
    EXPECT_LT(seconds_since(start), 5.0);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, msg("Encountered unrecognised Dramaton command \"<note>\" at line 2, ignoring...."));
}

// ---- The speaker index finds what a scan from the start would find --------

TEST(UntrustedCast, TheFirstHolderOfANameOrAliasIsTheSpeaker)
{
    ScriptDir d;
    // "Cap" is Tom's alias before it is a character's own name.
    RunResult r = d.script(std::string(kShortHeader) +
                           "<defactor \"Tom\" alias \"Cap\" quiet><defactor \"Cap\" quiet>\n"
                           "<scene \"Deck\"><dia CAP>abc</dia><actorlist>\n"
                           "<dia cap  >de</dia><actorlist></scene>");
    ASSERT_EQ(r.code, 0) << r.err;
    // After each list (which sorts the register) Tom still has every speech.
    size_t first = r.output.find("\"Tom\"\n{tab}\n\"Cap\"\n{tab}\n\"Male\"\n{tab}{tab}\n\"3\"\n");
    size_t second = r.output.find("\"Tom\"\n{tab}\n\"Cap\"\n{tab}\n\"Male\"\n{tab}{tab}\n\"5\"\n");
    EXPECT_NE(first, std::string::npos);
    EXPECT_NE(second, std::string::npos);
    EXPECT_LT(first, second);
    EXPECT_EQ(count(r.output, "\"Cap\"\n{tab}\n{tab}\n\"Male\"\n{tab}{tab}\n\"-\"\n"), 2u);
}

// ---- Nothing raw reaches the output ---------------------------------------

TEST(UntrustedText, ControlBytesReadAsSpaces)
{
    ScratchDir d;
    const std::string controls = std::string(
        "\0\1\2\3\4\5\6\7\10\13\14\16\17\20\21\22\23\24\25\26\27\30\31\32\33"
        "\34\35\36\37\177",
        30);
    for (char c : controls) {
        std::string page = std::string("<html><body>a") + c + "b c" + c + c + " d" + c + "</body>";
        RunResult r = d.convert(page);
        ASSERT_EQ(r.code, 0) << static_cast<int>(c);
        EXPECT_NE(r.output.find("\"a b c d \"\n"), std::string::npos) << static_cast<int>(c);
        // In preformatted text each is one space.
        r = d.convert(std::string("<html><body><pre>a") + c + c + "b</pre></body>");
        ASSERT_EQ(r.code, 0);
        EXPECT_NE(r.output.find("\"a  b\"\n"), std::string::npos) << static_cast<int>(c);
    }
    // A long run of text with a control byte at every place of a block.
    std::string text;
    for (int i = 0; i < 64; ++i) text += std::string(static_cast<size_t>(i % 17), 'w') + '\x13';
    RunResult r = d.convert("<html><body>" + text + "</body>");
    ASSERT_EQ(r.code, 0);
    std::string body = body_of(r.output);
    for (unsigned char b : body) ASSERT_TRUE(b >= 32 || b == '\n') << static_cast<int>(b);
    EXPECT_EQ(count(body, "w  "), 0u);
}

TEST(UntrustedText, ScriptTextControlBytesReadAsSpaces)
{
    ScriptDir d;
    RunResult r = d.script(std::string(kShortHeader) +
                           "a\x13\x13"
                           "b\x1b c\x7f"
                           "d\x0c\x0b");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(script_body(r.output), "\"a b c d \"\n");
    // In a speaker's name (a parameter), DEL as a space too.
    r = d.script(std::string(kShortHeader) +
                 "<scene S><dia Bo\x7f"
                 "b>x</dia></scene>");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.output.find('\x7f'), std::string::npos);
    EXPECT_NE(r.output.find("\"Bo b\"\n"), std::string::npos);
}

TEST(UntrustedText, PathsWrittenIntoTheOutputShowControlBytesAsQuestionMarks)
{
    ScratchDir d;
    d.write("config", "g usesmartquotes = false\n");
    const std::string evil = "evil\"\nPICT_999={picture}\x1b\x7f.htm";
    d.write(evil, "<html><body><quillet infile> <quillet outfile></body>");
    RunResult r = d.run({evil, "o\tut.ddl"}, "o\tut.ddl");
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string shown = "evil\"?PICT_999={picture}??.htm";
    EXPECT_NE(r.output.find("// Input file \"" + shown + "\"\n"), std::string::npos);
    EXPECT_NE(r.output.find("\"" + std::string("evil\\\"?PICT_999={picture}??.htm o?ut.ddl") + "\"\n"),
              std::string::npos);
    EXPECT_EQ(r.output.find("\nPICT_999"), std::string::npos);

    d.write(evil, "<html><dramaton>" + std::string(kShortHeader) + "x");
    r = d.run({evil, "out.ddl"}, "out.ddl");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.output.find("// Input file \"" + shown + "\"\n// [DRAMATON mode]\n"), std::string::npos);
    EXPECT_EQ(r.output.find("\nPICT_999"), std::string::npos);
}

// ---- Numbers fit 32 bits; text sizes never below one point ----------------

namespace {

// Every number in the brace commands of a DDL text, as written.
std::vector<long long> command_numbers(const std::string& ddl)
{
    std::vector<long long> v;
    bool in_quote = false, in_brace = false;
    for (size_t i = 0; i < ddl.size(); ++i) {
        char c = ddl[i];
        if (c == '"' && (i == 0 || ddl[i - 1] != '\\')) in_quote = !in_quote;
        if (in_quote) continue;
        if (c == '{') in_brace = true;
        if (c == '\n') in_brace = false;
        if (in_brace && ((c >= '0' && c <= '9') || c == '-') && i > 0 && ddl[i - 1] == ' ') {
            size_t end = i;
            v.push_back(std::strtoll(ddl.c_str() + i, nullptr, 10));
            while (end < ddl.size() && (ddl[end] == '-' || (ddl[end] >= '0' && ddl[end] <= '9'))) ++end;
            i = end - 1;
        }
    }
    return v;
}

}  // namespace

TEST(UntrustedNumbers, TextSizesStayAtOnePointOrMore)
{
    ScratchDir d;
    std::string page = "<html><body>";
    for (int i = 0; i < 6; ++i) page += "<basefont size=1>x";
    page += "<font size=1>y</font><small><small>z</small></small></body>";
    RunResult r = d.convert(page);
    ASSERT_EQ(r.code, 0) << r.err;
    std::string body = body_of(r.output);
    // 12 - 4 = 8, then 4, then 1 point, where it stays.
    EXPECT_NE(body.find("{textsize 8000}\n\"x\"\n{textsize 4000}\n\"x\"\n{textsize 1000}\n\"x\"\n{textsize 1000}"),
              std::string::npos)
        << body;
    EXPECT_EQ(body.find("{textsize -"), std::string::npos);
    EXPECT_EQ(body.find("{textsize 0}"), std::string::npos);
    for (size_t p = 0; (p = body.find("{textsize ", p)) != std::string::npos; ++p)
        EXPECT_GE(std::atoll(body.c_str() + p + 10), 1000) << body.substr(p, 20);
}

TEST(UntrustedNumbers, DeepIndentsSaturate)
{
    ScratchDir d;
    std::string page = "<html><body>";
    for (int i = 0; i < 80000; ++i) page += "<blockquote>";
    page += "deep";
    for (int i = 0; i < 80000; ++i) page += "</blockquote>";
    page += "</body>";
    RunResult r = d.convert(page);
    ASSERT_EQ(r.code, 0) << r.err.substr(0, 300);
    std::vector<long long> numbers = command_numbers(r.output);
    ASSERT_FALSE(numbers.empty());
    long long most = 0;
    for (long long n : numbers) {
        EXPECT_LE(n, 2147483647LL);
        EXPECT_GE(n, -2147483647LL - 1);
        if (n > most) most = n;
    }
    EXPECT_EQ(most, 2147483647LL);
    EXPECT_NE(r.output.find("{newline}{leftindent 1 2147483647}\n\"deep\""), std::string::npos);
}

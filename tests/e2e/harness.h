// Runs the built program in a scratch program folder and collects what a
// user would see: the exit code, standard error and the output file.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct RunResult {
    int code = -1;  // exit code; -1 when the program did not exit normally
    std::string err;  // standard error
    std::string out;  // standard output
    bool has_output = false;
    std::string output;  // the output file, when asked for and present
};

class ScratchDir {
public:
    // A new folder holding the program and every shipped support file
    // (or only those named).
    ScratchDir();
    explicit ScratchDir(const std::vector<std::string>& support);
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& dir() const { return dir_; }
    std::string path(const std::string& name) const { return dir_ + "/" + name; }

    // An environment variable for the runs that follow.
    void set_env(const std::string& name, const std::string& value) { env_.emplace_back(name, value); }
    void clear_env() { env_.clear(); }
    // The bytes the runs that follow read from standard input, through a
    // pipe (without it, standard input is empty).
    void set_stdin(const std::string& bytes)
    {
        stdin_ = bytes;
        has_stdin_ = true;
    }

    void write(const std::string& name, const std::string& bytes) const;
    std::string read(const std::string& name) const;
    bool exists(const std::string& name) const;
    void remove(const std::string& name) const;

    // Runs the program with the arguments (argv[0] is the program in the
    // folder); `output` names the file to collect afterwards.
    RunResult run(const std::vector<std::string>& args, const std::string& output = "") const;
    // Converts `input` (written to in.htm) to out.ddl.
    RunResult convert(const std::string& input) const;

private:
    std::string dir_;
    std::vector<std::pair<std::string, std::string>> env_;
    std::string stdin_;
    bool has_stdin_ = false;
};

// The shipped support file's bytes; for "config", without the lines of
// group m, so that a test sees the original readings unless it asks for
// today's (ScratchDir's folder gets these bytes too).
std::string shipped(const std::string& name);
// The shipped support file exactly as it is installed.
std::string shipped_as_is(const std::string& name);

// The problems found in a DDL file, empty when it is well formed.
std::string ddl_problems(const std::string& ddl);

// The names in a folder that the program's temporary files beside an
// output would have (".quillet-" and six letters).
std::vector<std::string> leftovers(const std::string& dir);

// The document text of a DDL output: the part after the preamble, from
// the first foreground command of the body on.
std::string body_of(const std::string& ddl);

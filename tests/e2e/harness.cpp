#include "harness.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>

namespace {

const char* const kAllSupport[] = {"config",   "definits", "drmstyle", "colours", "fontmap",
                                   "fontexpt", "entities", "unierr",   "revent"};

std::string slurp(const std::string& path, bool* ok = nullptr)
{
    std::ifstream in(path, std::ios::binary);
    if (ok) *ok = static_cast<bool>(in);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

}  // namespace

std::string shipped_as_is(const std::string& name) { return slurp(std::string(QUILLET_SUPPORT_DIR) + "/" + name); }

std::string shipped(const std::string& name)
{
    std::string bytes = shipped_as_is(name);
    if (name != "config") return bytes;
    // Without its group-m lines: the readings of today's pages stay off,
    // as in an installation whose config predates them.
    std::string kept;
    size_t at = 0;
    while (at < bytes.size()) {
        size_t nl = bytes.find('\n', at);
        size_t next = nl == std::string::npos ? bytes.size() : nl + 1;
        if (bytes[at] != 'm') kept.append(bytes, at, next - at);
        at = next;
    }
    return kept;
}

ScratchDir::ScratchDir() : ScratchDir(std::vector<std::string>(std::begin(kAllSupport), std::end(kAllSupport))) {}

ScratchDir::ScratchDir(const std::vector<std::string>& support)
{
    char tmpl[] = "/tmp/quillet-e2e-XXXXXX";
    if (!mkdtemp(tmpl)) throw std::runtime_error("mkdtemp failed");
    dir_ = tmpl;
    write("quillet", slurp(QUILLET_BIN));
    chmod(path("quillet").c_str(), 0755);
    for (const std::string& f : support) write(f, shipped(f));
}

ScratchDir::~ScratchDir()
{
    std::string cmd = "rm -rf '" + dir_ + "'";
    if (std::system(cmd.c_str()) != 0) { /* nothing more to do */
    }
}

void ScratchDir::write(const std::string& name, const std::string& bytes) const
{
    std::ofstream out(path(name), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ScratchDir::read(const std::string& name) const { return slurp(path(name)); }

bool ScratchDir::exists(const std::string& name) const
{
    struct stat st;
    return stat(path(name).c_str(), &st) == 0;
}

void ScratchDir::remove(const std::string& name) const { std::remove(path(name).c_str()); }

RunResult ScratchDir::run(const std::vector<std::string>& args, const std::string& output) const
{
    RunResult r;
    std::string errpath = path(".stderr");
    std::string outpath = path(".stdout");
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir_.c_str()) != 0) _exit(127);
        unsetenv("QUILLET_SUPPORT");  // the scratch folder's files, unless a test names others
        for (const auto& e : env_) setenv(e.first.c_str(), e.second.c_str(), 1);
        int fd = open(errpath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            dup2(fd, 2);
            close(fd);
        }
        fd = open(outpath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            dup2(fd, 1);
            close(fd);
        }
        int p[2];
        if (has_stdin_ && pipe(p) == 0) {
            // A writer of its own, so that no amount of input can block.
            if (fork() == 0) {
                close(p[0]);
                size_t done = 0;
                while (done < stdin_.size()) {
                    ssize_t n = ::write(p[1], stdin_.data() + done, stdin_.size() - done);
                    if (n <= 0) break;
                    done += static_cast<size_t>(n);
                }
                _exit(0);
            }
            close(p[1]);
            dup2(p[0], 0);
            close(p[0]);
        } else {
            int nul = open("/dev/null", O_RDONLY);
            if (nul >= 0) {
                dup2(nul, 0);
                close(nul);
            }
        }
        std::vector<char*> argv;
        std::string prog = path("quillet");
        argv.push_back(const_cast<char*>(prog.c_str()));
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(prog.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.err = slurp(errpath);
    std::remove(errpath.c_str());
    r.out = slurp(outpath);
    std::remove(outpath.c_str());
    if (!output.empty()) {
        bool ok = false;
        std::string o = slurp(path(output), &ok);
        r.has_output = ok;
        if (ok) r.output = o;
    }
    return r;
}

RunResult ScratchDir::convert(const std::string& input) const
{
    write("in.htm", input);
    remove("out.ddl");
    return run({"in.htm", "out.ddl"}, "out.ddl");
}

std::vector<std::string> leftovers(const std::string& dir)
{
    std::vector<std::string> found;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (std::strncmp(e->d_name, ".quillet-", 9) == 0) found.push_back(e->d_name);
        closedir(d);
    }
    return found;
}

std::string body_of(const std::string& ddl)
{
    size_t p = ddl.find("{foreground COL_001 0x10000 0}\n");
    if (p == std::string::npos) return std::string();
    return ddl.substr(p + std::string("{foreground COL_001 0x10000 0}\n").size());
}

namespace {

struct Kind {
    const char* prefix;
    size_t digits;
};
// PICTURE_ is declared, but only its frame PICT_ is referred to in text.
const Kind kKinds[] = {{"COL_", 3}, {"FONT_", 3}, {"PICT_", 3}, {"PICTURE_", 3}, {"STYLE_", 2}};

}  // namespace

// The problems found in a DDL file, empty when it is well formed: braces
// balance outside quoted strings, every quoted string ends on its line, and
// every colour, font, picture frame and style referred to is declared.
std::string ddl_problems(const std::string& ddl)
{
    std::ostringstream problems;
    std::set<std::string> declared, used;
    int depth = 0;
    std::istringstream in(ddl);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (line.compare(0, 2, "//") == 0) continue;  // comment lines are free text
        // A declaration: NAME_nnn= at the start of the line.
        for (const Kind& kind : kKinds) {
            std::string k = kind.prefix;
            size_t n = k.size() + kind.digits;
            if (line.compare(0, k.size(), k) == 0 && line.size() > n && line[n] == '=')
                declared.insert(line.substr(0, n));
        }
        bool quoted = false;
        for (size_t i = 0; i < line.size(); ++i) {
            char c = line[i];
            if (quoted) {
                if (c == '\\')
                    ++i;
                else if (c == '"')
                    quoted = false;
                continue;
            }
            if (c == '"') {
                quoted = true;
            } else if (c == '{') {
                ++depth;
            } else if (c == '}') {
                if (--depth < 0) {
                    problems << "line " << number << ": '}' without '{'\n";
                    depth = 0;
                }
            } else if (i == 0 || !std::isalnum(static_cast<unsigned char>(line[i - 1]))) {
                for (const Kind& kind : kKinds) {
                    std::string k = kind.prefix;
                    size_t n = k.size() + kind.digits;
                    if (line.compare(i, k.size(), k) != 0 || i + n > line.size()) continue;
                    bool digits = true;
                    for (size_t j = i + k.size(); j < i + n; ++j)
                        digits = digits && std::isdigit(static_cast<unsigned char>(line[j]));
                    if (digits) used.insert(line.substr(i, n));
                }
            }
        }
        if (quoted) problems << "line " << number << ": string not closed\n";
    }
    if (depth != 0) problems << "unbalanced braces at the end: " << depth << " open\n";
    for (const std::string& u : used)
        if (!declared.count(u)) problems << u << " used but not declared\n";
    return problems.str();
}

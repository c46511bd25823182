#include "harness.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

const char* const kAllSupport[] = {"config", "definits", "drmstyle", "colours", "fontmap",
                                   "fontexpt", "entities", "unierr", "revent"};

std::string slurp(const std::string& path, bool* ok = nullptr)
{
    std::ifstream in(path, std::ios::binary);
    if (ok) *ok = static_cast<bool>(in);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

}  // namespace

std::string shipped(const std::string& name)
{
    return slurp(std::string(QUILLET_SUPPORT_DIR) + "/" + name);
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
    if (std::system(cmd.c_str()) != 0) { /* nothing more to do */ }
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
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir_.c_str()) != 0) _exit(127);
        for (const auto& e : env_) setenv(e.first.c_str(), e.second.c_str(), 1);
        int fd = open(errpath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) { dup2(fd, 2); close(fd); }
        int nul = open("/dev/null", O_RDONLY);
        if (nul >= 0) { dup2(nul, 0); close(nul); }
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

std::string body_of(const std::string& ddl)
{
    size_t p = ddl.find("{foreground COL_001 0x10000 0}\n");
    if (p == std::string::npos) return std::string();
    return ddl.substr(p + std::string("{foreground COL_001 0x10000 0}\n").size());
}

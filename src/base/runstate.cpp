#include "base/runstate.h"

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>

#include "base/memtrace.h"
#include "base/platform.h"

namespace {

char* g_inputpath = nullptr;
char* g_outputpath = nullptr;
int g_runmode = RUNMODE_CONVERT;
std::string g_programdir;

// A claimed copy of path in *slot, the old one released; false when the
// copy cannot be claimed (the old one stays).
bool set_path(char** slot, const char* path)
{
    size_t n = std::strlen(path) + 1;
    char* p = static_cast<char*>(mem_claim(n));
    if (!p) return false;
    std::memcpy(p, path, n);
    if (*slot) mem_release(*slot);
    *slot = p;
    return true;
}

}  // namespace

const char* run_inputpath() { return g_inputpath ? g_inputpath : ""; }
bool run_setinputpath(const char* path) { return set_path(&g_inputpath, path); }
const char* run_outputpath() { return g_outputpath ? g_outputpath : ""; }
bool run_setoutputpath(const char* path) { return set_path(&g_outputpath, path); }

void run_releasepaths()
{
    if (g_inputpath) {
        mem_release(g_inputpath);
        g_inputpath = nullptr;
    }
    if (g_outputpath) {
        mem_release(g_outputpath);
        g_outputpath = nullptr;
    }
}

int run_mode() { return g_runmode; }
void run_setmode(int mode) { g_runmode = mode; }
void run_setprogramdir(const std::string& folder) { g_programdir = folder; }

std::string run_supportpath(const char* leaf)
{
    // A folder named by QUILLET_SUPPORT comes first, file by file: a
    // support file that is a regular file there is used (and a failure to
    // read it is reported as such), any other name falls back to the
    // program folder's copy, so that per-user settings and tests change
    // one file and keep the rest.
    const char* own = std::getenv("QUILLET_SUPPORT");
    if (own && *own) {
        std::string p = own;
        if (!platform_issep(p.back())) p += platform_joinsep();
        p += leaf;
        struct stat st;
        if (stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return p;
    }
    std::string p = g_programdir;
    p += leaf;
    return p;
}

std::string run_programdir_from(const std::string& path)
{
    if (path.empty()) return std::string();
    if (platform_issep(path.back())) return path;
    size_t i = path.size();
    while (i > 0 && !platform_issep(path[i - 1])) --i;
    return path.substr(0, i);
}

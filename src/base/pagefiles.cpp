#ifdef _WIN32
// GetFinalPathNameByHandle came with Windows Vista.
#if !defined(_WIN32_WINNT) || _WIN32_WINNT < 0x0600
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#endif
#endif

#include "base/pagefiles.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

std::string g_base;  // the page's folder, from which relative names are taken
std::vector<std::string> g_allowed;  // the folders whose files may be read

#ifdef _WIN32
const bool kNoCase = true;

// The final path of an open handle, without the "\\?\" prefix.
std::string handle_path(HANDLE h)
{
    char buf[32768];
    DWORD n = GetFinalPathNameByHandleA(h, buf, sizeof buf, FILE_NAME_NORMALIZED);
    if (n == 0 || n >= sizeof buf) return std::string();
    std::string s(buf, n);
    if (s.compare(0, 8, "\\\\?\\UNC\\") == 0) return "\\" + s.substr(7);
    if (s.compare(0, 4, "\\\\?\\") == 0) return s.substr(4);
    return s;
}

std::string real_folder(const std::string& folder)
{
    HANDLE h = CreateFileA(folder.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::string();
    std::string s = handle_path(h);
    CloseHandle(h);
    return s;
}

std::string current_folder()
{
    char buf[32768];
    DWORD n = GetCurrentDirectoryA(sizeof buf, buf);
    return (n == 0 || n >= sizeof buf) ? std::string() : real_folder(std::string(buf, n));
}

bool is_absolute(const char* name) { return platform_issep(name[0]) || (name[0] && name[1] == ':'); }

// A drive's root ("C:\") or a share's.
bool is_root(const std::string& s) { return s.size() <= 3 || (s[0] == '\\' && s.find('\\', 2) == s.size() - 1); }
#else
const bool kNoCase = false;

std::string real_folder(const std::string& folder)
{
    char* r = realpath(folder.c_str(), nullptr);
    if (!r) return std::string();
    std::string s(r);
    std::free(r);
    return s;
}

std::string current_folder() { return real_folder("."); }

bool is_absolute(const char* name) { return name[0] == '/'; }

bool is_root(const std::string& s) { return s == "/"; }
#endif

// The real path of the open file, asked of the system through the open
// descriptor; the name's real path only where the system cannot tell.
std::string open_realpath(std::FILE* f, const std::string& name)
{
#ifdef _WIN32
    (void)name;
    return handle_path(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f))));
#else
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fileno(f));
    char buf[PATH_MAX + 1];
    ssize_t n = readlink(link, buf, PATH_MAX);
    if (n > 0 && buf[0] == '/') return std::string(buf, static_cast<size_t>(n));
    return real_folder(name);
#endif
}

std::string join(const std::string& folder, const std::string& name)
{
    if (folder.empty()) return name;
    std::string s = folder;
    if (!platform_issep(s.back())) s += platform_joinsep();
    return s + name;
}

void allow(const std::string& real)
{
    if (!real.empty() && !is_root(real)) g_allowed.push_back(real);
}

}  // namespace

bool pagefile_inside(const std::string& folder, const std::string& path, bool nocase)
{
    size_t n = folder.size();
    while (n > 0 && platform_issep(folder[n - 1])) --n;
    if (n == 0 || path.size() < n) return false;
    for (size_t i = 0; i < n; ++i) {
        char a = folder[i], b = path[i];
        if (platform_issep(a) && platform_issep(b)) continue;
        if (nocase) {
            if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
            if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
        }
        if (a != b) return false;
    }
    return path.size() == n || platform_issep(path[n]);
}

void pagefile_reset()
{
    g_base.clear();
    g_allowed.clear();
}

void pagefile_setpage(const char* inputpath, const char* folders)
{
    pagefile_reset();
    if (!inputpath || platform_isstdstream(inputpath)) {
        g_base = current_folder();
    } else {
        size_t cut = std::strlen(inputpath);
        while (cut > 0 && !platform_issep(inputpath[cut - 1])) --cut;
        g_base = cut ? real_folder(std::string(inputpath, cut)) : current_folder();
    }
    allow(g_base);
    if (!folders) return;
    const char* p = folders;
    for (;;) {
        const char* stop = std::strchr(p, ';');
        const char* e = stop ? stop : p + std::strlen(p);
        const char* b = p;
        while (b < e && (*b == ' ' || *b == '\t')) ++b;
        while (e > b && (e[-1] == ' ' || e[-1] == '\t')) --e;
        if (e > b) {
            std::string item(b, e);
            allow(real_folder(is_absolute(item.c_str()) || g_base.empty() ? item : join(g_base, item)));
        }
        if (!stop) break;
        p = stop + 1;
    }
}

PageFileResult pagefile_open(const char* name, PageFile* out)
{
    out->file = nullptr;
    out->realpath.clear();
    if (!name || !name[0] || g_base.empty()) return PAGEFILE_MISSING;
    std::string path = is_absolute(name) ? std::string(name) : join(g_base, name);
    std::FILE* f = platform_openregular(path.c_str(), &out->id);
    if (!f) return PAGEFILE_MISSING;
    std::string real = open_realpath(f, path);
    for (const std::string& folder : g_allowed) {
        if (!real.empty() && pagefile_inside(folder, real, kNoCase)) {
            out->file = f;
            out->realpath = real;
            return PAGEFILE_OPENED;
        }
    }
    std::fclose(f);
    return PAGEFILE_OUTSIDE;
}

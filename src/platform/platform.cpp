#include "platform/platform.h"

#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#include <stdlib.h>
#include <string.h>
#else
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

void platform_messagebox(const char* text)
{
#ifdef _WIN32
    MessageBoxA(nullptr, text, "QuilletW", MB_OK);
#else
    std::fputs("QuilletW: ", stderr);
    std::fputs(text, stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
#endif
}

std::string platform_selfpath(const char* argv0)
{
#ifndef _WIN32
    char buf[PATH_MAX + 1];
    ssize_t n = readlink("/proc/self/exe", buf, PATH_MAX);
    if (n > 0) {
        buf[n] = '\0';
        return std::string(buf);
    }
#endif
    return argv0 ? std::string(argv0) : std::string();
}

char platform_joinsep()
{
#ifdef _WIN32
    return '\\';
#else
    return '/';
#endif
}

bool platform_isabsolute(const char* path)
{
    if (!path || !path[0]) return false;
    if (path[1] == ':') return true;
#ifdef _WIN32
    return false;
#else
    return path[0] == '/';
#endif
}

const char* platform_converthtml_output()
{
#ifdef _WIN32
    return "C:\\Temp\\Quillet.ddl";
#else
    return "/tmp/Quillet.ddl";
#endif
}

int platform_deletefile(const char* path)
{
    return std::remove(path);
}

std::string platform_currentfolder()
{
    char buf[4096];
#ifdef _WIN32
    if (!_getcwd(buf, sizeof buf)) return std::string();
#else
    if (!getcwd(buf, sizeof buf)) return std::string();
#endif
    std::string s(buf);
    if (s.empty() || !platform_issep(s.back())) s += platform_joinsep();
    return s;
}

bool platform_samefile(const char* a, const char* b)
{
#ifdef _WIN32
    char fa[_MAX_PATH], fb[_MAX_PATH];
    if (!_fullpath(fa, a, sizeof fa) || !_fullpath(fb, b, sizeof fb)) return false;
    for (char* p = fa; *p; ++p) if (*p == '/') *p = '\\';
    for (char* p = fb; *p; ++p) if (*p == '/') *p = '\\';
    return _stricmp(fa, fb) == 0;
#else
    struct stat sa, sb;
    if (stat(a, &sa) != 0 || stat(b, &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
#endif
}

std::FILE* platform_tempfile()
{
#ifdef _WIN32
    // tmpfile() would create the file in the root of the current drive,
    // which ordinary users may not write to: the user's temporary folder
    // is used, and the file goes when it is closed.
    char folder[MAX_PATH + 1];
    char path[MAX_PATH + 1];
    DWORD n = GetTempPathA(sizeof folder, folder);
    if (n == 0 || n > MAX_PATH || GetTempFileNameA(folder, "qlt", 0, path) == 0) return nullptr;
    std::FILE* f = std::fopen(path, "w+bTD");
    if (!f) std::remove(path);
    return f;
#else
    return std::tmpfile();
#endif
}

std::FILE* platform_openoutput(const char* path)
{
#ifdef _WIN32
    int fd = _open(path, _O_WRONLY | _O_CREAT | _O_BINARY, _S_IREAD | _S_IWRITE);
    std::FILE* f = fd < 0 ? nullptr : _fdopen(fd, "wb");
    if (fd >= 0 && !f) _close(fd);
#else
    int fd = open(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    std::FILE* f = fd < 0 ? nullptr : fdopen(fd, "wb");
    if (fd >= 0 && !f) close(fd);
#endif
    if (f) std::setvbuf(f, nullptr, _IONBF, 0);
    return f;
}

void platform_closeoutput(std::FILE* f)
{
    std::fflush(f);
    // A file that cannot be cut keeps its old tail, as a write that fails
    // loses its bytes: the output's writes are not checked either.
#ifdef _WIN32
    int fd = _fileno(f);
    struct _stat64 st;
    long long end = _telli64(fd);
    if (end >= 0 && _fstat64(fd, &st) == 0 && (st.st_mode & _S_IFREG) && st.st_size > end) _chsize_s(fd, end);
#else
    int fd = fileno(f);
    struct stat st;
    off_t end = lseek(fd, 0, SEEK_CUR);
    if (end >= 0 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > end) (void)!ftruncate(fd, end);
#endif
    std::fclose(f);
}

#include "base/platform.h"

#include "base/version.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <vector>

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

#include <cstdlib>
#endif

#ifndef _WIN32
namespace {

// A stream over an open descriptor; when none can be made the descriptor
// is closed and errno says why.
std::FILE* stream_of(int fd, const char* mode)
{
    std::FILE* f = fdopen(fd, mode);
    if (!f) {
        int e = errno;
        close(fd);
        errno = e;
    }
    return f;
}

}  // namespace
#endif

void platform_messagebox(const char* text)
{
#ifdef _WIN32
    MessageBoxA(nullptr, text, kProgramName, MB_OK);
#else
    std::fputs("QuilletW: ", stderr);
    std::fputs(text, stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
#endif
}

std::string platform_selfpath(const char* argv0)
{
#ifdef _WIN32
    // argv[0] is only the name typed: a program found through PATH would
    // take its support files from the current folder.
    static char buf[32768];
    DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
    if (n > 0 && n < sizeof buf) return std::string(buf, n);
#else
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

const char* platform_converthtml_output()
{
#ifdef _WIN32
    return "C:\\Temp\\Quillet.ddl";
#else
    return "/tmp/Quillet.ddl";
#endif
}

const char* platform_commandname()
{
#ifdef _WIN32
    return "QuilletW";
#else
    return "quillet";
#endif
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
    PlatformFileId ia, ib;
    return platform_pathid(a, &ia) && platform_pathid(b, &ib) && ia == ib;
}

bool platform_fileid(std::FILE* f, PlatformFileId* id)
{
#ifdef _WIN32
    HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)));
    BY_HANDLE_FILE_INFORMATION info;
    if (h == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(h, &info)) return false;
    id->volume = info.dwVolumeSerialNumber;
    id->index = (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
#else
    struct stat st;
    if (fstat(fileno(f), &st) != 0) return false;
    id->volume = static_cast<unsigned long long>(st.st_dev);
    id->index = static_cast<unsigned long long>(st.st_ino);
    return true;
#endif
}

bool platform_pathid(const char* path, PlatformFileId* id)
{
    if (!path || !path[0]) return false;
#ifdef _WIN32
    // Opened for no access at all, which folders and files in use allow.
    HANDLE h = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    bool ok = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    if (!ok) return false;
    id->volume = info.dwVolumeSerialNumber;
    id->index = (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
#else
    struct stat st;
    if (stat(path, &st) != 0) return false;
    id->volume = static_cast<unsigned long long>(st.st_dev);
    id->index = static_cast<unsigned long long>(st.st_ino);
    return true;
#endif
}

bool platform_isreservedname(const char* path)
{
    if (!path) return false;
    const char* leaf = path;
    for (const char* p = path; *p; ++p)
        if (platform_issep(*p) || *p == ':') leaf = p + 1;
    // The name before its first dot, without the spaces Windows drops.
    size_t n = 0;
    while (leaf[n] && leaf[n] != '.') ++n;
    while (n > 0 && leaf[n - 1] == ' ') --n;
    char up[8];
    if (n < 3 || n > 7) return false;
    for (size_t i = 0; i < n; ++i) {
        char c = leaf[i];
        up[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    up[n] = '\0';
    static const char* const kNames[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
    for (const char* name : kNames)
        if (std::strcmp(up, name) == 0) return true;
    return n == 4 && (std::memcmp(up, "COM", 3) == 0 || std::memcmp(up, "LPT", 3) == 0) && up[3] >= '1' && up[3] <= '9';
}

std::FILE* platform_openregular(const char* path, PlatformFileId* id)
{
    if (!path || !path[0]) {
        errno = ENOENT;
        return nullptr;
    }
#ifdef _WIN32
    if (platform_isreservedname(path)) {
        errno = ENOENT;
        return nullptr;
    }
    struct _stat64 st;
    if (_stat64(path, &st) != 0) return nullptr;
    if (!(st.st_mode & _S_IFREG)) {
        errno = EINVAL;
        return nullptr;
    }
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return nullptr;
    HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)));
    if (h == INVALID_HANDLE_VALUE || GetFileType(h) != FILE_TYPE_DISK || platform_filekind(f) != PLATFORM_REGULAR ||
        (id && !platform_fileid(f, id))) {
        std::fclose(f);
        errno = EINVAL;
        return nullptr;
    }
    return f;
#else
    // Looked at before it is opened, so that no device is even opened; and
    // opened without waiting, so that a pipe put in its place meanwhile
    // cannot block, then looked at again through the open file.
    struct stat st;
    if (stat(path, &st) != 0) return nullptr;
    if (!S_ISREG(st.st_mode)) {
        errno = EINVAL;
        return nullptr;
    }
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    int flags = fcntl(fd, F_GETFL);
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        close(fd);
        errno = EINVAL;
        return nullptr;
    }
    std::FILE* f = stream_of(fd, "rb");
    if (!f) return nullptr;
    if (id) {
        id->volume = static_cast<unsigned long long>(st.st_dev);
        id->index = static_cast<unsigned long long>(st.st_ino);
    }
    return f;
#endif
}

long long platform_tell(std::FILE* f)
{
#ifdef _WIN32
    return _ftelli64(f);
#else
    return static_cast<long long>(ftello(f));
#endif
}

int platform_seek(std::FILE* f, long long pos, int whence)
{
#ifdef _WIN32
    return _fseeki64(f, pos, whence);
#else
    return fseeko(f, static_cast<off_t>(pos), whence);
#endif
}

std::string platform_tempfolder()
{
#ifdef _WIN32
    char folder[MAX_PATH + 1];
    DWORD n = GetTempPathA(sizeof folder, folder);
    if (n == 0 || n > MAX_PATH) return std::string(".");
    std::string s(folder, n);
#else
    const char* env = std::getenv("TMPDIR");
    std::string s = env && env[0] ? env : "/tmp";
#endif
    while (s.size() > 1 && platform_issep(s.back())) s.pop_back();
    return s;
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
    if (n == 0 || n > MAX_PATH || GetTempFileNameA(folder, "qlt", 0, path) == 0) {
        errno = EACCES;
        return nullptr;
    }
    std::FILE* f = std::fopen(path, "w+bTD");
    if (!f) std::remove(path);
    return f;
#else
    // tmpfile() ignores TMPDIR. The file loses its name at once, so that
    // nothing is left behind however the run ends.
    std::string path = platform_tempfolder() + "/quillet-XXXXXX";
    std::vector<char> name(path.begin(), path.end());
    name.push_back('\0');
    int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return nullptr;
    unlink(name.data());
    return stream_of(fd, "w+b");
#endif
}

std::FILE* platform_openinput(const char* path)
{
#ifdef _WIN32
    return std::fopen(path, "rb");
#else
    int fd = open(path, O_RDONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    return stream_of(fd, "rb");
#endif
}

bool platform_isterminal(std::FILE* f)
{
#ifdef _WIN32
    return _isatty(_fileno(f)) != 0;
#else
    return isatty(fileno(f)) != 0;
#endif
}

void platform_setbinary(std::FILE* f)
{
#ifdef _WIN32
    _setmode(_fileno(f), _O_BINARY);
#else
    (void)f;
#endif
}

PlatformFileKind platform_filekind(std::FILE* f)
{
#ifdef _WIN32
    struct _stat64 st;
    if (_fstat64(_fileno(f), &st) != 0) return PLATFORM_UNKNOWN;
    if (st.st_mode & _S_IFDIR) return PLATFORM_FOLDER;
    if (st.st_mode & _S_IFREG) return PLATFORM_REGULAR;
    return (st.st_mode & _S_IFIFO) ? PLATFORM_PIPE : PLATFORM_DEVICE;
#else
    struct stat st;
    if (fstat(fileno(f), &st) != 0) return PLATFORM_UNKNOWN;
    if (S_ISDIR(st.st_mode)) return PLATFORM_FOLDER;
    if (S_ISREG(st.st_mode)) return PLATFORM_REGULAR;
    return S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode) ? PLATFORM_PIPE : PLATFORM_DEVICE;
#endif
}

// The output file (written beside its path and put in place at the end)
// and the spooling of inputs that can be read only once.
#include "base/platform.h"

#include <cerrno>
#include <csignal>
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

#include <cstdlib>
#endif

namespace {

// The output being written. (A temporary file's name is also kept in a
// fixed buffer for the signal handler, which may not allocate.)
struct Output {
    bool temp = false;  // written as a temporary file
    std::string temppath;  // its name
    std::string target;  // the path it takes the place of
    bool existed = false;  // a file was there: its permission bits are kept
    unsigned mode = 0;
#ifndef _WIN32
    uid_t uid = 0;
    gid_t gid = 0;
#endif
};
Output g_output;

// The folder part of a path, with its separator; empty for the current one.
std::string folder_of(const std::string& path)
{
    size_t i = path.size();
    while (i > 0 && !platform_issep(path[i - 1])) --i;
    return path.substr(0, i);
}

void forget_output() { g_output = Output(); }

#ifdef _WIN32

int error_from_windows(DWORD e)
{
    switch (e) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION: return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_FILE_NOT_FOUND: return ENOENT;
    default: return EIO;
    }
}

std::FILE* open_temp(const char* path)
{
    DWORD attr = GetFileAttributesA(path);
    if (attr != INVALID_FILE_ATTRIBUTES) {
        if (attr & FILE_ATTRIBUTE_DIRECTORY) {
            errno = EISDIR;
            return nullptr;
        }
        if (attr & FILE_ATTRIBUTE_READONLY) {
            errno = EACCES;
            return nullptr;
        }
        g_output.existed = true;
    }
    std::string folder = folder_of(path);
    char tmp[MAX_PATH + 1];
    if (GetTempFileNameA(folder.empty() ? "." : folder.c_str(), "qlt", 0, tmp) == 0) {
        errno = error_from_windows(GetLastError());
        return nullptr;
    }
    int fd = _open(tmp, _O_WRONLY | _O_TRUNC | _O_BINARY);
    std::FILE* f = fd < 0 ? nullptr : _fdopen(fd, "wb");
    if (!f) {
        int e = errno;
        if (fd >= 0) _close(fd);
        std::remove(tmp);
        errno = e;
        return nullptr;
    }
    g_output.temp = true;
    g_output.temppath = tmp;
    g_output.target = path;
    return f;
}

std::FILE* open_direct(const char* path)
{
    int fd = _open(path, _O_WRONLY | _O_BINARY);
    std::FILE* f = fd < 0 ? nullptr : _fdopen(fd, "wb");
    if (fd >= 0 && !f) _close(fd);
    return f;
}

bool is_regular_or_absent(const char* path)
{
    struct _stat64 st;
    return _stat64(path, &st) != 0 || (st.st_mode & _S_IFREG) || (st.st_mode & _S_IFDIR);
}

// Closes the temporary file and, when nothing failed before (`err` 0),
// puts it in the target's place. The error that stopped it, or 0.
int close_and_place(std::FILE* f, int err)
{
    if (std::fclose(f) != 0 && !err) err = errno;
    if (err) return err;
    if (MoveFileExA(g_output.temppath.c_str(), g_output.target.c_str(), MOVEFILE_REPLACE_EXISTING)) return 0;
    return error_from_windows(GetLastError());
}

void remove_temp() { std::remove(g_output.temppath.c_str()); }
void disarm_signals() {}

#else

char g_signalpath[PATH_MAX + 32];
volatile sig_atomic_t g_signalarmed = 0;

// A run stopped by a signal removes its temporary file, then ends as the
// signal would have ended it.
extern "C" void on_stop_signal(int sig)
{
    if (g_signalarmed) unlink(g_signalpath);
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

const int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void install_signals()
{
    static bool installed = false;
    if (installed) return;
    installed = true;
    for (int sig : kStopSignals) {
        struct sigaction old;
        // A signal the caller chose to ignore (nohup) stays ignored.
        if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        struct sigaction sa;
        std::memset(&sa, 0, sizeof sa);
        sa.sa_handler = on_stop_signal;
        sigemptyset(&sa.sa_mask);
        sigaction(sig, &sa, nullptr);
    }
}

// Creates the temporary file from the template, with the stop signals held
// until the handler knows its name, so that no signal falls in between.
int create_temp(std::string& tmpl)
{
    install_signals();
    sigset_t stops, old;
    sigemptyset(&stops);
    for (int sig : kStopSignals) sigaddset(&stops, sig);
    sigprocmask(SIG_BLOCK, &stops, &old);
    int fd = mkostemp(&tmpl[0], O_CLOEXEC);
    if (fd >= 0 && tmpl.size() < sizeof g_signalpath) {
        std::memcpy(g_signalpath, tmpl.c_str(), tmpl.size() + 1);
        g_signalarmed = 1;
    }
    sigprocmask(SIG_SETMASK, &old, nullptr);
    return fd;
}

std::FILE* open_temp(const char* path, bool replace_link)
{
    struct stat st;
    std::string target = path;
    if (!replace_link && stat(path, &st) == 0) {
        // A link is followed: the file it names is the one replaced.
        struct stat lst;
        if (lstat(path, &lst) == 0 && S_ISLNK(lst.st_mode)) {
            if (char* real = realpath(path, nullptr)) {
                target = real;
                std::free(real);
            }
        }
        g_output.existed = true;
    } else if (replace_link && lstat(path, &st) == 0) {
        g_output.existed = S_ISREG(st.st_mode);
    }
    if (g_output.existed) {
        // A file that may not be written is not replaced either.
        if (faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return nullptr;
        g_output.mode = st.st_mode & 07777;
        g_output.uid = st.st_uid;
        g_output.gid = st.st_gid;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        g_output.mode = 0666 & ~mask;
    }
    std::string tmpl = folder_of(target) + ".quillet-XXXXXX";
    int fd = create_temp(tmpl);
    if (fd < 0) return nullptr;
    std::FILE* f = fdopen(fd, "wb");
    if (!f) {
        int e = errno;
        close(fd);
        unlink(tmpl.c_str());
        g_signalarmed = 0;
        errno = e;
        return nullptr;
    }
    g_output.temp = true;
    g_output.temppath = tmpl;
    g_output.target = target;
    return f;
}

std::FILE* open_direct(const char* path)
{
    int fd = open(path, O_WRONLY | O_CLOEXEC | O_NOCTTY);
    std::FILE* f = fd < 0 ? nullptr : fdopen(fd, "wb");
    if (fd >= 0 && !f) close(fd);
    return f;
}

// Closes the temporary file and, when nothing failed before (`err` 0),
// gives it the replaced file's owner and permission bits and puts it in
// the target's place. The error that stopped it, or 0.
int close_and_place(std::FILE* f, int err)
{
    int fd = fileno(f);
    if (!err) {
        if (g_output.existed && (g_output.uid != geteuid() || g_output.gid != getegid()))
            (void)!fchown(fd, g_output.uid, g_output.gid);  // only a privileged caller can
        // Some file systems keep no permission bits: the output is good without.
        (void)!fchmod(fd, g_output.mode);
    }
    if (std::fclose(f) != 0 && !err) err = errno;
    if (err) return err;
#if defined(__linux__) && defined(RENAME_EXCHANGE)
    // A file that is there is swapped with the new one in one step and then
    // removed under the temporary name. (Renaming over it makes ext4 start
    // writing the whole new file out at once, which costs a tenth of a
    // large page's run; neither way waits for the disk.)
    if (g_output.existed &&
        renameat2(AT_FDCWD, g_output.temppath.c_str(), AT_FDCWD, g_output.target.c_str(), RENAME_EXCHANGE) == 0) {
        unlink(g_output.temppath.c_str());
        return 0;
    }
#endif
    return rename(g_output.temppath.c_str(), g_output.target.c_str()) == 0 ? 0 : errno;
}

void remove_temp() { unlink(g_output.temppath.c_str()); }
void disarm_signals() { g_signalarmed = 0; }

#endif

}  // namespace

std::FILE* platform_openoutput(const char* path, bool replace_link)
{
    forget_output();
    std::FILE* f = nullptr;
    if (!path[0]) {
        errno = ENOENT;
        return nullptr;
    }
    if (platform_isstdstream(path)) {
        f = stdout;
#ifdef _WIN32
        _setmode(_fileno(stdout), _O_BINARY);
#endif
    } else {
#ifdef _WIN32
        (void)replace_link;
        f = is_regular_or_absent(path) ? open_temp(path) : open_direct(path);
#else
        struct stat st;
        int r = replace_link ? lstat(path, &st) : stat(path, &st);
        if (r == 0 && S_ISDIR(st.st_mode)) {
            errno = EISDIR;
            return nullptr;
        }
        bool direct = r == 0 && !S_ISREG(st.st_mode) && !replace_link;
        f = direct ? open_direct(path) : open_temp(path, replace_link);
#endif
    }
    if (!f) {
        forget_output();
        return nullptr;
    }
    std::setvbuf(f, nullptr, _IONBF, 0);
    return f;
}

int platform_commitoutput(std::FILE* f)
{
    int err = std::fflush(f) == 0 ? 0 : errno;
    if (g_output.temp) {
        err = close_and_place(f, err);
        if (err) remove_temp();
        disarm_signals();
    } else if (f == stdout) {
        if (!err && std::ferror(f)) err = EIO;
    } else if (std::fclose(f) != 0 && !err) {
        err = errno;
    }
    forget_output();
    return err;
}

void platform_dropoutput(std::FILE* f)
{
    if (f == stdout)
        std::fflush(f);
    else
        std::fclose(f);
    if (g_output.temp) {
        remove_temp();
        disarm_signals();
    }
    forget_output();
}

int platform_restartoutput(std::FILE* f)
{
    if (!g_output.temp) return 0;
    if (std::fflush(f) != 0) return errno;
#ifdef _WIN32
    if (_chsize_s(_fileno(f), 0) != 0) return errno;
#else
    if (ftruncate(fileno(f), 0) != 0) return errno;
#endif
    return std::fseek(f, 0, SEEK_SET) == 0 ? 0 : errno;
}

std::FILE* platform_spool(std::FILE* in)
{
#ifdef _WIN32
    _setmode(_fileno(in), _O_BINARY);
#endif
    std::FILE* t = platform_tempfile();
    if (!t) return nullptr;
    static char buf[1 << 16];
    size_t n;
    int err = 0;
    while ((n = std::fread(buf, 1, sizeof buf, in)) > 0) {
        if (std::fwrite(buf, 1, n, t) != n) {
            err = errno;
            break;
        }
    }
    if (!err && std::ferror(in)) err = errno ? errno : EIO;
    if (!err && (std::fflush(t) != 0 || std::fseek(t, 0, SEEK_SET) != 0)) err = errno;
    if (err) {
        std::fclose(t);
        errno = err;
        return nullptr;
    }
    return t;
}

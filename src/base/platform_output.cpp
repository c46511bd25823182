// The output file: written beside its path and put in place at the end,
// or in place where it cannot be.
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

// How the output is written.
enum OutputKind {
    OUT_STREAM,  // "-", a device or a pipe: written as it is
    OUT_TEMP,  // a temporary file beside the path, put in its place at the end
    OUT_DESCRIPTOR,  // standard output or error named by path: written through it
    OUT_FILE,  // the file itself, in place: its folder cannot take a temporary file
};

struct Output {
    OutputKind kind = OUT_STREAM;
    std::string temppath;  // the temporary file's name
    std::string target;  // the path it takes the place of
    bool existed = false;  // a file was there: its permission bits are kept
    unsigned mode = 0;
    bool touched = false;  // bytes were given to an output written in place
#ifndef _WIN32
    uid_t uid = 0;
    gid_t gid = 0;
    // What the target's path named when the output was opened (not
    // following a link there): the commit refuses a path that changed.
    bool had_entry = false;
    mode_t type = 0;
    dev_t dev = 0;
    ino_t ino = 0;
#endif
};
Output g_output;
// Why the last open or commit failed, when no errno value says it.
const char* g_reason = nullptr;

// The folder part of a path, with its separator; empty for the current one.
std::string folder_of(const std::string& path)
{
    size_t i = path.size();
    while (i > 0 && !platform_issep(path[i - 1])) --i;
    return path.substr(0, i);
}

void forget_output()
{
    int e = errno;
    g_output = Output();
    errno = e;
}

bool in_place() { return g_output.kind == OUT_DESCRIPTOR || g_output.kind == OUT_FILE; }

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
    // Shared for deleting, so that the console handler can remove it while
    // it is open.
    HANDLE h = CreateFileA(tmp, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, TRUNCATE_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    int fd = h == INVALID_HANDLE_VALUE ? -1 : _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY);
    if (fd < 0 && h != INVALID_HANDLE_VALUE) CloseHandle(h);
    std::FILE* f = fd < 0 ? nullptr : _fdopen(fd, "wb");
    if (!f) {
        int e = errno ? errno : EACCES;
        if (fd >= 0) _close(fd);
        std::remove(tmp);
        errno = e;
        return nullptr;
    }
    platform_stoptemp(tmp);
    g_output.kind = OUT_TEMP;
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

#else

// Creates the temporary file from the template, with the stop signals held
// until the handler knows its name, so that no signal falls in between.
int create_temp(std::string& tmpl)
{
    platform_holdstops(true);
    int fd = mkostemp(&tmpl[0], O_CLOEXEC);
    if (fd >= 0) platform_stoptemp(tmpl.c_str());
    platform_holdstops(false);
    return fd;
}

// Standard output (1) or standard error (2) when the path is one of their
// names, or names the regular file one of them is open on; -1 otherwise.
int std_descriptor(const char* path)
{
    static const char* const kNames[][3] = {{"/dev/stdout", "/dev/fd/1", "/proc/self/fd/1"},
                                            {"/dev/stderr", "/dev/fd/2", "/proc/self/fd/2"}};
    for (int i = 0; i < 2; ++i)
        for (const char* name : kNames[i])
            if (!std::strcmp(path, name)) return i + 1;
    struct stat p, s;
    if (stat(path, &p) != 0 || !S_ISREG(p.st_mode)) return -1;
    for (int fd = 1; fd <= 2; ++fd)
        if (fstat(fd, &s) == 0 && s.st_dev == p.st_dev && s.st_ino == p.st_ino) return fd;
    return -1;
}

// A link in a sticky folder that everyone may write to (such as /tmp),
// owned by neither the user nor the folder's owner, may have been planted
// to make the output land elsewhere: it is never followed, whatever the
// system's own guard says.
bool planted_link(const char* path)
{
    struct stat l, dir;
    if (lstat(path, &l) != 0 || !S_ISLNK(l.st_mode)) return false;
    std::string folder = folder_of(path);
    if (stat(folder.empty() ? "." : folder.c_str(), &dir) != 0) return false;
    if (!(dir.st_mode & S_ISVTX) || !(dir.st_mode & S_IWOTH)) return false;
    return l.st_uid != geteuid() && l.st_uid != dir.st_uid;
}

// The file itself, written in place when no temporary file can be made
// beside it. It is emptied only when the first bytes come, so that a run
// that fails before writing leaves it as it was.
std::FILE* open_file_in_place(const std::string& target)
{
    int fd = open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW);
    if (fd < 0) return nullptr;
    struct stat st;
    std::FILE* f = nullptr;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_ino == g_output.ino && st.st_dev == g_output.dev)
        f = fdopen(fd, "wb");
    else
        errno = EAGAIN;  // changed between the look and the opening
    if (!f) {
        int e = errno;
        close(fd);
        errno = e;
        return nullptr;
    }
    g_output.kind = OUT_FILE;
    g_output.target = target;
    return f;
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
    struct stat at;
    if (lstat(target.c_str(), &at) == 0) {
        g_output.had_entry = true;
        g_output.type = at.st_mode & S_IFMT;
        g_output.dev = at.st_dev;
        g_output.ino = at.st_ino;
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
    if (fd < 0) {
        // A file the user may write, in a folder the user may not.
        if (g_output.existed && (errno == EACCES || errno == EPERM)) return open_file_in_place(target);
        return nullptr;
    }
    std::FILE* f = fdopen(fd, "wb");
    if (!f) {
        int e = errno;
        close(fd);
        unlink(tmpl.c_str());
        platform_stoptemp(nullptr);
        errno = e;
        return nullptr;
    }
    g_output.kind = OUT_TEMP;
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

// Why the target's path no longer names what it named at the opening, or
// null. A path that named nothing may since hold a regular file (another
// run's output): it is replaced as one that was there would have been.
const char* changed_target()
{
    struct stat now;
    if (lstat(g_output.target.c_str(), &now) != 0) return nullptr;
    mode_t type = now.st_mode & S_IFMT;
    bool same = g_output.had_entry && type == g_output.type && now.st_dev == g_output.dev && now.st_ino == g_output.ino;
    if (same || (!g_output.had_entry && type == S_IFREG)) return nullptr;
    if (type == S_IFDIR) return "it became a folder during the run";
    if (type == S_IFLNK) return "it became a link during the run";
    return "it was replaced by another file during the run";
}

// Copies the finished temporary file into the target, for a target that
// cannot be renamed over (a bind mount, another file system). Not atomic:
// from the emptying on, a failure leaves the target incomplete.
int copy_in_place()
{
    int in = open(g_output.temppath.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return errno;
    int out = open(g_output.target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW);
    if (out < 0) {
        int e = errno;
        close(in);
        return e;
    }
    g_output.touched = true;
    platform_stopstate(PLATFORM_STOP_INCOMPLETE);
    static char buf[1 << 16];
    int err = 0;
    ssize_t n;
    while (!err && (n = read(in, buf, sizeof buf)) != 0) {
        if (n < 0) {
            if (errno != EINTR) err = errno;
            continue;
        }
        for (ssize_t done = 0; done < n && !err;) {
            ssize_t w = write(out, buf + done, static_cast<size_t>(n - done));
            if (w < 0 && errno != EINTR) err = errno;
            if (w > 0) done += w;
        }
    }
    if (close(out) != 0 && !err) err = errno;
    close(in);
    if (!err) unlink(g_output.temppath.c_str());
    return err;
}

// Closes the temporary file and, when nothing failed before (`err` 0),
// gives it the replaced file's owner and permission bits and puts it in
// the target's place. The error that stopped it, or 0; -1 when g_reason
// says why.
int close_and_place(std::FILE* f, int err)
{
    int fd = fileno(f);
    if (!err) {
        // Only a privileged caller can give the file away; an owner may
        // still give it one of their groups.
        if (g_output.existed && (g_output.uid != geteuid() || g_output.gid != getegid()))
            if (fchown(fd, g_output.uid, g_output.gid) != 0) (void)!fchown(fd, static_cast<uid_t>(-1), g_output.gid);
        // Some file systems keep no permission bits: the output is good without.
        (void)!fchmod(fd, g_output.mode);
    }
    if (std::fclose(f) != 0 && !err) err = errno;
    if (err) return err;
    if ((g_reason = changed_target()) != nullptr) return -1;
    const char* tmp = g_output.temppath.c_str();
    const char* target = g_output.target.c_str();
#if defined(__linux__) && defined(RENAME_EXCHANGE)
    // A file that is there is swapped with the new one in one step and then
    // removed under the temporary name. (Renaming over it makes ext4 start
    // writing the whole new file out at once, which costs a tenth of a
    // large page's run; neither way waits for the disk.) What comes back
    // must be the file that was there: anything else put there since the
    // look is swapped back and left alone.
    if (g_output.had_entry && g_output.type == S_IFREG &&
        renameat2(AT_FDCWD, tmp, AT_FDCWD, target, RENAME_EXCHANGE) == 0) {
        struct stat back;
        if (lstat(tmp, &back) == 0 && S_ISREG(back.st_mode) && back.st_dev == g_output.dev &&
            back.st_ino == g_output.ino) {
            unlink(tmp);
            return 0;
        }
        renameat2(AT_FDCWD, tmp, AT_FDCWD, target, RENAME_EXCHANGE);
        g_reason = "it was replaced by another file during the run";
        return -1;
    }
#endif
    if (rename(tmp, target) == 0) return 0;
    return errno == EBUSY || errno == EXDEV ? copy_in_place() : errno;
}

void remove_temp() { unlink(g_output.temppath.c_str()); }

#endif

}  // namespace

void platform_guardstdstreams()
{
#ifndef _WIN32
    // Opened the other way round, so that reading or writing them fails
    // as it would on a closed one.
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        int nul = open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY);
        if (nul >= 0 && nul != fd) {
            dup2(nul, fd);
            close(nul);
        }
    }
#endif
}

bool platform_outputisinput(const char* in, const char* out)
{
    bool in_std = platform_isstdstream(in);
    bool out_std = platform_isstdstream(out);
    if (in_std && out_std) return false;
#ifdef _WIN32
    return !in_std && !out_std && platform_samefile(in, out);
#else
    if (in_std)
        for (const char* name : {"/dev/stdin", "/dev/fd/0", "/proc/self/fd/0"})
            if (!std::strcmp(out, name)) return true;
    struct stat a, b;
    if (in_std ? fstat(0, &a) != 0 : stat(in, &a) != 0) return false;
    if (out_std ? fstat(1, &b) != 0 : stat(out, &b) != 0) return false;
    // A terminal or /dev/null both read and written harms nothing.
    return !S_ISCHR(a.st_mode) && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
#endif
}

const char* platform_outputreason() { return g_reason; }

std::FILE* platform_openoutput(const char* path, bool replace_link)
{
    forget_output();
    g_reason = nullptr;
    platform_stopstate(PLATFORM_STOP_KEPT);
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
        int stdfd = replace_link ? -1 : std_descriptor(path);
        struct stat st;
        int r = replace_link ? lstat(path, &st) : stat(path, &st);
        if (stdfd >= 0) {
            // Never renamed over: written through the descriptor, at its
            // place (at the end, when it appends).
            int flags = fcntl(stdfd, F_GETFL);
            int fd = -1;
            if (flags == -1 || (flags & O_ACCMODE) == O_RDONLY)
                errno = EBADF;  // closed, or not open for writing: found before converting
            else
                fd = fcntl(stdfd, F_DUPFD_CLOEXEC, 3);
            f = fd < 0 ? nullptr : fdopen(fd, "wb");
            if (fd >= 0 && !f) close(fd);
            g_output.kind = OUT_DESCRIPTOR;
        } else if (r == 0 && S_ISDIR(st.st_mode)) {
            errno = EISDIR;
        } else if (!replace_link && planted_link(path)) {
            g_reason = "it is another user's link in a shared folder";
            errno = EACCES;
        } else {
            bool direct = r == 0 && !S_ISREG(st.st_mode) && !replace_link;
            f = direct ? open_direct(path) : open_temp(path, replace_link);
        }
#endif
    }
    if (!f) {
        forget_output();
        return nullptr;
    }
    std::setvbuf(f, nullptr, _IONBF, 0);
    return f;
}

int platform_startoutput(std::FILE* f)
{
    if (g_output.kind == OUT_TEMP || g_output.touched) return 0;
    g_output.touched = true;
    platform_stopstate(PLATFORM_STOP_INCOMPLETE);
    if (g_output.kind != OUT_FILE) return 0;
#ifdef _WIN32
    return _chsize_s(_fileno(f), 0) == 0 ? 0 : errno;
#else
    return ftruncate(fileno(f), 0) == 0 ? 0 : errno;
#endif
}

int platform_commitoutput(std::FILE* f, bool* incomplete)
{
    int err = std::fflush(f) == 0 ? 0 : errno;
    g_reason = nullptr;
    if (g_output.kind == OUT_TEMP) {
        err = close_and_place(f, err);
        if (err) remove_temp();
        platform_stoptemp(nullptr);
    } else if (f == stdout) {
        if (!err && std::ferror(f)) err = EIO;
    } else {
#ifndef _WIN32
        // Nothing was written: the file in place is emptied now.
        if (!err && g_output.kind == OUT_FILE && !g_output.touched && ftruncate(fileno(f), 0) != 0) err = errno;
#endif
        if (std::fclose(f) != 0 && !err) err = errno;
    }
    *incomplete = err && g_output.touched && (in_place() || g_output.kind == OUT_TEMP);
    if (!err) platform_stopstate(PLATFORM_STOP_DONE);
    forget_output();
    return err;
}

bool platform_dropoutput(std::FILE* f)
{
    bool incomplete = in_place() && g_output.touched;
    if (f == stdout)
        std::fflush(f);
    else
        std::fclose(f);
    if (g_output.kind == OUT_TEMP) {
        remove_temp();
        platform_stoptemp(nullptr);
    }
    forget_output();
    return incomplete;
}

int platform_restartoutput(std::FILE* f)
{
    // A file in place that holds nothing of this run yet is emptied when
    // its first bytes come.
    if (g_output.kind != OUT_TEMP && (g_output.kind != OUT_FILE || !g_output.touched)) return 0;
    if (std::fflush(f) != 0) return errno;
#ifdef _WIN32
    if (_chsize_s(_fileno(f), 0) != 0) return errno;
#else
    if (ftruncate(fileno(f), 0) != 0) return errno;
#endif
    return std::fseek(f, 0, SEEK_SET) == 0 ? 0 : errno;
}

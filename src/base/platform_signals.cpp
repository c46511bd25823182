// A run stopped from outside (a signal here, a console event on Windows):
// the run's temporary file removed, one line saying what became of the
// output, and then the end the signal would have given.
#include "base/platform.h"

#include <csignal>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <limits.h>
#include <signal.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
const size_t kPathRoom = MAX_PATH + 32;
#else
const size_t kPathRoom = PATH_MAX + 32;
#endif
// A tail names the page and the output: two paths and some words.
const size_t kTailRoom = 2 * kPathRoom + 128;

// Everything the handler uses is made here beforehand: it only copies
// these bytes, unlinks by this name and writes.
char g_temppath[kPathRoom];
char g_tails[3][kTailRoom];  // indexed by PlatformStopState
char g_line[kTailRoom + 64];
volatile sig_atomic_t g_state = PLATFORM_STOP_KEPT;
volatile sig_atomic_t g_hastemp = 0;
// A message is being written: a stop in the middle ends its line first.
volatile sig_atomic_t g_midline = 0;

// Copies `text` to `at`, a control byte shown as "?" as in every message,
// and gives the end; never past `end`.
char* copy_shown(char* at, const char* end, const char* text)
{
    for (; *text && at < end; ++text) {
        unsigned char c = static_cast<unsigned char>(*text);
        *at++ = (c < 32 && c != '\t') || c == 127 ? '?' : *text;
    }
    return at;
}

void make_tail(char* tail, const char* when, const char* page, const char* output, const char* what)
{
    const char* end = tail + kTailRoom - 2;
    char* at = copy_shown(tail, end, when);
    at = copy_shown(at, end, page);
    at = copy_shown(at, end, "\": the output file \"");
    at = copy_shown(at, end, output);
    at = copy_shown(at, end, what);
    *at++ = '\n';
    *at = '\0';
}

// Joins the start, the stop's name and the tail in g_line; its length.
size_t make_line(const char* name)
{
    const char* end = g_line + sizeof g_line - 1;
    char* at = g_line;
    if (g_midline) *at++ = '\n';
    for (const char* p = "QuilletW: Stopped by "; *p && at < end; ++p) *at++ = *p;
    for (const char* p = name; *p && at < end; ++p) *at++ = *p;
    for (const char* p = g_tails[g_state]; *p && at < end; ++p) *at++ = *p;
    return static_cast<size_t>(at - g_line);
}

#ifdef _WIN32

const char* event_name(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT: return "Ctrl+C";
    case CTRL_BREAK_EVENT: return "Ctrl+Break";
    case CTRL_CLOSE_EVENT: return "the console closing";
    case CTRL_LOGOFF_EVENT: return "the user logging off";
    default: return "the system shutting down";
    }
}

// Runs on a thread of its own; returning FALSE lets the system's own
// handler end the process as it would have.
BOOL WINAPI on_console_event(DWORD event)
{
    if (g_hastemp) DeleteFileA(g_temppath);
    size_t n = make_line(event_name(event));
    DWORD written = 0;
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (err != INVALID_HANDLE_VALUE && err != nullptr) WriteFile(err, g_line, static_cast<DWORD>(n), &written, nullptr);
    return FALSE;
}

void install_handlers() { SetConsoleCtrlHandler(on_console_event, TRUE); }

void hold(bool) {}

#else

const int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF};

const char* signal_name(int sig)
{
    switch (sig) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    case SIGQUIT: return "SIGQUIT";
    case SIGUSR1: return "SIGUSR1";
    case SIGUSR2: return "SIGUSR2";
    case SIGALRM: return "SIGALRM";
    case SIGVTALRM: return "SIGVTALRM";
    default: return "SIGPROF";
    }
}

// The other stop signals are held while it runs (its mask), so one line
// is written however many arrive.
extern "C" void on_stop_signal(int sig)
{
    if (g_hastemp) unlink(g_temppath);
    size_t n = make_line(signal_name(sig));
    (void)!write(2, g_line, n);
    signal(sig, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, sig);
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
    raise(sig);
}

void install_handlers()
{
    // A failed write is reported like any other error, never a silent death.
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN);
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = on_stop_signal;
    sigemptyset(&sa.sa_mask);
    for (int sig : kStopSignals) sigaddset(&sa.sa_mask, sig);
    for (int sig : kStopSignals) {
        struct sigaction old;
        // A signal the caller chose to ignore (nohup) stays ignored.
        if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        sigaction(sig, &sa, nullptr);
    }
}

// Holds the stop signals while the handler's texts change, so that it
// never sees half of one.
sigset_t g_oldmask;
void hold(bool on)
{
    if (on) {
        sigset_t stops;
        sigemptyset(&stops);
        for (int sig : kStopSignals) sigaddset(&stops, sig);
        sigprocmask(SIG_BLOCK, &stops, &g_oldmask);
    } else {
        sigprocmask(SIG_SETMASK, &g_oldmask, nullptr);
    }
}

#endif

}  // namespace

void platform_catchstops(const char* page, const char* output)
{
    static bool installed = false;
    hold(true);
    make_tail(g_tails[PLATFORM_STOP_KEPT], " while converting \"", page, output, "\" was left as it was.");
    make_tail(g_tails[PLATFORM_STOP_INCOMPLETE], " while converting \"", page, output, "\" may be incomplete.");
    make_tail(g_tails[PLATFORM_STOP_DONE], " after converting \"", page, output, "\" was already written.");
    g_state = PLATFORM_STOP_KEPT;
    hold(false);
    if (!installed) install_handlers();
    installed = true;
}

void platform_holdstops(bool on) { hold(on); }

bool platform_stoptemp(const char* path)
{
    g_hastemp = 0;
    bool fits = !path || std::strlen(path) < sizeof g_temppath;
    if (path && fits) {
        std::memcpy(g_temppath, path, std::strlen(path) + 1);
        g_hastemp = 1;
    }
    return fits;
}

void platform_stopstate(PlatformStopState state) { g_state = state; }

void platform_stopmidline(bool on) { g_midline = on; }

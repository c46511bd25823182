#include "ddl/ddlout.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ddl/format.h"
#include "ddl/template.h"
#include "base/ascii.h"
#include "base/platform.h"
#include "base/bytescan.h"
#include "base/memtrace.h"
#include "base/runstate.h"

namespace {

const int kWorkspaceSize = 100;
const int kFlushAbove = 76;
const int kScratchSize = 1024;

FILE* g_out = nullptr;
std::string* g_sink = nullptr;  // the output in memory instead of a file

bool is_open() { return g_out || g_sink; }

// The stream's bytes collect here and go to the file in large writes; the
// FILE itself is left unbuffered, so nothing is copied twice. Bytes given
// while no file is open are dropped at the next drain.
const size_t kOutBufferSize = 1 << 17;
char g_outbuf[kOutBufferSize];
size_t g_outlen = 0;

// The workspace, with sixteen bytes to spare after its last so that the
// quoted-line writer can read it in blocks.
char g_ws[kWorkspaceSize + 16];
int g_wslen = 0;
int g_suppressed = 1;
int g_linestart = 0;
int g_column = 0;
int g_lastwritten = 0;
bool g_smartquotes = true;
// With spaces kept: a workspace that held only a space (or no-break space)
// when it was flushed gives that byte to the text added next, unless a
// break comes first; 0 when none waits.
bool g_keepspaces = false;
int g_pendingspace = 0;

// Bytes have gone to the output since it was opened.
bool g_started = false;

const char kIncomplete[] =
    "The output file \"%s\" was written in place and may be incomplete: the conversion of \"%s\" did not finish.";

// A write that fails ends the run: the output is dropped, so that its path
// is left as it was, and the reason is shown (the system's, or `reason`).
// An output written in place says that it may be incomplete.
[[noreturn, gnu::cold, gnu::noinline]] void write_failed(int err, const char* reason = nullptr, bool incomplete = false)
{
    if (g_out && platform_dropoutput(g_out)) incomplete = true;
    g_out = nullptr;
    g_outlen = 0;
    const char* why = reason ? reason : std::strerror(err ? err : EIO);
    if (!incomplete) fatal_message(12, "Couldn't write output file \"%s\" (%s).", run_outputpath(), why);
    show_message("Couldn't write output file \"%s\" (%s).", run_outputpath(), why);
    fatal_message(12, kIncomplete, run_outputpath(), run_inputpath());
}

[[gnu::noinline]] void start_output()
{
    g_started = true;
    int err = platform_startoutput(g_out);
    if (err) write_failed(err);
}

void write_out(const char* data, size_t n)
{
    if (g_sink)
        g_sink->append(data, n);
    else if (g_out) {
        if (!g_started) start_output();
        if (std::fwrite(data, 1, n, g_out) != n) write_failed(errno);
    }
}

void drain()
{
    if (g_outlen) write_out(g_outbuf, g_outlen);
    g_outlen = 0;
}

// Room for n more bytes at the end of the buffer (n at most its size).
char* reserve(size_t n)
{
    if (kOutBufferSize - g_outlen < n) drain();
    return g_outbuf + g_outlen;
}

void put(int c)
{
    if (g_outlen == kOutBufferSize) drain();
    g_outbuf[g_outlen++] = static_cast<char>(c);
}

void put_bytes(const char* data, size_t n)
{
    if (kOutBufferSize - g_outlen < n) {
        drain();
        if (n >= kOutBufferSize) {
            write_out(data, n);
            return;
        }
    }
    std::memcpy(g_outbuf + g_outlen, data, n);
    g_outlen += n;
}

// One quoted string line of the workspace. A byte becomes at most two, so
// the whole line is written into reserved room without further checks;
// runs of bytes written as they stand are copied whole. Kept out of
// ddlout_flush, which is mostly called with nothing to write.
[[gnu::noinline]] void write_quoted()
{
    // Sixteen bytes are taken at a time, from the workspace and into the
    // reserved room, both of which have that much to spare; only the bytes
    // before the end of the line or the first byte the quoting rules change
    // are kept.
    const int len = g_wslen;
    char* o = reserve(2 * static_cast<size_t>(len) + 3 + 16);
    char* const start = o;
    const bool smart = g_smartquotes;
    const unsigned char* ws = reinterpret_cast<const unsigned char*>(g_ws);
    static const unsigned char kChanged[] = {0x13, '"', '\'', '\\'};
    // The last byte written: ws[i - 1] after a run, else `changed`, the
    // last byte written for a changed one (at first, the previous line's).
    int changed = g_lastwritten;
    int changed_end = 0;  // the workspace index after the last changed byte
    *o++ = '"';
    int i = 0;
    while (i < len) {
        unsigned hits = bytescan::match16(ws + i, kChanged) | 0x10000u;
        bytescan::copy16(o, ws + i);
        int k = bytescan::first(hits);
        if (k >= len - i) {
            o += len - i;
            i = len;
            break;
        }
        o += k;
        i += k;
        if (k == 16) continue;
        int last = i > changed_end ? ws[i - 1] : changed;
        switch (ws[i++]) {
        case 0x13:  // soft space: one space, never two
            if (last != ' ') *o++ = ' ';
            changed = ' ';
            break;
        case '"':
            if (smart) {
                *o++ = static_cast<char>(ascii_isspace(last) ? 0x94 : 0x95);
            } else {
                *o++ = '\\';
                *o++ = '"';
            }
            changed = '"';
            break;
        case '\'':
            *o++ = smart ? static_cast<char>(ascii_isspace(last) ? 0x90 : 0x91) : '\'';
            changed = '\'';
            break;
        default:  // the backslash
            *o++ = '\\';
            *o++ = '\\';
            changed = '\\';
            break;
        }
        changed_end = i;
    }
    *o++ = '"';
    *o++ = '\n';
    g_lastwritten = len > changed_end ? ws[len - 1] : changed;
    g_outlen += static_cast<size_t>(o - start);
}

}  // namespace

void ddlout_templateline(const char* line)
{
    if (std::strchr(line, '\xA4')) {
        ddlout_expandtemplate(line);
    } else {
        ddlout_direct(line);
        ddlout_directchar('\n');
    }
}

bool ddlout_open(const char* path)
{
    ddlout_drop();
    // The fixed output of -converthtml lies in a folder everyone may write
    // to: a link planted there is replaced, never written through.
    g_out = platform_openoutput(path, run_mode() == RUNMODE_CONVERTHTML);
    g_started = false;
    return g_out != nullptr;
}

void ddlout_openrun()
{
    const char* out = run_outputpath();
    const char* why = nullptr;
    // The input is never replaced by its own conversion. (Standard input
    // is read to its end before anything is written.)
    if (platform_outputisinput(run_inputpath(), out))
        why = "it is the input file";
    else if (!ddlout_open(out))
        why = platform_outputreason() ? platform_outputreason() : std::strerror(errno ? errno : EIO);
    if (why) fatal_message(11, "Couldn't open %s file \"%s\" (%s).", "output", out, why);
}

bool ddlout_opensink(std::string* sink)
{
    ddlout_drop();
    g_sink = sink;
    return true;
}

bool ddlout_outputid(PlatformFileId* id) { return g_out && platform_fileid(g_out, id); }

bool ddlout_restart()
{
    g_outlen = 0;
    if (g_sink) {
        g_sink->clear();
        return true;
    }
    if (!g_out) {
        ddlout_openrun();
        return true;
    }
    int err = platform_restartoutput(g_out);
    if (err) write_failed(err);
    return true;
}

void ddlout_commit()
{
    if (g_sink) {
        drain();
        g_sink = nullptr;
        return;
    }
    if (!g_out) return;
    drain();
    bool incomplete = false;
    int err = platform_commitoutput(g_out, &incomplete);
    g_out = nullptr;
    if (err) write_failed(err, err == -1 ? platform_outputreason() : nullptr, incomplete);
}

void ddlout_drop()
{
    g_outlen = 0;
    g_sink = nullptr;
    bool incomplete = g_out && platform_dropoutput(g_out);
    g_out = nullptr;
    if (incomplete) show_message(kIncomplete, run_outputpath(), run_inputpath());
}

void ddlout_abandon(int code)
{
    ddlout_drop();
    std::exit(code);
}

void ddlout_reset()
{
    g_wslen = 0;
    g_ws[0] = '\0';
    g_suppressed = 1;
    g_linestart = 0;
    g_column = 0;
    g_lastwritten = 0;
    g_pendingspace = 0;
}

namespace {

// The waiting space goes in front of what is added next, unless that
// begins with the same byte.
inline void take_pending(int first)
{
    if (!g_pendingspace) return;
    int space = g_pendingspace;
    g_pendingspace = 0;
    if (first == space) return;
    g_ws[g_wslen++] = static_cast<char>(space);
    g_ws[g_wslen] = '\0';
    ++g_column;
}

// Control bytes (below 32, and 127) never reach a quoted line: one from the
// input could end the line or pass for the soft space marker 0x13.
inline bool is_control(unsigned c) { return c < 32 || c == 127; }

void add_byte(int ch)
{
    if (g_linestart) {
        if (ch == ' ') return;
        g_linestart = 0;
    }
    if (g_wslen >= kWorkspaceSize - 1) ddlout_flush();  // never overrun the line
    g_ws[g_wslen++] = static_cast<char>(ch);
    g_ws[g_wslen] = '\0';
    ++g_column;
    if (g_wslen > kFlushAbove) ddlout_flush();
}

}  // namespace

void ddlout_addchar(int ch)
{
    if (g_suppressed) return;
    if (g_pendingspace) take_pending(is_control(static_cast<unsigned>(ch) & 0xFF) ? ' ' : ch);
    add_byte(is_control(static_cast<unsigned>(ch) & 0xFF) ? ' ' : ch);
}

void ddlout_addsoftspace()
{
    if (g_suppressed) return;
    if (g_pendingspace) take_pending(' ');
    add_byte(0x13);
}

void ddlout_addtext(const char* text, size_t n)
{
    if (g_suppressed || n == 0) return;
    if (g_pendingspace) take_pending(static_cast<unsigned char>(text[0]));
    g_linestart = 0;  // the first is no space, so it clears the state for the rest
    while (n > 0) {
        if (g_wslen >= kWorkspaceSize - 1) ddlout_flush();
        // As many as ddlout_addchar would add before its next flush.
        size_t k = g_wslen <= kFlushAbove ? static_cast<size_t>(kFlushAbove + 1 - g_wslen) : 1;
        if (k > n) k = n;
        // Whole blocks: the workspace has room to spare after its end, and
        // the text may be read past its end.
        for (size_t i = 0; i < k; i += 16) bytescan::copy16(g_ws + g_wslen + i, text + i);
        g_wslen += static_cast<int>(k);
        g_ws[g_wslen] = '\0';
        g_column += static_cast<int>(k);
        text += k;
        n -= k;
        if (g_wslen > kFlushAbove) ddlout_flush();
    }
}

void ddlout_addstring(const char* format, ...)
{
    if (g_suppressed) return;
    char* buf = static_cast<char*>(mem_claim(kScratchSize));
    if (!buf) return;
    va_list ap;
    va_start(ap, format);
    int n = ddl_vformat(buf, kScratchSize, format, ap);
    va_end(ap);
    if (n < 0) n = 0;
    if (n >= kScratchSize) n = static_cast<int>(std::strlen(buf));
    if (n >= kWorkspaceSize) {
        show_message(
            "Unexpected error: printf style string passed to ddlout_addstring() would overflow "
            "workspace - dropping it on the floor...");
        show_message("String \"%s\", length %d.", buf, n);
        mem_release(buf);
        return;
    }
    for (int i = 0; i < n; ++i)
        if (is_control(static_cast<unsigned char>(buf[i]))) buf[i] = ' ';
    if (g_pendingspace && n > 0) {
        // The workspace is empty while a space waits: the two fit unless
        // the text fills the line alone.
        if (n + 1 < kWorkspaceSize)
            take_pending(static_cast<unsigned char>(buf[0]));
        else
            g_pendingspace = 0;
    }
    if (g_wslen + n >= kWorkspaceSize) ddlout_flush();
    std::memcpy(g_ws + g_wslen, buf, n);
    g_wslen += n;
    g_ws[g_wslen] = '\0';
    g_column += n;
    mem_release(buf);
}

void ddlout_flush()
{
    if (g_suppressed || g_wslen == 0) return;
    unsigned char only = static_cast<unsigned char>(g_ws[0]);
    if (g_wslen == 1 && (only == ' ' || only == 0xA0)) {
        if (g_keepspaces) g_pendingspace = only;
        g_wslen = 0;
        g_ws[0] = '\0';
        return;
    }
    write_quoted();
    g_wslen = 0;
    g_ws[0] = '\0';
}

void ddlout_commandn(const char* text, size_t n)
{
    ddlout_flush();
    if (!is_open()) return;
    put_bytes(text, n);
    put('\n');
}

void ddlout_break(int kind)
{
    ddlout_flush();
    g_pendingspace = 0;  // a line never starts with the space before its break
    ddlout_command(kind != DDL_NEWLINE ? "{newpara}" : "{newline}");
    g_linestart = 1;
    g_column = 0;
    g_lastwritten = ' ';
}

void ddlout_setlinestart(int on)
{
    g_linestart = on;
    if (on) g_pendingspace = 0;
}
void ddlout_setkeepspaces(int on)
{
    g_keepspaces = on != 0;
    g_pendingspace = 0;
}
void ddlout_setsmartquotes(int on) { g_smartquotes = on != 0; }
void ddlout_suppress(int on)
{
    g_suppressed = on;
    if (on) g_pendingspace = 0;
}

void ddlout_bracketed(const char* text, bool italic)
{
    if (italic) ddlout_command("{italic 0}");
    ddlout_addstring(" [ ");
    ddlout_command("{italic 1}");
    ddlout_addstring("%s", text);
    ddlout_command("{italic 0}");
    ddlout_addstring(" ] ");
    if (italic) ddlout_command("{italic 1}");
}

void ddlout_tab()
{
    g_linestart = 0;
    int spaces = (g_column / 8 + 1) * 8 - g_column;
    for (int i = 0; i < spaces; ++i) ddlout_addchar(' ');
}

void ddlout_strikeout(int on)
{
    if (!on) {
        ddlout_command("{strikeout 0}");
        return;
    }
    ddlout_flush();
    ddlout_templateline(template_strikeout());
}

void ddlout_finish() { ddlout_copysection(template_position(SEC_CHAP_FINISH)); }

void ddlout_directbytes(const char* data, size_t n)
{
    if (n && is_open()) put_bytes(data, n);
}

void ddlout_directchar(int ch)
{
    if (is_open()) put(ch);
}

void ddlout_directf(const char* format, ...)
{
    if (!is_open()) return;
    char small[512];
    va_list ap;
    va_start(ap, format);
    int n = ddl_vformat(small, sizeof small, format, ap);
    va_end(ap);
    if (n < 0) return;
    if (static_cast<size_t>(n) < sizeof small) {
        put_bytes(small, static_cast<size_t>(n));
        return;
    }
    // Longer than the line buffer (a comment line quoting a long tag): formatted
    // again at its full length.
    std::vector<char> big(static_cast<size_t>(n) + 1);
    va_start(ap, format);
    ddl_vformat(big.data(), big.size(), format, ap);
    va_end(ap);
    put_bytes(big.data(), static_cast<size_t>(n));
}

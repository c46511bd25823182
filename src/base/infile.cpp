#include "base/infile.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "base/platform.h"
#include "base/charset.h"
#include "base/bytescan.h"
#include "base/failinject.h"
#include "base/messages.h"

namespace infile_detail {
const unsigned char* cur = nullptr;
const unsigned char* end = nullptr;
}  // namespace infile_detail

namespace {

const int kBufferSize = 1 << 16;
const int kPushBack = 4;

FILE* g_in = nullptr;
std::string g_path;  // for the read error's message
// With bytes to spare after the buffer, for the readers that take blocks
// of sixteen.
unsigned char g_buf[kBufferSize + infile_slack];
int g_len = 0;  // bytes in g_buf
long long g_bufstart = 0;  // file position of g_buf[0]
int g_pushed[kPushBack];
bool g_charsets = false;
// The identity of the file opened, kept when its transcoded copy is read.
PlatformFileId g_id;
bool g_hasid = false;
const char* g_reason = "";  // why the last open failed

// An input whose first block holds no byte above 127 (and no mark) is read
// as it is until a block with one is read (refill); it is transcoded then,
// from its start. The bytes before that block are ASCII, the same in the
// copy, so every position handed out stays right.
struct PendingInput {
    bool on = false;
    bool known = false;  // declared
    Charset cs = CHARSET_WIN1252;
    bool script = false;
    long long ascii = 0;  // the bytes from the start known to be ASCII
} g_pending;
int g_npushed = 0;

using infile_detail::cur;
using infile_detail::end;

// While bytes are pushed back, the fast path is closed (cur == end) so that
// every read comes here; the buffer position is kept in g_resume.
const unsigned char* g_resume = nullptr;

void reset_buffer(long long pos)
{
    g_bufstart = pos;
    g_len = 0;
    cur = end = g_buf;
    g_resume = nullptr;
    g_npushed = 0;
}

// A read that fails ends the run: what was read is no whole input.
[[noreturn, gnu::cold, gnu::noinline]] void read_failed(int err)
{
    fatal_message(10, "Couldn't read input file \"%s\" (%s).", g_path.c_str(), std::strerror(err ? err : EIO));
}

void check_block();

// Up to n bytes of the input into `into`; a read error ends the run.
size_t read_block(unsigned char* into, size_t n)
{
    size_t got = std::fread(into, 1, n, g_in);
    if (got == 0 && std::ferror(g_in)) read_failed(errno);
    return got;
}

bool refill()
{
    if (!g_in) return false;
    g_bufstart += g_len;
    g_len = static_cast<int>(read_block(g_buf, kBufferSize));
    if (QUILLET_INJECT("QUILLET_FAIL_READ")) {
        g_len = 0;
        read_failed(EIO);
    }
    if (g_pending.on) check_block();
    cur = g_buf;
    end = g_buf + g_len;
    return g_len > 0;
}

// The transcoder's output for one buffer of input.
unsigned char g_out[Transcoder::kGrowth * kBufferSize + Transcoder::kGrowth];

// A temporary copy that cannot be made or written is the temporary
// folder's fault (full, missing, not writable), not the input's.
[[noreturn, gnu::cold, gnu::noinline]] void spool_failed(std::FILE* t, int err)
{
    if (t) std::fclose(t);
    fatal_message(10, "Couldn't write a temporary copy of \"%s\" in \"%s\" (%s).", g_path.c_str(),
                  platform_tempfolder().c_str(), std::strerror(err ? err : EIO));
}

// A stream that can be read only once (standard input, a pipe, a
// terminal) as a temporary file holding its bytes, positioned at its start.
std::FILE* spool(std::FILE* in)
{
    platform_setbinary(in);
    std::FILE* t = platform_tempfile();
    if (!t) spool_failed(nullptr, errno);
    size_t n;
    while ((n = std::fread(g_buf, 1, kBufferSize, in)) > 0)
        if (std::fwrite(g_buf, 1, n, t) != n) spool_failed(t, errno);
    if (std::ferror(in)) {
        int err = errno;
        std::fclose(t);
        read_failed(err);
    }
    if (std::fflush(t) != 0 || std::fseek(t, 0, SEEK_SET) != 0) spool_failed(t, errno);
    return t;
}

// Replaces the input by its text in host bytes (the bytes after a mark of
// `skip` bytes, read as cs).
void transcode(Charset cs, size_t skip, bool script)
{
    std::FILE* t = platform_tempfile();
    if (!t) spool_failed(nullptr, errno);
    if (platform_seek(g_in, static_cast<long long>(skip), SEEK_SET) != 0) {
        std::fclose(t);
        read_failed(errno);
    }
    Transcoder tr(cs, script);
    size_t carry = 0;
    for (;;) {
        size_t got = read_block(g_buf + carry, kBufferSize - carry);
        bool last = got == 0;
        size_t avail = carry + got;
        size_t produced;
        size_t used = tr.decode(g_buf, avail, last, g_out, &produced);
        if (produced && std::fwrite(g_out, 1, produced, t) != produced) spool_failed(t, errno);
        carry = avail - used;
        std::memmove(g_buf, g_buf + used, carry);
        if (last) break;
    }
    if (std::fflush(t) != 0 || std::fseek(t, 0, SEEK_SET) != 0) spool_failed(t, errno);
    charset_addunmapped(tr.unmapped());
    std::fclose(g_in);
    g_in = t;
}

// Undeclared, the input is UTF-8 when all of it is.
void choose_and_transcode(Charset cs, bool known, bool script)
{
    if (!known) {
        if (platform_seek(g_in, 0, SEEK_SET) != 0) read_failed(errno);
        Utf8Check check;
        size_t n;
        while (check.possible() && (n = read_block(g_buf, kBufferSize)) > 0) check.feed(g_buf, n);
        cs = check.result() ? CHARSET_UTF8 : CHARSET_WIN1252;
    }
    transcode(cs, 0, script);
}

// Reads the open input into the host set when it needs it (see
// infile_setcharsets).
void decode_input(bool script)
{
    g_pending.on = false;
    g_hasid = platform_fileid(g_in, &g_id);
    size_t n = read_block(g_buf, kBufferSize);
    Charset cs = CHARSET_WIN1252;
    size_t skip = charset_bom(g_buf, n, &cs);
    if (skip) {
        transcode(cs, skip, script);
        return;
    }
    bool known = false;
    char name[64];
    if (charset_declared(g_buf, n, name, sizeof name)) {
        known = true;
        if (!charset_fromname(name, &cs)) {
            show_message("The page's character set \"%s\" is not supported; its text is read as Windows-1252.", name);
            cs = CHARSET_WIN1252;
        }
    }
    if (bytescan::ascii_prefix(g_buf, n) < n) {
        choose_and_transcode(cs, known, script);
        return;
    }
    g_pending.on = true;
    g_pending.known = known;
    g_pending.cs = cs;
    g_pending.script = script;
    g_pending.ascii = 0;
    if (platform_seek(g_in, 0, SEEK_SET) != 0) read_failed(errno);
}

void switch_input();

// A block read while the input waits: one with a byte above 127 has the
// input transcoded and the block read again from the copy. The bytes from
// the start known to be ASCII are not tested again; once they reach the
// end, nothing is left to wait for.
void check_block()
{
    if (g_len == 0) {
        if (g_bufstart <= g_pending.ascii) g_pending.on = false;
        return;
    }
    long long upto = g_bufstart + g_len;
    if (upto <= g_pending.ascii) return;
    size_t from = g_pending.ascii > g_bufstart ? static_cast<size_t>(g_pending.ascii - g_bufstart) : 0;
    size_t n = static_cast<size_t>(g_len) - from;
    if (bytescan::ascii_prefix(g_buf + from, n) < n) {
        switch_input();
        return;
    }
    if (g_bufstart <= g_pending.ascii) g_pending.ascii = upto;
}

void switch_input()
{
    g_pending.on = false;
    choose_and_transcode(g_pending.cs, g_pending.known, g_pending.script);
    if (platform_seek(g_in, g_bufstart, SEEK_SET) != 0) read_failed(errno);
    g_len = static_cast<int>(read_block(g_buf, kBufferSize));
}

// The position in the buffer, whether or not the fast path is open.
const unsigned char* position() { return g_npushed ? g_resume : cur; }

}  // namespace

int infile_detail::slow_getc()
{
    if (g_npushed > 0) {
        int c = g_pushed[--g_npushed];
        if (g_npushed == 0) {
            cur = g_resume;
            end = g_buf + g_len;
        }
        return c;
    }
    if (!refill()) return EOF;
    return *cur++;
}

const char* infile_openreason() { return g_reason; }

bool infile_open(const char* path)
{
    infile_close();
    g_path = path;
    if (platform_isstdstream(path)) {
        g_in = spool(stdin);
    } else {
        g_in = platform_openinput(path);
        if (!g_in) g_reason = std::strerror(errno ? errno : ENOENT);
        PlatformFileKind kind = g_in ? platform_filekind(g_in) : PLATFORM_REGULAR;
        if (kind == PLATFORM_DEVICE && platform_isterminal(g_in)) kind = PLATFORM_PIPE;
        switch (kind) {
        case PLATFORM_FOLDER:  // opened, but it has no bytes to read
            infile_close();
            g_reason = "it is a folder";
            return false;
        case PLATFORM_DEVICE:  // /dev/zero would never end
            infile_close();
            g_reason = "it is a device";
            return false;
        case PLATFORM_PIPE: {  // read twice: its bytes are kept
            FILE* copy = spool(g_in);
            std::fclose(g_in);
            g_in = copy;
            break;
        }
        default: break;
        }
    }
    charset_resetunmapped();
    if (g_in && g_charsets) decode_input(false);
    reset_buffer(0);
    return g_in != nullptr;
}

bool infile_openfile(std::FILE* f, const char* path)
{
    infile_close();
    g_path = path;
    g_in = f;
    if (g_in && g_charsets) decode_input(true);
    reset_buffer(0);
    return g_in != nullptr;
}

void infile_setcharsets(bool on) { g_charsets = on; }

bool infile_fileid(PlatformFileId* id)
{
    if (g_in && g_hasid) {
        *id = g_id;
        return true;
    }
    return g_in && platform_fileid(g_in, id);
}

void infile_close()
{
    if (g_in) std::fclose(g_in);
    g_in = nullptr;
    g_hasid = false;
    g_pending.on = false;
    reset_buffer(0);
}

void infile_ungetc(int c)
{
    if (c == EOF || g_npushed >= kPushBack) return;
    if (g_npushed == 0) {
        g_resume = cur;
        cur = end = g_buf;  // close the fast path
    }
    g_pushed[g_npushed++] = c & 0xFF;
}

int infile_peek()
{
    int c = infile_getc();
    infile_ungetc(c);
    return c;
}

long long infile_length()
{
    if (!g_in) return 0;
    platform_seek(g_in, 0, SEEK_END);
    long long n = platform_tell(g_in);
    platform_seek(g_in, 0, SEEK_SET);
    reset_buffer(0);
    return n < 0 ? 0 : n;
}

void infile_rewind() { infile_seek(0); }

long long infile_tell() { return g_bufstart + static_cast<long long>(position() - g_buf) - g_npushed; }

void infile_seek(long long pos)
{
    if (!g_in) return;
    platform_seek(g_in, pos, SEEK_SET);
    reset_buffer(pos);
}

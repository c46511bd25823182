#include "base/infile.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "base/platform.h"
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

bool refill()
{
    if (!g_in) return false;
    g_bufstart += g_len;
    g_len = static_cast<int>(std::fread(g_buf, 1, kBufferSize, g_in));
    if (QUILLET_INJECT("QUILLET_FAIL_READ")) {
        g_len = 0;
        read_failed(EIO);
    }
    if (g_len == 0 && std::ferror(g_in)) read_failed(errno);
    cur = g_buf;
    end = g_buf + g_len;
    return g_len > 0;
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

bool infile_open(const char* path)
{
    infile_close();
    g_path = path;
    if (platform_isstdstream(path)) {
        g_in = platform_spool(stdin);
        if (!g_in) read_failed(errno);
    } else {
        g_in = std::fopen(path, "rb");
        switch (g_in ? platform_filekind(g_in) : PLATFORM_REGULAR) {
        case PLATFORM_FOLDER:  // opened, but it has no bytes to read
            infile_close();
            return false;
        case PLATFORM_PIPE: {  // read twice: its bytes are kept
            FILE* spool = platform_spool(g_in);
            int err = errno;
            std::fclose(g_in);
            g_in = spool;
            if (!g_in) read_failed(err);
            break;
        }
        default: break;
        }
    }
    reset_buffer(0);
    return g_in != nullptr;
}

bool infile_openfile(std::FILE* f, const char* path)
{
    infile_close();
    g_path = path;
    g_in = f;
    reset_buffer(0);
    return g_in != nullptr;
}

bool infile_fileid(PlatformFileId* id) { return g_in && platform_fileid(g_in, id); }

void infile_close()
{
    if (g_in) std::fclose(g_in);
    g_in = nullptr;
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

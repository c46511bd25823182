#include "run/infile.h"

namespace {

const int kBufferSize = 1 << 16;
const int kPushBack = 4;

FILE* g_in = nullptr;
unsigned char g_buf[kBufferSize];
int g_pos = 0;
int g_len = 0;
long g_bufstart = 0;  // file position of g_buf[0]
int g_pushed[kPushBack];
int g_npushed = 0;

bool refill()
{
    if (!g_in) return false;
    g_bufstart += g_len;
    g_len = static_cast<int>(std::fread(g_buf, 1, kBufferSize, g_in));
    g_pos = 0;
    return g_len > 0;
}

void reset_buffer(long pos)
{
    g_bufstart = pos;
    g_len = 0;
    g_pos = 0;
    g_npushed = 0;
}

}  // namespace

bool infile_open(const char* path)
{
    infile_close();
    g_in = std::fopen(path, "rb");
    reset_buffer(0);
    return g_in != nullptr;
}

bool infile_isopen() { return g_in != nullptr; }

void infile_close()
{
    if (g_in) std::fclose(g_in);
    g_in = nullptr;
    reset_buffer(0);
}

int infile_getc()
{
    if (g_npushed > 0) return g_pushed[--g_npushed];
    if (g_pos >= g_len && !refill()) return EOF;
    return g_buf[g_pos++];
}

void infile_ungetc(int c)
{
    if (c == EOF || g_npushed >= kPushBack) return;
    g_pushed[g_npushed++] = c & 0xFF;
}

int infile_peek()
{
    int c = infile_getc();
    infile_ungetc(c);
    return c;
}

long infile_length()
{
    if (!g_in) return 0;
    std::fseek(g_in, 0, SEEK_END);
    long n = std::ftell(g_in);
    std::fseek(g_in, 0, SEEK_SET);
    reset_buffer(0);
    return n < 0 ? 0 : n;
}

void infile_rewind() { infile_seek(0); }

long infile_tell()
{
    return g_bufstart + g_pos - g_npushed;
}

void infile_seek(long pos)
{
    if (!g_in) return;
    std::fseek(g_in, pos, SEEK_SET);
    reset_buffer(pos);
}

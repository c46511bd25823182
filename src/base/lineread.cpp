#include "base/platform.h"
#include "base/lineread.h"

int support_readline(FILE* f, char* buf, int limit)
{
    int n = 0;
    while (n < limit) {
        int c = std::fgetc(f);
        if (c == EOF) break;
        buf[n++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    buf[n] = '\0';
    return n == 0 ? -1 : n;
}

int support_readline_cut(FILE* f, char* buf, int limit)
{
    int n = support_readline(f, buf, limit);
    if (n < 0) return -1;
    buf[--n] = '\0';
    return n;
}

bool SupportFile::open(const std::string& path)
{
    data_.clear();
    pos_ = 0;
    FILE* f = platform_openregular(path.c_str());
    if (!f) return false;
    char chunk[1 << 16];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) data_.append(chunk, got);
    std::fclose(f);
    return true;
}

void SupportFile::seek(long pos)
{
    if (pos < 0)
        pos_ = 0;
    else
        pos_ = static_cast<size_t>(pos) > data_.size() ? data_.size() : static_cast<size_t>(pos);
}

int SupportFile::readline(char* buf, int limit)
{
    int n = 0;
    while (n < limit && pos_ < data_.size()) {
        char c = data_[pos_++];
        buf[n++] = c;
        if (c == '\n') break;
    }
    buf[n] = '\0';
    return n == 0 ? -1 : n;
}

int SupportFile::readline_cut(char* buf, int limit)
{
    int n = readline(buf, limit);
    if (n < 0) return -1;
    buf[--n] = '\0';
    return n;
}

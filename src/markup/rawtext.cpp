#include "markup/rawtext.h"

#include <cstdio>
#include <cstring>

#include "base/ascii.h"
#include "base/bytescan.h"
#include "base/infile.h"
#include "markup/tagreader.h"

namespace rawtext_detail {

namespace {

struct Name {
    const char* name;
    size_t len;
    int kind;
};
const Name kNames[] = {
    {"script", 6, RAW_SCRIPT},   {"style", 5, RAW_HIDDEN},  {"title", 5, RAW_HIDDEN},
    {"noscript", 8, RAW_HIDDEN}, {"iframe", 6, RAW_HIDDEN}, {"noembed", 7, RAW_HIDDEN},
    {"noframes", 8, RAW_HIDDEN}, {"xmp", 3, RAW_LITERAL},   {"textarea", 8, RAW_TEXT},
};

bool same(const char* a, const char* lower, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        if (ascii_lower(static_cast<int>(static_cast<unsigned char>(a[i]))) != lower[i]) return false;
    return true;
}

}  // namespace

FirstBytes::FirstBytes()
{
    for (uint8_t& b : bits) b = 0;
    for (const Name& n : kNames) {
        unsigned k = (static_cast<unsigned>(n.name[0] - 'a') * 26 + static_cast<unsigned>(n.name[1] - 'a')) * 26 +
                     static_cast<unsigned>(n.name[2] - 'a');
        bits[k / 8] = static_cast<uint8_t>(bits[k / 8] | 1u << (k % 8));
    }
}
const FirstBytes kFirst;

int kind(const char* name)
{
    size_t len = std::strlen(name);
    // A name may end in "/" under html5tags (<title/>).
    if (len > 1 && name[len - 1] == '/') --len;
    for (const Name& n : kNames)
        if (n.len == len && same(name, n.name, len)) return n.kind;
    return RAW_NONE;
}

}  // namespace rawtext_detail

namespace {

bool is_end(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '/' || c == '>'; }

// Whether the input goes on with the n lower-case bytes of `word` (any
// case) and then, with `ended`, a byte that ends a tag name. Nothing is
// taken.
bool ahead_is(const char* word, size_t n, bool ended)
{
    const unsigned char* p;
    size_t have = infile_available(&p);
    size_t want = n + (ended ? 1 : 0);
    unsigned char spare[40];
    if (have < want) {
        // At the end of the buffer, or with a byte pushed back: read and go back.
        long long pos = infile_tell();
        size_t k = 0;
        for (int c; k < want && k < sizeof spare && (c = infile_getc()) != EOF;)
            spare[k++] = static_cast<unsigned char>(c);
        infile_seek(pos);
        p = spare;
        have = k;
        if (have < want) return false;
    }
    for (size_t i = 0; i < n; ++i)
        if (ascii_lower(static_cast<int>(p[i])) != word[i]) return false;
    return !ended || is_end(p[n]);
}

void take(size_t n)
{
    while (n--) {
        int c = infile_getc();
        if (c == '\n') ++g_line;
    }
}

// Reads on to the next byte of `stops` and takes it; EOF when the input
// ends first.
template <size_t K>
int next_stop(const unsigned char (&stops)[K])
{
    for (;;) {
        const unsigned char* p;
        size_t avail = infile_available(&p);
        if (avail == 0) {
            int c = infile_getc();
            if (c == EOF) return EOF;
            if (c == '\n') ++g_line;
            for (unsigned char s : stops)
                if (c == s) return c;
            continue;
        }
        size_t at = bytescan::scan_to(p, avail, stops, false, &g_line);
        if (at < avail) {
            infile_skip(at + 1);
            return p[at];
        }
        infile_skip(avail);
    }
}

// The end-tag test after a "<" that was taken: the "<" is given back when
// the end tag follows.
bool end_follows(const char* slash_name)
{
    if (!ahead_is(slash_name, std::strlen(slash_name), true)) return false;
    infile_ungetc('<');
    return true;
}

// Script data and its escaped and double-escaped states, as the standard's
// tokenizer steps through them.
void skip_script()
{
    enum { DATA, ESCAPED, ESCAPED_DASH, ESCAPED_DASHDASH, DOUBLE, DOUBLE_DASH, DOUBLE_DASHDASH };
    static const unsigned char kLt[] = {'<'};
    static const unsigned char kDashLt[] = {'-', '<'};
    int state = DATA;
    for (;;) {
        int c;
        if (state == DATA)
            c = next_stop(kLt);
        else if (state == ESCAPED || state == DOUBLE)
            c = next_stop(kDashLt);
        else {
            c = infile_getc();
            if (c == '\n') ++g_line;
        }
        if (c == EOF) return;
        switch (state) {
        case DATA:
            // c is '<'.
            if (end_follows("/script")) return;
            if (ahead_is("!--", 3, false)) {
                take(3);
                state = ESCAPED_DASHDASH;
            }
            break;
        case ESCAPED:
        case ESCAPED_DASH:
        case ESCAPED_DASHDASH:
            if (c == '-') {
                state = state == ESCAPED ? ESCAPED_DASH : ESCAPED_DASHDASH;
            } else if (c == '<') {
                if (end_follows("/script")) return;
                state = ESCAPED;
                if (ahead_is("script", 6, true)) {
                    take(7);  // the name and the byte that ends it
                    state = DOUBLE;
                }
            } else if (c == '>' && state == ESCAPED_DASHDASH) {
                state = DATA;
            } else {
                state = ESCAPED;
            }
            break;
        default:  // the double-escaped states
            if (c == '-') {
                state = state == DOUBLE ? DOUBLE_DASH : DOUBLE_DASHDASH;
            } else if (c == '<') {
                state = DOUBLE;
                if (ahead_is("/script", 7, true)) {
                    take(8);
                    state = ESCAPED;
                }
            } else if (c == '>' && state == DOUBLE_DASHDASH) {
                state = DATA;
            } else {
                state = DOUBLE;
            }
            break;
        }
    }
}

}  // namespace

bool rawtext_atend(const char* name)
{
    char slash_name[16];
    size_t n = std::strlen(name);
    if (n > 1 && name[n - 1] == '/') --n;
    if (n + 2 > sizeof slash_name) return false;
    slash_name[0] = '/';
    for (size_t i = 0; i < n; ++i) slash_name[i + 1] = ascii_lower(name[i]);
    return ahead_is(slash_name, n + 1, true);
}

void rawtext_collect(const char* name, std::string* out, size_t limit)
{
    for (int c; (c = infile_getc()) != EOF;) {
        if (c == '\n') ++g_line;
        if (c == '<' && rawtext_atend(name)) {
            infile_ungetc('<');
            return;
        }
        if (out->size() < limit) out->push_back(static_cast<char>(c));
    }
}

void rawtext_skip(int kind, const char* name)
{
    if (kind == RAW_SCRIPT) return skip_script();
    static const unsigned char kLt[] = {'<'};
    for (;;) {
        if (next_stop(kLt) == EOF) return;
        if (rawtext_atend(name)) {
            infile_ungetc('<');
            return;
        }
    }
}

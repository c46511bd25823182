// The text of an entity reference in the page: its character through the
// entity tables, or the reference marked as unknown.
#include <cstdio>
#include <cstring>

#include "base/charset.h"
#include "base/infile.h"
#include "ddl/ddlout.h"
#include "html/handlers.h"
#include "html/preamble.h"
#include "resources/colour.h"
#include "resources/config.h"
#include "resources/entities.h"
#include "resources/html5names.h"
#include "resources/letters.h"
#include "markup/tagreader.h"

namespace {

// The longest entity name read; a longer one is written back as text.
// Under charsets the HTML5 names are read too, the longest of 31 letters.
const int kEntityNameLimit = 12;
const int kHtml5NameLimit = 32;

void unknown_marker(const char* name)
{
    if (settings.omitunknownents) return;
    ddlout_flush();
    ddlout_foregroundcolour(colour_findrgb(255, 0, 0));
    ddlout_addstring(" [&%s;] ", name);
    ddlout_flush();
    ddlout_foreground(0);
}

// Writes the host form of each code point (the second may be 0 for none);
// false, with nothing written, when one has no host form.
bool write_hostform(uint32_t first, uint32_t second)
{
    char a[4], b[4];
    int na = host_spell(first, a);
    int nb = second ? host_spell(second, b) : 0;
    if (na < 0 || nb < 0) return false;
    if (first == 9 && !second) {
        ddlout_command("{tab}");
        return true;
    }
    // Control characters are read as a space, as in the page's text.
    for (int k = 0; k < na; ++k)
        if (static_cast<unsigned char>(a[k]) < 32) a[k] = ' ';
    for (int k = 0; k < na; ++k) ddlout_addchar(static_cast<unsigned char>(a[k]));
    for (int k = 0; k < nb; ++k) ddlout_addchar(static_cast<unsigned char>(b[k]));
    return true;
}

// Up to want bytes ahead of the read position, not taken: in the input's
// buffer when it holds them, else copied to spare (and read again later
// from their place).
size_t ahead(const unsigned char** p, unsigned char* spare, size_t want)
{
    size_t n = infile_available(p);
    if (n >= want) return n;
    long long pos = infile_tell();
    size_t k = 0;
    for (int c; k < want && (c = infile_getc()) != EOF;) spare[k++] = static_cast<unsigned char>(c);
    infile_seek(pos);
    *p = spare;
    return k;
}

void take(size_t n)
{
    const unsigned char* p;
    size_t have = infile_available(&p);
    if (have >= n) {
        infile_skip(n);
        return;
    }
    while (n--) infile_getc();
}

// The last spelt letter: where its reference ended, and whether it was a
// capital (a capital at the end of a word after one is in capitals).
long long g_spelt_end = -1;
bool g_spelt_capital = false;

// Whether the text after a reference starts with a capital (1), a small
// letter (0) or no letter (-1).
int next_letter()
{
    unsigned char spare[16];
    const unsigned char* p;
    size_t n = ahead(&p, spare, sizeof spare);
    if (!n) return -1;
    unsigned char c = p[0];
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return 1;
    if ((c >= 'a' && c <= 'z') || (c >= 0xDF && c != 0xF7)) return 0;
    if (c != '&' || n < 4 || p[1] != '#') return -1;
    bool hex = p[2] == 'x' || p[2] == 'X';
    uint32_t v = 0;
    size_t i = hex ? 3 : 2;
    for (; i < n && i < 12; ++i) {
        unsigned char d = p[i];
        int x = d >= '0' && d <= '9'          ? d - '0'
                : hex && d >= 'A' && d <= 'F' ? d - 'A' + 10
                : hex && d >= 'a' && d <= 'f' ? d - 'a' + 10
                                              : -1;
        if (x < 0) break;
        v = v * (hex ? 16 : 10) + static_cast<uint32_t>(x);
    }
    if (i >= n || p[i] != ';') return -1;
    const LetterSpelling* s = letters_spelling(v);
    return s ? (s->capital ? 1 : 0) : -1;
}

void write_spelt(const LetterSpelling* s, long long at)
{
    const char* text = s->text;
    if (s->capital && std::strlen(s->text) > 1) {
        int next = next_letter();
        if (next == 1 || (next < 0 && g_spelt_capital && g_spelt_end == at)) text = s->caps;
    }
    for (const char* t = text; *t; ++t) ddlout_addchar(static_cast<unsigned char>(*t));
    g_spelt_end = infile_tell();
    g_spelt_capital = s->capital;
}

// A run of letters of one script without a host form: one marker.
void write_run(int script)
{
    LetterRun run{script, 1, 1, 0, 0};
    const size_t window = 2 * kLetterRunGap;
    for (;;) {
        unsigned char spare[2 * kLetterRunGap];
        const unsigned char* p;
        size_t n = ahead(&p, spare, window);
        if (n > window) n = window;
        bool more = letters_run(p, n, n < window, &run);
        take(run.taken);
        g_line += run.lines;
        if (!more || !run.taken) break;
    }
    charset_addunmapped(run.unmapped);
    if (settings.omitunknownents) return;
    ddlout_flush();
    ddlout_foregroundcolour(colour_findrgb(255, 0, 0));
    ddlout_addstring(" [%s: %lld character%s] ", letters_scriptname(run.script), run.letters,
                     run.letters == 1 ? "" : "s");
    ddlout_flush();
    ddlout_foreground(0);
}

// A character without a host form: its spelling, its run's marker, or the
// reference's marker.
void write_unhosted(uint32_t code, const char* name, long long at)
{
    if (const LetterSpelling* s = letters_spelling(code)) {
        write_spelt(s, at);
        return;
    }
    int script = letters_script(code);
    if (script != SCRIPT_COMMON && script != SCRIPT_INHERITED && script != SCRIPT_UNKNOWN) {
        write_run(script);
        return;
    }
    charset_addunmapped(1);
    unknown_marker(name);
}

// Under charsets: what a reference's name gives. A code from the tables,
// or the characters of a numeric reference above 255 or in 128-159 (read
// as Windows-1252 there), or of an HTML5 name; false for none.
bool charset_lookup(const char* name, int* code, uint32_t* first, uint32_t* second)
{
    *code = entity_find(name);
    if (!*code) *code = entity_find_nocase(name);
    *first = *second = 0;
    long v = entity_number(name);
    if (v >= 128 && v <= 159) {
        *code = 0;
        *first = charset_win1252(static_cast<unsigned char>(v));
        return true;
    }
    if (v > 255) {
        *code = 0;
        *first = static_cast<uint32_t>(v);
        return true;
    }
    if (v >= 0 || *code) return *code != 0;
    return html5_findname(name, first, second);
}

void charset_write(const char* name, int code, uint32_t first, uint32_t second, long long at)
{
    if (code == 9) {
        ddlout_command("{tab}");
    } else if (code) {
        ddlout_addchar(code);
    } else if (!write_hostform(first, second)) {
        if (second) {
            charset_addunmapped(1);
            unknown_marker(name);
        } else {
            write_unhosted(first, name, at);
        }
    }
}

// Under charsets: a name ends at white space, ';', '<' or the end; one
// that names nothing is read by the longest name that is read without ';'
// it starts with, and the rest is read again as text.
void charset_convert()
{
    long long at = infile_tell() - 1;  // the '&'
    unsigned char spare[kHtml5NameLimit + 1];
    const unsigned char* p;
    size_t n = ahead(&p, spare, sizeof spare);
    size_t len = 0;
    bool semicolon = false;
    while (len < n && len < static_cast<size_t>(kHtml5NameLimit)) {
        unsigned char c = p[len];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f' || c == '<') break;
        if (c == ';') {
            semicolon = true;
            break;
        }
        ++len;
    }
    char name[kHtml5NameLimit + 1];
    std::memcpy(name, p, len);
    name[len] = '\0';
    int code;
    uint32_t first, second;
    if (semicolon && charset_lookup(name, &code, &first, &second)) {
        take(len + 1);
        charset_write(name, code, first, second, at);
        return;
    }
    size_t legacy = html5_legacy(name, len);
    if (legacy) {
        take(legacy);
        name[legacy] = '\0';
        if (charset_lookup(name, &code, &first, &second)) charset_write(name, code, first, second, at);
        return;
    }
    if (semicolon) {
        take(len + 1);
        unknown_marker(name);
        return;
    }
    ddlout_addchar('&');
}

}  // namespace

void entity_convert()
{
    if (settings.charsets) {
        charset_convert();
        return;
    }
    char name[kEntityNameLimit + 1];
    int n = 0;
    bool semicolon = false;
    while (n < kEntityNameLimit) {
        int c = infile_getc();
        if (c == EOF) break;
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f') {
            infile_ungetc(' ');
            break;
        }
        if (c == ';') {
            semicolon = true;
            break;
        }
        name[n++] = static_cast<char>(c);
    }
    name[n] = '\0';

    if (semicolon) {
        int code = entity_find(name);
        if (!code) code = entity_find_nocase(name);
        if (code == 9) {
            ddlout_command("{tab}");
        } else if (code) {
            ddlout_addchar(code);
        } else {
            unknown_marker(name);
        }
        return;
    }
    if (n == 0)
        ddlout_addchar('&');
    else
        ddlout_addstring("&%s", name);
}

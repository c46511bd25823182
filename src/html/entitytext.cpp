// The text of an entity reference in the page: its character through the
// entity tables, or the reference marked as unknown.
#include <cstdio>

#include "base/charset.h"
#include "base/infile.h"
#include "ddl/ddlout.h"
#include "html/handlers.h"
#include "html/preamble.h"
#include "resources/colour.h"
#include "resources/config.h"
#include "resources/entities.h"
#include "resources/html5names.h"

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

// Under charsets: the references that the tables do not give a character
// (numeric ones above 255 or in 128-159, read as Windows-1252 there, and the
// HTML5 names) through the host mapping. False for a reference it leaves
// to the tables.
bool charset_reference(const char* name, int code)
{
    uint32_t first = 0, second = 0;
    long v = entity_number(name);
    if (v >= 128 && v <= 159) {
        first = charset_win1252(static_cast<unsigned char>(v));
    } else if (v > 255) {
        first = static_cast<uint32_t>(v);
    } else if (v >= 0 || code || !html5_findname(name, &first, &second)) {
        return false;
    }
    if (!write_hostform(first, second)) {
        charset_addunmapped(1);
        unknown_marker(name);
    }
    return true;
}

}  // namespace

void entity_convert()
{
    char name[kHtml5NameLimit + 1];
    const int limit = settings.charsets ? kHtml5NameLimit : kEntityNameLimit;
    int n = 0;
    bool semicolon = false;
    while (n < limit) {
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
        // Under charsets the longer names would reach further into the
        // text: a tag's '<' ends the name and is read as a tag.
        if (c == '<' && settings.charsets) {
            infile_ungetc(c);
            break;
        }
        name[n++] = static_cast<char>(c);
    }
    name[n] = '\0';

    if (semicolon) {
        int code = entity_find(name);
        if (!code) code = entity_find_nocase(name);
        if (settings.charsets && charset_reference(name, code)) return;
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

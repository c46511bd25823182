// The text of an entity reference in the page: its character through the
// entity tables, or the reference marked as unknown.
#include <cstdio>

#include "base/infile.h"
#include "ddl/ddlout.h"
#include "html/handlers.h"
#include "html/preamble.h"
#include "resources/colour.h"
#include "resources/config.h"
#include "resources/entities.h"

namespace {

// The longest entity name read; a longer one is written back as text.
const int kEntityNameLimit = 12;

}  // namespace

void entity_convert()
{
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
        } else if (!settings.omitunknownents) {
            ddlout_flush();
            ddlout_foregroundcolour(colour_findrgb(255, 0, 0));
            ddlout_addstring(" [&%s;] ", name);
            ddlout_flush();
            ddlout_foreground(0);
        }
        return;
    }
    if (n == 0)
        ddlout_addchar('&');
    else
        ddlout_addstring("&%s", name);
}

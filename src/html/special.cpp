// Tags that change how the driver treats the following text (script, the
// preformatted tags), the program's own <quillet> tag, <embed> and <img>.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "ddl/ddlout.h"
#include "ddl/format.h"
#include "ddl/template.h"
#include "markup/attributes.h"
#include "html/handlers.h"
#include "html/tags.h"
#include "html/special.h"
#include "html/style.h"
#include "markup/tagreader.h"
#include "pictures/pictures.h"
#include "resources/config.h"
#include "resources/fontmap.h"
#include "base/version.h"
#include "base/messages.h"
#include "base/runstate.h"

namespace {

const char* const kAuthor = "the Quillet developers";

const char* const kNotDebugBuild =
    "Can't execute %s because you are not using the debug-enabled version of !Quillet. "
    "Please read the release notes.";

void script_tag(bool closing)
{
    if (!closing) {
        g_style.script_count = 1;
        ddlout_flush();
        ddlout_suppress(1);
        return;
    }
    if (--g_style.script_count > 0) return;
    g_style.script_count = 0;
    ddlout_suppress(0);
}

// What stands between <style>, <template> or <svg> and its close is left
// out, as a script is; the same tag inside is counted, so that only the
// close of the outermost ends it. The driver gives nothing else here while
// it lasts.
void skipped_tag(int token, bool closing)
{
    StyleState& s = g_style;
    if (!closing) {
        if (s.skip_count == 0) {
            s.skip_token = token;
            ddlout_flush();
            ddlout_suppress(1);
        }
        if (s.skip_count < INT32_MAX) ++s.skip_count;
        return;
    }
    if (s.skip_count == 0 || --s.skip_count > 0) return;
    s.skip_token = 0;
    ddlout_suppress(0);
}

void plaintext_tag(bool closing)
{
    if (!closing) {
        ++g_style.pre_count;
        ++g_style.plaintext_count;
        ddlout_break(DDL_NEWLINE);
        ddlout_setlinestart(0);
        return;
    }
    if (g_style.pre_count > 0) --g_style.pre_count;
    if (g_style.plaintext_count > 0) --g_style.plaintext_count;
    if (g_style.plaintext_count > 0) return;
    ddlout_flush();
    ddlout_break(DDL_NEWLINE);
}

void pre_tag(bool closing)
{
    if (!closing) {
        ++g_style.pre_count;
        ddlout_flush();
        style_pushfont(kMonospacedFont);
        ddlout_break(DDL_NEWLINE);
        ddlout_setlinestart(0);  // leading spaces of the first line are kept
        return;
    }
    if (--g_style.pre_count > 0) return;
    g_style.pre_count = 0;
    ddlout_flush();
    style_popfont();
    ddlout_break(DDL_NEWLINE);
}

void write_textsize(int points) { ddlout_commandjoin("{textsize ", points, 0, "000}"); }

void write_leading(int leading) { ddlout_commandjoin("{leading 2 ", leading, 0, "}"); }

// The value of a template marker named by the tag, written where the text is.
void macro()
{
    ddlout_flush();
    const unsigned char* value = reinterpret_cast<const unsigned char*>(subparse_string("macro"));
    char name[8];
    int n = 0;
    if (*value == 0xA4) ++value;
    for (; *value && n < 5; ++value) {
        char c = static_cast<char>(*value);
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - ('a' - 'A'));
        name[n++] = c;
    }
    // A marker is its byte, five key characters and a closing byte.
    char line[8];
    line[0] = '\xA4';
    for (int i = 0; i < 5; ++i) line[1 + i] = i < n ? name[i] : ' ';
    line[6] = '\xA4';
    line[7] = '\0';
    ddlout_expandtemplate(line);
}

// A path, each control byte as "?".
void add_characters(const char* text)
{
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p)
        ddlout_addchar(*p < 32 || *p == 127 ? '?' : *p);
}

void quillet_tag()
{
    const char* p = g_tag.params;
    if (std::strstr(p, "fontsize")) {
        int n = special_limit(subparse_number("fontsize"), 8, 20);
        g_style.base_size = n;
        ddlout_flush();
        write_textsize(n);
    } else if (std::strstr(p, "leading")) {
        g_style.leading = special_leading(subparse_number("leading"));
        ddlout_flush();
        write_leading(g_style.leading);
    } else if (std::strstr(p, "trashtt")) {
        g_style.trashtt = 1;
    } else if (std::strstr(p, "macro")) {
        macro();
    } else if (std::strstr(p, "ddlscript")) {
        const char* s = subparse_string("ddlscript");
        ddlout_flush();
        ddlout_command(s);
    } else if (std::strstr(p, "ddlcomment")) {
        const char* s = subparse_string("ddlcomment");
        ddlout_flush();
        ddlout_directf("// %s\n", s);
    } else if (std::strstr(p, "debug on")) {
        show_message(kNotDebugBuild, "<quillet debug on>");
    } else if (std::strstr(p, "debug off")) {
        settings.debug = 0;
    } else if (std::strstr(p, "parsevars")) {
        show_message(kNotDebugBuild, "<quillet debug parsevar>");
    } else if (std::strstr(p, "config")) {
        show_message(kNotDebugBuild, "<quillet debug config>");
    } else if (std::strstr(p, "infile")) {
        add_characters(run_inputpath());
    } else if (std::strstr(p, "outfile")) {
        add_characters(run_outputpath());
    } else if (std::strstr(p, "appname")) {
        ddlout_addstring("%s", kProgramName);
    } else if (std::strstr(p, "appvers")) {
        ddlout_addstring("%s", kVersion);
    } else if (std::strstr(p, "appdate")) {
        ddlout_addstring("%s", kReleaseDate);
    } else if (std::strstr(p, "appauth")) {
        ddlout_addstring("%s", kAuthor);
    } else if (std::strstr(p, "copystr")) {
        ddlout_addstring("%s", kCopyright);
    }
}

// Words italic, brackets upright, and the italic state as it was.
void bracketed_marker(const char* text) { ddlout_bracketed(text, g_style.italic_count != 0); }

void embed_tag(bool closing)
{
    if (!settings.markembedded) return;
    if (closing) {
        style_popalign(TOK_EMBED);
        return;
    }
    subparse_align(TOK_EMBED);
    char name[32];
    ddl_format(name, sizeof name, "%s", subparse_src(1));
    unsigned size = subparse_dimensions();
    ddlout_flush();
    char marker[96];
    if (size)
        ddl_format(marker, sizeof marker, "embedded: \"%s\", %u x %u", name, size & 0xFFFFu, (size >> 16) & 0xFFFFu);
    else
        ddl_format(marker, sizeof marker, "embedded: \"%s\"", name);
    bracketed_marker(marker);
    ddlout_flush();
}

// The alignment of an <img> applies to the picture only.
void img_tag()
{
    int pushed = subparse_align(TOK_IMG);
    image_tag(g_style.italic_count);
    if (pushed) style_popalign(TOK_IMG);
}

}  // namespace

int special_limit(int n, int low, int high)
{
    if (n < low) return low;
    if (n > high) return high;
    return n;
}

int special_leading(int percent)
{
    // 655.36 held in single precision, as the leading is documented.
    return static_cast<int>(special_limit(percent, 5, 200) * 655.3599853515625);
}

void special_tag(int token, bool closing)
{
    switch (token) {
    case TOK_SCRIPT: script_tag(closing); break;
    case TOK_STYLE:
    case TOK_TEMPLATE:
    case TOK_SVG: skipped_tag(token, closing); break;
    case TOK_PLAINTEXT: plaintext_tag(closing); break;
    case TOK_PRE: pre_tag(closing); break;
    case TOK_QUILLET:
        if (!closing) quillet_tag();
        break;
    case TOK_EMBED: embed_tag(closing); break;
    case TOK_IMG:
        if (!closing) img_tag();
        break;
    default: break;
    }
}

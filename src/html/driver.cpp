#include "html/driver.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>

#include "ddl/ddlout.h"
#include "html/handlers.h"
#include "html/tags.h"
#include "html/pagestyle.h"
#include "html/preamble.h"
#include "html/style.h"
#include "css/elementstack.h"
#include "markup/rawtext.h"
#include "markup/tagreader.h"
#include "markup/textrun.h"
#include "pictures/pictures.h"
#include "resources/colour.h"
#include "base/version.h"
#include "base/platform.h"
#include "resources/config.h"
#include "resources/entities.h"
#include "base/bytescan.h"
#include "base/charset.h"
#include "base/pagefiles.h"
#include "base/infile.h"
#include "base/messages.h"
#include "base/runstate.h"
#include "script/dramaton.h"
#include "translate/translate.h"

namespace {

int g_unsupported_warned = 0;

void write_comment_line(int token)
{
    const char* slash = (g_tag.closing && !g_tag.paramlen) ? "/" : "";
    if (g_tag.found) {
        ddlout_directf("// <%s%s%s> (token %d)\n", slash, g_tag.name, g_tag.params, token);
    } else {
        ddlout_directf("// <%s%s%s> %s\n", g_tag.closing ? "/" : "", g_tag.name, g_tag.params, "(unrecognised)");
    }
}

void show_unknown()
{
    ddlout_flush();
    ddlout_foregroundcolour(colour_findrgb(255, 0, 0));
    tagreader_writemarker(g_style.italic_count == 1);
    ddlout_foreground(0);
}

}  // namespace

int read_tag()
{
    int token = tagreader_read();
    if (token == TOK_NOTHING) return TOK_NOTHING;
    const bool body = !tagreader_prebody();
    if (body && settings.includeprocessed) write_comment_line(token);
    if (!g_tag.found && body && settings.includeunknown) show_unknown();

    if (body && translate_active()) {
        if (g_tag.found) return translate_token(token);
        int t = translate_name(g_tag.name);
        return t == -1 ? 0 : t;
    }
    return token;
}

namespace {

// The handler group each token reaches, for its opening and for its
// closing tag, from the tag rows: the design's tags, and every tag.
struct TagGroups {
    unsigned char open[TOK_CLOSING] = {};
    unsigned char close[TOK_CLOSING] = {};
    // Under html5tags, inside the code tags quotes stay straight and
    // hyphens stay hyphens (the body loop reads code_count for those).
    bool code[TOK_CLOSING] = {};

    explicit TagGroups(bool html5)
    {
        if (html5)
            for (int t : {TOK_PRE, TOK_PLAINTEXT, TOK_TT, TOK_KBD, TOK_SAMP, TOK_VAR}) code[t] = true;
#define QUILLET_TAG_GROUPS(name, id, token, opening, closing, known) \
    if (html5 || QUILLET_KNOWN_##known) {                            \
        open[token] = GROUP_##opening;                               \
        close[token] = GROUP_##closing;                              \
    }
#define QUILLET_ALIAS_GROUPS(name, id, known)
#define QUILLET_KNOWN_DESIGN true
#define QUILLET_KNOWN_HTML5 false
        QUILLET_HTML_TAGS(QUILLET_TAG_GROUPS, QUILLET_ALIAS_GROUPS)
#undef QUILLET_TAG_GROUPS
#undef QUILLET_ALIAS_GROUPS
#undef QUILLET_KNOWN_DESIGN
#undef QUILLET_KNOWN_HTML5
    }
};
const TagGroups kDesignGroups(false);
const TagGroups kHtml5Groups(true);
// The groups in force, chosen when the conversion starts.
const TagGroups* g_groups = &kDesignGroups;

// The driver's own tags.
void driver_tag(int t, bool closing)
{
    switch (t) {
    case TOK_BODY:
        // Under html5tags what follows </body> is still the body's, as
        // browsers read it.
        if (closing) ddlout_flush();
        ddlout_suppress(closing && !settings.html5tags ? 1 : 0);
        break;
    case TOK_BR:
        ddlout_flush();
        ddlout_break(DDL_NEWLINE);
        break;
    case TOK_DRAMATON:
        if (!closing) dramaton_convert();
        break;
    default: break;
    }
}

// Calls the handler of the group for token t (without the closing offset).
void run_group(unsigned char group, int t, bool closing)
{
    switch (group) {
    case GROUP_DRIVER: driver_tag(t, closing); break;
    case GROUP_LINKS: links_tag(closing); break;
    case GROUP_EFFECTS: effects_tag(t, closing); break;
    case GROUP_FONTS: fonts_tag(t, closing); break;
    case GROUP_BLOCKS: blocks_tag(t, closing); break;
    case GROUP_SPECIAL: special_tag(t, closing); break;
    case GROUP_TABLES: tables_tag(t, closing); break;
    default: break;  // meta, nobr, title, span and unused tokens
    }
}

// The writer makes quotes typographic when it writes a line, so the text
// before the tag is written out before the setting changes.
void code_tag(bool closing)
{
    int32_t& count = g_style.code_count;
    if (closing) {
        if (count == 0) return;
        --count;
    } else if (count < INT32_MAX) {
        ++count;
    }
    ddlout_flush();
    ddlout_setsmartquotes(settings.usesmartquotes && count == 0);
}

// t is below TOK_CLOSING. Inside a left-out tag (html5tags) only that
// tag's own opening and closing count.
inline void dispatch_tag(int t, bool closing)
{
    if (t < 0) return;  // a translate script's token before every tag
    if (g_style.skip_count && t != g_style.skip_token) return;
    const TagGroups& groups = *g_groups;
    if (groups.code[t]) code_tag(closing);
    run_group(closing ? groups.close[t] : groups.open[t], t, closing);
}

void dispatch(int t)
{
    if (t == 0) {
        if (settings.warnunsupported && !g_unsupported_warned && keyword_lookup(kUnsupportedKeywords, g_tag.name)) {
            show_message(
                "Encountered unsupported HTML command <%s>. This command usually affects the  "
                "document layout, so your converted document may not look entirely as it was "
                "intended.",
                g_tag.name);
            g_unsupported_warned = 1;
        }
        return;
    }
    if (t < TOK_CLOSING) {
        if (!g_style.script_count) dispatch_tag(t, false);
        return;
    }
    t -= TOK_CLOSING;
    if (t >= TOK_CLOSING) return;  // a translate script's token past every tag
    if (g_style.script_count && t != TOK_SCRIPT) return;
    dispatch_tag(t, true);
}

bool is_white(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// A control byte of the text (below 32 other than tab, line feed and
// carriage return, and 127) is read as a space.
bool is_control(int c) { return (c < 32 && !is_white(c)) || c == 127; }

// What each character is to the body loop: 1 plain (given straight to the
// workspace, in and out of preformatted text alike), 2 the space, 0 any
// other (handled by the loop itself); and the character it is read as.
struct PlainTable {
    unsigned char kind[256];
    unsigned char read_as[256];
    PlainTable()
    {
        for (int c = 0; c < 256; ++c) {
            kind[c] = (!is_white(c) && !is_control(c) && c != '&' && c != '-' && c != '<') ? 1 : 0;
            read_as[c] = static_cast<unsigned char>(is_control(c) ? ' ' : c);
        }
        kind[static_cast<unsigned char>(' ')] = 2;
    }
};
const PlainTable kPlain;

// After a plain character: the plain characters and spaces that follow it
// in the input buffer, as far as the loop below would give each of them to
// the workspace unchanged, go there in one call. Outside preformatted text
// that is single spaces only (a second one would be dropped). Returns the
// last character added.
int add_plainrun(int c, bool pre)
{
    ddlout_addchar(c);
    // (Tab, line feed and carriage return stop a run as control bytes do.)
    static const unsigned char stops[] = {'&', '-', '<'};
    int last = c;
    textrun_take(kPlain.kind, stops, !pre, &last);
    return last;
}

// Under html5tags: the shown raw-text element (xmp, textarea) being read,
// whose content is text up to its own end tag.
struct RawShown {
    char name[32] = {};
    bool on = false;
    bool literal = false;  // references are text too (xmp)
};
RawShown g_raw;

// The element just opened is hidden by the page's style: it is read past
// with everything in it, its tags read and none dispatched. Returns
// TOK_NOTHING, or the token of a start tag that ended it by implication
// (an open <p> ends at the next block), which is then read as any tag.
int skip_hidden()
{
    std::string name = pagestyle_tagname();
    if (ElementStack::is_void(name)) return TOK_NOTHING;
    ElementStack inside;
    CssElement root;
    root.name = name;
    inside.open(root);
    while (tagreader_skiptotag()) {
        int t = read_tag();
        if (t == TOK_NOTHING) continue;
        CssElement e;
        e.name = pagestyle_tagname();
        if (g_tag.closing) {
            inside.close(e.name);
            if (inside.depth() == 0) {
                pagestyle_closes();
                return TOK_NOTHING;
            }
            continue;
        }
        size_t depth = inside.depth();
        if (inside.open(e) >= depth) return t;
        int kind = settings.html5tags ? rawtext_kind(g_tag.name) : RAW_NONE;
        if (kind != RAW_NONE) rawtext_skip(kind == RAW_SCRIPT ? RAW_SCRIPT : RAW_HIDDEN, g_tag.name);
    }
    return TOK_NOTHING;
}

// A tag in the body: under html5tags the content of a raw-text element
// that the tag opens is read past or read as text; under css, an element
// the page's style hides is left out.
void body_tag()
{
    int t = read_tag();
    if (g_raw.on && t != TOK_NOTHING) g_raw.on = false;  // its end tag
    // Without rules only a start tag's own attributes can hide it.
    if (settings.css && t != TOK_NOTHING && (pagestyle_hasrules() || (!g_tag.closing && g_tag.paramlen > 0))) {
        if (g_tag.closing)
            pagestyle_closes();
        else
            while (t != TOK_NOTHING && !g_tag.closing && pagestyle_hides()) t = skip_hidden();
        if (t == TOK_NOTHING) return;
    }
    dispatch(t);
    if (!settings.html5tags || t == TOK_NOTHING || g_tag.closing) return;
    int kind = rawtext_kind(g_tag.name);
    if (kind == RAW_NONE) return;
    if (kind == RAW_SCRIPT || kind == RAW_HIDDEN) {
        rawtext_skip(kind, g_tag.name);
        return;
    }
    std::memcpy(g_raw.name, g_tag.name, sizeof g_raw.name);
    g_raw.on = true;
    g_raw.literal = kind == RAW_LITERAL;
}

void body_loop()
{
    int prev = ' ';  // white space at the start of the body gives no space
    for (;;) {
        int c = infile_getc();
        if (c == EOF) break;
        if (c == '\n') ++g_line;
        c = kPlain.read_as[c];
        bool pre = g_style.pre_count || g_style.plaintext_count;
        if (pre) {
            if (c == '\n') {
                ddlout_break(DDL_NEWLINE);
                ddlout_setlinestart(0);
                continue;
            }
            if (c == '\r') continue;
            if (c == '\t') {
                ddlout_tab();
                continue;
            }
            if (c == ' ') {
                ddlout_addchar(' ');
                continue;
            }
        } else if (is_white(c)) {
            if (!is_white(prev)) ddlout_addchar(' ');
            prev = ' ';
            continue;
        }
        switch (c) {
        case '&':
            if (g_raw.on && g_raw.literal)
                ddlout_addchar('&');
            else
                entity_convert();
            break;
        case '-': ddlout_addchar(settings.nonbreakhyphens && !g_style.code_count ? 0xAD : '-'); break;
        case '<':
            if (g_raw.on && !rawtext_atend(g_raw.name))
                ddlout_addchar('<');
            else
                body_tag();
            break;
        default: c = add_plainrun(c, pre); break;
        }
        if (!pre) prev = c;
    }
}

// Whether the input begins as every output of this program does: such a
// file is never read as a page (it would most likely be replaced by its
// own conversion). The input is left at its start.
bool is_ddl()
{
    static const char kMark[] = "//->DDL";
    bool same = true;
    for (const char* m = kMark; *m && same; ++m) same = infile_getc() == static_cast<unsigned char>(*m);
    infile_rewind();
    return same;
}

// Whether the input holds a NUL byte (a page read without its character
// set, such as UTF-16 without its mark, is no fragment).
bool has_nul()
{
    infile_rewind();
    for (;;) {
        const unsigned char* p;
        size_t n = infile_available(&p);
        if (n == 0) {
            int c = infile_getc();
            if (c == EOF) return false;
            if (c == 0) return true;
            continue;
        }
        if (std::memchr(p, 0, n)) return true;
        infile_skip(n);
    }
}

}  // namespace

void driver_dispatch(int token) { dispatch(token); }

void convert_html()
{
    g_groups = settings.html5tags ? &kHtml5Groups : &kDesignGroups;
    style_createstacks();
    translate_sethooks(driver_dispatch, style_optiontest);

    if (!infile_open(run_inputpath()))
        fatal_message(10, "Couldn't open %s file \"%s\" (%s).", "input", run_inputpath(), infile_openreason());
    if (is_ddl())
        fatal_message(1,
                      "The input file \"%s\" is a DDL file, not an HTML page: were the input and output names "
                      "swapped?",
                      run_inputpath());
    g_line = 1;
    ddlout_openrun();

    g_style.base_alignment = settings.justified ? 3 : 0;
    g_style.align_stack[0] = g_style.base_alignment;
    g_style.alignkey_stack[0] = 0;
    g_style.align_depth = 1;

    if (infile_getc() == 0xB8) {
        show_message(
            "This file appears to be an ENCODED Dramaton file. Sorry, but as %s is a filter and "
            "not a Dramaton viewer, it does not support encoded data. Please ask for an unencoded "
            "version of the script if you wish to format it using %s...",
            kProgramName, kProgramName);
        ddlout_abandon(11);
    }
    long long length = infile_length();
    if (length < 16) {
        if (length == 0)
            show_message("This file is empty! Aborting process.");
        else
            show_message(
                "This file is only %d bytes long, it is too short to be a valid HTML file. "
                "Aborting process.",
                static_cast<int>(length));
        ddlout_abandon(1);
    }

    tagreader_setprebody(1);
    if (settings.pictures) pagefile_setpage(run_inputpath(), config_resourcefolders());
    if (!settings.processblind) firstpass_run();
    infile_rewind();
    g_line = 1;

    bool found = false;
    bool any_tag = false;
    g_raw = RawShown();
    while (tagreader_skiptotag()) {
        int t = read_tag();
        if (t == TOK_BODY) {
            found = true;
            break;
        }
        if (settings.html5tags && t != TOK_NOTHING && !g_tag.closing) {
            int kind = rawtext_kind(g_tag.name);
            if (kind != RAW_NONE) rawtext_skip(kind, g_tag.name);
        }
        any_tag = any_tag || (t != TOK_NOTHING && g_tag.found);
        if (t == TOK_DRAMATON) dramaton_convert();
    }
    if (!found && any_tag && settings.html5tags && !has_nul()) {
        // A fragment: the body is taken to begin at the start of the input.
        infile_rewind();
        g_line = 1;
        found = true;
    }
    if (!found) {
        show_message(
            "Reached end of file without finding '<body>', this file does not seem to be an HTML "
            "document. Abandoning process...");
        ddlout_abandon(1);
    }

    ddlout_header();
    ddlout_suppress(0);
    tagreader_setprebody(0);
    ddlout_foreground(1);

    body_loop();

    ddlout_flush();
    ddlout_finish();
    infile_close();
    charset_reportunmapped();
    if (settings.pictures) image_reportlost();
    ddlout_commit();
}

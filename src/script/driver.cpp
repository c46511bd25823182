// The script converter's driver: the hand-over from the HTML side, the
// script preamble, the main loop and the dispatch of commands.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ddl/ddlout.h"
#include "ddl/template.h"
#include "html/tagreader.h"
#include "platform/platform.h"
#include "resources/config.h"
#include "run/bytescan.h"
#include "run/infile.h"
#include "run/memtrace.h"
#include "run/messages.h"
#include "run/runstate.h"
#include "script/dramaton.h"
#include "script/script.h"

namespace {

const int kParamLimit = 511;

int g_begun = 0;
int g_lasttoken = 0;
int g_headingwritten = 0;

void exit_handler()
{
    dramaton_releasecast();
    dramaton_releasescenes();
    dramaton_releaseignorelist();
    dramaton_releasecontinue();
}

void write_preamble()
{
    ddlout_direct("//->DDL\n");
    ddlout_directf("// Produced by DRAMATON : %s v%s (%s)\n", "QuilletW", "0.48WIN", "25th August 2005");
    ddlout_direct("// WINDOWS EXECUTABLE VERSION\n");
    ddlout_directf("// %s\n", "Copyright (c) 2005 the Quillet developers");
    std::vector<char> name(std::strlen(run_inputpath()) + 1);
    ddl_cleanname(name.data(), name.size(), run_inputpath());
    ddlout_directf("//\n//\n// Input file \"%s\"\n// [DRAMATON mode]\n//\n\n//\n\n", name.data());
    ddlout_direct("DOC={document}\n\n");
    ddlout_direct("// standard colours\n");
    ddlout_direct("COL_001={colour \"Black\" {cmyk 0x0 0x0 0x0 0x10000}{lock 1}}\n");
    ddlout_direct("COL_002={colour \"White\" {rgb 0x10000 0x10000 0x10000}{lock 1}}\n");
    ddlout_direct("COL_003={colour \"Transparent\" {rgb 0x10000 0x10000 0x10000}{transparent 1}}\n");
    ddlout_direct("\n");
    ddlout_direct("// standard fonts\n");
    ddlout_direct("FONT_001={font \"Trinity.Medium\"}\n");
    ddlout_direct("FONT_011={font \"Homerton.Medium\"}\n");
    ddlout_direct("FONT_021={font \"Corpus.Medium\"}\n");
    ddlout_direct("\n");
    ddlout_copysection(template_position(SEC_GENPREF));
    ddlout_copysection(kDrmstylePosition);
    ddlout_copysection(template_position(SEC_CHAP_A4PRE));
    ddlout_copysection(template_position(SEC_CHAP_A4POST));
}

bool is_space(int c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; }

// A control byte of the text (below 32 other than tab, line feed and
// carriage return, and 127) is read as a space.
bool is_control(int c) { return (c < 32 && !is_space(c)) || c == 127; }

// What each character is to the main loop: 1 written and counted as it
// stands, 2 the space, 0 any other; and the character it is read as.
struct TextTable {
    unsigned char kind[256];
    unsigned char read_as[256];
    TextTable()
    {
        for (int c = 0; c < 256; ++c) {
            kind[c] = (!is_space(c) && !is_control(c) && c != '#' && c != '-' && c != '<' && c != '\\') ? 1 : 0;
            read_as[c] = static_cast<unsigned char>(is_control(c) ? ' ' : c);
        }
        kind[static_cast<unsigned char>(' ')] = 2;
    }
};
const TextTable kText;

// After a character of the first kind: those that follow it in the input
// buffer, and single spaces between them, go to the workspace in one call
// and are counted for the speaker, as the loop would do one by one. Returns
// the last character taken.
int add_textrun(int c)
{
    ddlout_addchar(c);
    const unsigned char* p;
    size_t avail = infile_available(&p);
    size_t n = 0;
    // Tested without branching on the character, which words and spaces
    // would make unpredictable.
    unsigned spacebefore = 0;
    // Sixteen bytes at a time first, as far as the loop would go.
    // (Tab, line feed and carriage return stop it as control bytes do.)
    static const unsigned char stops[] = {'#', '-', '<', '\\'};
    bool stopped = false;
    unsigned space_last = 0;
    n = bytescan::run_blocks(p, avail, stops, true, &stopped, &space_last);
    if (stopped) avail = n;
    else spacebefore = space_last;
    for (; n < avail; ++n) {
        unsigned kind = kText.kind[p[n]];
        unsigned space = kind >> 1;
        if ((kind == 0) | (space & spacebefore)) break;
        spacebefore = space;
    }
    int last = c;
    if (n) {
        ddlout_addtext(reinterpret_cast<const char*>(p), n);
        infile_skip(n);
        last = p[n - 1];
    }
    dramaton_countspeech(static_cast<unsigned>(n) + 1);
    return last;
}

// Runs a command read by the main loop; the last token is updated after
// the command, so that its operation still sees the one before it.
int run_command()
{
    int t = dramaton_readcommand();
    if (t == 0) dramaton_unknowncommand();
    else if (t < DRM_CLOSING) dramaton_dispatchtoken(t);
    else dramaton_respatchtoken(t - DRM_CLOSING);
    return t;
}

void main_loop()
{
    enum { CLASS_NONE = -1, CLASS_SPACE = ' ' };
    int prev = EOF;  // the character this loop read before
    int cls = CLASS_NONE;
    for (;;) {
        int c = infile_getc();
        if (c == EOF) break;
        if (c == '\n') ++g_line;
        c = kText.read_as[c];
        if (is_space(c)) {
            if (cls != CLASS_SPACE) {
                ddlout_addchar(' ');
                dramaton_countspeech();
            }
            cls = CLASS_SPACE;
        } else if (c == '#') {
            if (prev == '\n' || prev == '\r') {
                g_lasttoken = dramaton_shorthand();
            } else {
                ddlout_addchar('#');
                dramaton_countspeech();
            }
            cls = '#';
        } else if (c == '-') {
            ddlout_addchar(settings.nonbreakhyphens ? 0xAD : '-');
            cls = '-';  // a hyphen is no space: the space after it is kept
        } else if (c == '<') {
            g_lasttoken = run_command();
        } else if (c == '\\') {
            g_lasttoken = dramaton_escape();
            cls = CLASS_NONE;
        } else {
            if (g_lasttoken == DRM_CLOSING + 13) g_lasttoken = 0;
            c = add_textrun(c);
            cls = c;
        }
        prev = c;
    }
}

}  // namespace

int dramaton_begun() { return g_begun; }
void dramaton_setbegun() { g_begun = 1; }
int dramaton_lasttoken() { return g_lasttoken; }

bool dramaton_headingbreak()
{
    if (!g_headingwritten) {
        g_headingwritten = 1;
        return false;
    }
    return true;
}

void dramaton_abandon(int code)
{
    ddlout_drop();
    std::exit(code);
}

bool dramaton_grow(void** block, int* capacity, size_t entrysize)
{
    // Doubled (at least five more): growing to n entries copies O(n) of
    // them in all, where a fixed step would copy O(n^2).
    if (*capacity > 0x7FFFFFFF - 5) return false;
    size_t more = *capacity < 5 ? 5 : static_cast<size_t>(*capacity);
    size_t want = static_cast<size_t>(*capacity) + more;
    if (want > 0x7FFFFFFF) want = 0x7FFFFFFF;
    if (entrysize && want > static_cast<size_t>(-1) / entrysize) return false;
    void* p = mem_reclaim(*block, want * entrysize);
    if (!p) return false;
    std::memset(static_cast<char*>(p) + static_cast<size_t>(*capacity) * entrysize, 0,
                (want - static_cast<size_t>(*capacity)) * entrysize);
    *block = p;
    *capacity = static_cast<int>(want);
    return true;
}

void dramaton_growfailure(const char* what)
{
    show_message("Unable to (re)allocate memory for %s array, unable to continue.", what);
    dramaton_abandon(1);
}

void dramaton_convert()
{
    std::atexit(exit_handler);
    dramaton_createscenes();
    dramaton_createcast();
    dramaton_loadignorelist();

    // What the HTML side wrote is dropped: the script's output starts anew.
    if (!ddlout_restart())
        fatal_message(11, "Couldn't open %s file \"%s\".", "output", run_outputpath());
    ddlout_reset();  // whatever the HTML side had pending is discarded
    write_preamble();
    ddlout_suppress(1);

    main_loop();

    ddlout_flush();
    ddlout_finish();
    infile_close();
    ddlout_commit();
    std::exit(0);
}

int dramaton_escape()
{
    int c = infile_getc();
    if (c == '\n') ++g_line;
    switch (c) {
    case 'a': dramaton_directiveopen(STY_ACT); return 2;
    case 'd': dramaton_directiveopen(STY_DIR); return 16;
    case 'l': dramaton_directiveopen(STY_LOC); return 22;
    case 'p': dramaton_directiveopen(STY_PROP); return 26;
    case 's': dramaton_directiveopen(STY_SFX); return 30;
    case '\\': {
        int type = dramaton_directivetype();
        if (type == 0) return DRM_COMMENT;
        dramaton_directiveclose(type);
        switch (type) {
        case STY_DIR: return DRM_CLOSING + 16;
        case STY_LOC: return DRM_CLOSING + 22;
        case STY_PROP: return DRM_CLOSING + 26;
        case STY_SFX: return DRM_CLOSING + 30;
        default: return DRM_CLOSING + 2;
        }
    }
    case '/': ddlout_addchar('\\'); return DRM_COMMENT;
    case '<': case '>': ddlout_addchar(c); return DRM_COMMENT;
    default: return DRM_COMMENT;  // dropped
    }
}

int dramaton_shorthand()
{
    if (!g_begun) {
        ddlout_addchar('#');
        return DRM_COMMENT;
    }
    int c = infile_getc();
    if (c != '#') {
        ddlout_addchar('#');
        infile_ungetc(c);
        return DRM_COMMENT;
    }
    c = infile_getc();
    if (c == '\n' || c == '\r' || c == EOF) {
        // A line of two "#" closes the speech (also as the script's last line).
        infile_ungetc(c);
        dramaton_speechclose();
        return DRM_CLOSING + 13;
    }
    // The rest of the line names the speaker, as if in quotes after <dia.
    std::snprintf(g_tag.name, sizeof g_tag.name, "%s", "dia");
    g_tag.closing = 0;
    g_tag.found = 1;
    g_tag.complete = 0;
    int len = 0;
    g_tag.params[len++] = '"';
    g_tag.params[len++] = ' ';
    const int room = kParamLimit - 2;  // the closing quote and ">"
    while (c != EOF && c != '\n' && c != '\r') {
        if (len < room) g_tag.params[len++] = static_cast<char>(c < 32 ? ' ' : c);
        c = infile_getc();  // a longer line is read to its end and cut
    }
    infile_ungetc(c);
    g_tag.params[len++] = '"';
    g_tag.params[len++] = '>';
    g_tag.params[len] = '\0';
    g_tag.paramlen = len;
    dramaton_speechopen();
    return 13;
}

void dramaton_dispatchtoken(int token)
{
    switch (token) {
    case 127: break;
    case 1: dramaton_adbreak(); break;
    case 2: dramaton_directiveopen(STY_ACT); break;
    case 3: dramaton_list(3); break;
    case 4: dramaton_address(); break;
    case 5: dramaton_author(); break;
    case 6: dramaton_effecton(STY_BOLD); break;
    case 7: dramaton_begin(); break;
    case 8: dramaton_break(1); break;
    case 9: dramaton_chapteropen(); break;
    case 10: dramaton_continue(); break;
    case 11: dramaton_copyright(); break;
    case 12: dramaton_date(1); break;
    case 13: dramaton_speechopen(); break;
    case 14: dramaton_defcharacter(1); break;
    case 15: dramaton_defcharacter(2); break;
    case 16: dramaton_directiveopen(STY_DIR); break;
    case 17: dramaton_episode(); break;
    case 18: dramaton_date(3); break;
    case 20: dramaton_indent(); break;
    case 21: dramaton_effecton(STY_ITALIC); break;
    case 22: dramaton_directiveopen(STY_LOC); break;
    case 23: dramaton_break(3); break;
    case 24: dramaton_omit(); break;
    case 25: dramaton_break(2); break;
    case 26: dramaton_directiveopen(STY_PROP); break;
    case 27: dramaton_date(4); break;
    case 28: dramaton_sceneopen(); break;
    case 29: dramaton_list(29); break;
    case 30: dramaton_directiveopen(STY_SFX); break;
    case 31: dramaton_date(2); break;
    case 32: dramaton_target(); break;
    case 33: dramaton_telephone(); break;
    case 34: dramaton_title(); break;
    case 35: dramaton_effecton(STY_UNDERLINE); break;
    default:
        show_message("Failure in script parser - \"<%s>\" not trapped as invalid prior to dispatch function. "
                     "Will ignore and continue.",
                     g_tag.name);
        break;
    }
}

void dramaton_respatchtoken(int token)
{
    if (token == 127) return;
    if (token > 127) {
        show_message("Token %d passed to dramaton_respatchtoken(), will try it --128...", token);
        token -= DRM_CLOSING;
    }
    switch (token) {
    case 127: break;
    case 2: dramaton_directiveclose(STY_ACT); break;
    case 16: dramaton_directiveclose(STY_DIR); break;
    case 22: dramaton_directiveclose(STY_LOC); break;
    case 26: dramaton_directiveclose(STY_PROP); break;
    case 30: dramaton_directiveclose(STY_SFX); break;
    case 6: dramaton_effectoff(STY_BOLD); break;
    case 21: dramaton_effectoff(STY_ITALIC); break;
    case 35: dramaton_effectoff(STY_UNDERLINE); break;
    case 9: dramaton_chapterclose(); break;
    case 13: dramaton_speechclose(); break;
    case 14: case 15: dramaton_defcharacterclose(); break;
    case 20: dramaton_unindent(); break;
    case 28: dramaton_sceneclose(); break;
    default:
        show_message("The dramaton command \"</%s>\" is not valid, please check your script's syntax at offset "
                     "+%lld (line %lld). Will ignore and continue.",
                     g_tag.name, infile_tell(), g_line);
        break;
    }
}

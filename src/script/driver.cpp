// The script converter's driver: the hand-over from the HTML side, the
// script preamble, the main loop and the dispatch of commands.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ddl/ddlout.h"
#include "ddl/template.h"
#include "markup/tagreader.h"
#include "markup/textrun.h"
#include "base/version.h"
#include "base/platform.h"
#include "resources/config.h"
#include "base/bytescan.h"
#include "base/charset.h"
#include "base/infile.h"
#include "base/memtrace.h"
#include "base/messages.h"
#include "base/runstate.h"
#include "script/dramaton.h"
#include "script/script.h"

namespace {

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
    ddlout_directf("// Produced by DRAMATON : %s v%s (%s)\n", kProgramName, kVersion, kReleaseDate);
    ddlout_direct("// WINDOWS EXECUTABLE VERSION\n");
    ddlout_directf("// %s\n", kCopyright);
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
    // (Tab, line feed and carriage return stop a run as control bytes do.)
    static const unsigned char stops[] = {'#', '-', '<', '\\'};
    int last = c;
    size_t n = textrun_take(kText.kind, stops, true, &last);
    dramaton_countspeech(static_cast<unsigned>(n) + 1);
    return last;
}

// Runs a command read by the main loop; the last token is updated after
// the command, so that its operation still sees the one before it.
int run_command()
{
    int t = dramaton_readcommand();
    if (t == 0)
        dramaton_unknowncommand();
    else if (t < DRM_CLOSING)
        dramaton_dispatchtoken(t);
    else
        dramaton_respatchtoken(t - DRM_CLOSING);
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
            if (g_lasttoken == DRM_CLOSING + DRM_DIA) g_lasttoken = 0;
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
    ddlout_abandon(1);
}

void dramaton_convert()
{
    std::atexit(exit_handler);
    dramaton_createscenes();
    dramaton_createcast();
    dramaton_loadignorelist();

    // What the HTML side wrote is dropped: the script's output starts anew.
    if (!ddlout_restart()) fatal_message(11, "Couldn't open %s file \"%s\".", "output", run_outputpath());
    ddlout_reset();  // whatever the HTML side had pending is discarded
    ddlout_setkeepspaces(0);  // a script spaces its own text
    write_preamble();
    ddlout_suppress(1);

    main_loop();

    ddlout_flush();
    ddlout_finish();
    infile_close();
    charset_reportunmapped();
    ddlout_commit();
    std::exit(0);
}

int dramaton_escape()
{
    int c = infile_getc();
    if (c == '\n') ++g_line;
    switch (c) {
    case 'a': dramaton_directiveopen(STY_ACT); return DRM_ACT;
    case 'd': dramaton_directiveopen(STY_DIR); return DRM_DIR;
    case 'l': dramaton_directiveopen(STY_LOC); return DRM_LOC;
    case 'p': dramaton_directiveopen(STY_PROP); return DRM_PROP;
    case 's': dramaton_directiveopen(STY_SFX); return DRM_SFX;
    case '\\': {
        int type = dramaton_directivetype();
        if (type == 0) return DRM_COMMENT;
        dramaton_directiveclose(type);
        switch (type) {
        case STY_DIR: return DRM_CLOSING + DRM_DIR;
        case STY_LOC: return DRM_CLOSING + DRM_LOC;
        case STY_PROP: return DRM_CLOSING + DRM_PROP;
        case STY_SFX: return DRM_CLOSING + DRM_SFX;
        default: return DRM_CLOSING + DRM_ACT;
        }
    }
    case '/': ddlout_addchar('\\'); return DRM_COMMENT;
    case '<':
    case '>': ddlout_addchar(c); return DRM_COMMENT;
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
        return DRM_CLOSING + DRM_DIA;
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
    return DRM_DIA;
}

void dramaton_dispatchtoken(int token)
{
    switch (token) {
    case kKeywordEnd: break;
    case DRM_ADBREAK: dramaton_adbreak(); break;
    case DRM_ACT: dramaton_directiveopen(STY_ACT); break;
    case DRM_ACTORLIST: dramaton_list(LIST_CAST); break;
    case DRM_ADDRESS: dramaton_address(); break;
    case DRM_AUTHOR: dramaton_author(); break;
    case DRM_B: dramaton_effecton(STY_BOLD); break;
    case DRM_BEGIN: dramaton_begin(); break;
    case DRM_BR: dramaton_break(BREAK_LINE); break;
    case DRM_CHAPTER: dramaton_chapteropen(); break;
    case DRM_CONTINUE: dramaton_continue(); break;
    case DRM_COPYRIGHT: dramaton_copyright(); break;
    case DRM_DATE: dramaton_date(DATE_TITLE); break;
    case DRM_DIA: dramaton_speechopen(); break;
    case DRM_DEFACTOR: dramaton_defcharacter(CAST_ACTOR); break;
    case DRM_DEFACTRESS: dramaton_defcharacter(CAST_ACTRESS); break;
    case DRM_DIR: dramaton_directiveopen(STY_DIR); break;
    case DRM_EPISODE: dramaton_episode(); break;
    case DRM_FINISHED: dramaton_date(DATE_FINISHED); break;
    case DRM_IND: dramaton_indent(); break;
    case DRM_I: dramaton_effecton(STY_ITALIC); break;
    case DRM_LOC: dramaton_directiveopen(STY_LOC); break;
    case DRM_NEWPAGE: dramaton_break(BREAK_PAGE); break;
    case DRM_OMIT: dramaton_omit(); break;
    case DRM_P: dramaton_break(BREAK_PARA); break;
    case DRM_PROP: dramaton_directiveopen(STY_PROP); break;
    case DRM_REVISED: dramaton_date(DATE_REVISED); break;
    case DRM_SCENE: dramaton_sceneopen(); break;
    case DRM_SCENELIST: dramaton_list(LIST_SCENES); break;
    case DRM_SFX: dramaton_directiveopen(STY_SFX); break;
    case DRM_STARTED: dramaton_date(DATE_STARTED); break;
    case DRM_TARGET: dramaton_target(); break;
    case DRM_TELEPHONE: dramaton_telephone(); break;
    case DRM_TITLE: dramaton_title(); break;
    case DRM_U: dramaton_effecton(STY_UNDERLINE); break;
    default:
        show_message(
            "Failure in script parser - \"<%s>\" not trapped as invalid prior to dispatch function. "
            "Will ignore and continue.",
            g_tag.name);
        break;
    }
}

void dramaton_respatchtoken(int token)
{
    if (token == kKeywordEnd) return;
    if (token >= DRM_CLOSING) {
        show_message("Token %d passed to dramaton_respatchtoken(), will try it --128...", token);
        token -= DRM_CLOSING;
    }
    switch (token) {
    case kKeywordEnd: break;
    case DRM_ACT: dramaton_directiveclose(STY_ACT); break;
    case DRM_DIR: dramaton_directiveclose(STY_DIR); break;
    case DRM_LOC: dramaton_directiveclose(STY_LOC); break;
    case DRM_PROP: dramaton_directiveclose(STY_PROP); break;
    case DRM_SFX: dramaton_directiveclose(STY_SFX); break;
    case DRM_B: dramaton_effectoff(STY_BOLD); break;
    case DRM_I: dramaton_effectoff(STY_ITALIC); break;
    case DRM_U: dramaton_effectoff(STY_UNDERLINE); break;
    case DRM_CHAPTER: dramaton_chapterclose(); break;
    case DRM_DIA: dramaton_speechclose(); break;
    case DRM_DEFACTOR:
    case DRM_DEFACTRESS: dramaton_defcharacterclose(); break;
    case DRM_IND: dramaton_unindent(); break;
    case DRM_SCENE: dramaton_sceneclose(); break;
    default:
        show_message(
            "The dramaton command \"</%s>\" is not valid, please check your script's syntax at offset "
            "+%lld (line %lld). Will ignore and continue.",
            g_tag.name, infile_tell(), g_line);
        break;
    }
}

// The script command reader, the ignore list of extension commands and the
// skip code.
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_set>

#include "ddl/ddlout.h"
#include "markup/keywords.h"
#include "markup/tagreader.h"
#include "base/platform.h"
#include "resources/config.h"
#include "base/lineread.h"
#include "base/infile.h"
#include "base/memtrace.h"
#include "base/messages.h"
#include "script/script.h"

namespace {

const int kNameLimit = 31;
const int kIgnoreLineLimit = 79;

char* g_ignore = nullptr;
int g_ignorecount = 0;
int g_ignorewidth = 0;
// The entries again, for a look-up that does not grow with the list.
std::unordered_set<std::string> g_ignored;

void write_processed(int result)
{
    const char* slash = g_tag.closing ? "/" : "";
    if (g_tag.found)
        ddlout_directf("// <%s%s%s> (token %d)\n", slash, g_tag.name, g_tag.params, result);
    else
        ddlout_directf("// <%s%s%s> %s\n", slash, g_tag.name, g_tag.params, "(unrecognised)");
}

// An unrecognised command shown in the text, in italics between brackets.
void show_unknown() { tagreader_writemarker(dramaton_italicon() != 0); }

}  // namespace

int dramaton_skipcomment()
{
    int a = infile_getc();
    if (a == '\n') ++g_line;
    int b = (a == EOF) ? EOF : infile_getc();
    if (b == '\n') ++g_line;
    if (a == '-' && b == '-') return tagreader_skipcommentbody() ? 1 : 0;
    if (a == ' ') {
        // The second character is not looked at.
        for (;;) {
            int c = infile_getc();
            if (c == EOF || c == '>') return 1;
            if (c == '\n') ++g_line;
        }
    }
    // No comment: both are read again, and counted again when they are.
    if (b == '\n') --g_line;
    if (a == '\n') --g_line;
    infile_ungetc(b);
    infile_ungetc(a);
    return 0;
}

int dramaton_readcommand()
{
    int n = 0;
    int closedname = 0;
    g_tag.name[0] = '\0';
    for (;;) {
        int c = infile_getc();
        if (c == EOF) break;
        if (c == '\n') ++g_line;
        if (c == '\n' || c == '\r') c = ' ';
        if (c == '!' && n == 0) {
            if (dramaton_skipcomment()) return DRM_COMMENT;
        }
        if (c == '>') {
            closedname = 1;
            break;
        }
        if (c == ' ') {
            infile_ungetc(' ');
            break;
        }
        g_tag.name[n++] = static_cast<char>(c);
        if (n >= kNameLimit) break;
    }
    g_tag.name[n] = '\0';

    g_tag.closing = 0;
    if (g_tag.name[0] == '/') {
        std::memmove(g_tag.name, g_tag.name + 1, std::strlen(g_tag.name));
        g_tag.closing = 1;
    }

    int token = 0;
    if (g_tag.name[0] == '\0') {
        g_tag.found = 1;  // the empty row of the table
    } else {
        token = keyword_lookup(kDramatonKeywords, g_tag.name);
        g_tag.found = token != 0;
    }

    g_tag.params[0] = '\0';
    g_tag.paramlen = 0;
    g_tag.complete = closedname;
    if (!closedname) {
        int len = 0;
        for (;;) {
            int c = infile_getc();
            if (c == EOF) break;
            if (c == '\n') ++g_line;
            if (len >= kParamLimit) {
                // Full: the rest of the command is read and dropped.
                if (c == '>') break;
                continue;
            }
            if (c == '\t' || c == '\n' || c == '\r') {
                c = ' ';
            } else if (c < 32) {
                show_message("Unexpected control code found in parameter of \"<%s>\", at line %lld.", g_tag.name,
                             g_line);
                c = ' ';
            }
            g_tag.params[len++] = static_cast<char>(c);
            if (c == '>') break;
        }
        g_tag.params[len] = '\0';
        g_tag.paramlen = len;
    }

    int result = g_tag.found ? token + (g_tag.closing ? DRM_CLOSING : 0) : 0;
    if (settings.includeprocessed) write_processed(result);
    if (settings.includeunknown && !g_tag.found) show_unknown();
    return result;
}

void dramaton_unknowncommand()
{
    if (g_ignored.count(g_tag.name)) return;
    show_message("Encountered unrecognised Dramaton command \"<%s>\" at line %lld, ignoring....", g_tag.name, g_line);
}

void dramaton_loadignorelist()
{
    dramaton_releaseignorelist();
    FILE* f = platform_openregular("drmign");
    if (!f) return;
    char line[kIgnoreLineLimit + 1];
    int count = 0, longest = 0, n;
    while ((n = support_readline(f, line, kIgnoreLineLimit)) >= 0) {
        ++count;
        if (n > longest) longest = n;
    }
    if (count == 0) {
        std::fclose(f);
        return;
    }
    int width = longest + 1;
    g_ignore = static_cast<char*>(mem_claimzero(static_cast<size_t>(count), static_cast<size_t>(width)));
    if (!g_ignore) {
        std::fclose(f);
        show_message(
            "Unable to claim memory to load command-ignore list; Dramaton may report any 'extension' "
            "commands used as being unrecognised.");
        return;
    }
    g_ignorewidth = width;
    std::rewind(f);
    int i = 0;
    while (i < count && (n = support_readline(f, line, kIgnoreLineLimit)) >= 0) {
        if (n > 0 && line[n - 1] == '\n') line[--n] = '\0';
        if (n > 0 && line[n - 1] == '\r') line[--n] = '\0';  // lines ended the Windows way
        if (n > width - 1) n = width - 1;  // the file changed between the passes
        line[n] = '\0';
        std::memcpy(g_ignore + static_cast<size_t>(i) * width, line, static_cast<size_t>(n) + 1);
        g_ignored.emplace(g_ignore + static_cast<size_t>(i) * width);  // as strcmp would read it
        ++i;
    }
    g_ignorecount = i;
    std::fclose(f);
}

void dramaton_releaseignorelist()
{
    if (g_ignore) mem_release(g_ignore);
    g_ignore = nullptr;
    g_ignorecount = 0;
    g_ignorewidth = 0;
    g_ignored.clear();
}

int dramaton_ignorecount() { return g_ignorecount; }

const char* dramaton_ignoreentry(int i)
{
    if (i < 0 || i >= g_ignorecount) return "";
    return g_ignore + static_cast<size_t>(i) * g_ignorewidth;
}

void dramaton_skipuntil(int token)
{
    if (token < DRM_CLOSING) {
        show_message("In skip code, match tag was '%d', not a known closer; aborting!", token);
        ddlout_abandon(255);
    }
    for (;;) {
        int c = infile_getc();
        if (c == EOF) return;
        if (c == '\n') ++g_line;
        if (c == '<' && dramaton_readcommand() == token) return;
    }
}

// The cast register, character definitions and speeches.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>

#include "ddl/ddlout.h"
#include "markup/tagreader.h"
#include "base/ascii.h"
#include "base/memtrace.h"
#include "base/messages.h"
#include "script/script.h"

namespace {

const char* const kCastName = "defactor> or <defactress";

CastEntry* g_cast = nullptr;
int g_count = 0;
int g_capacity = 0;
int g_speaker = -1;

// Every lower-cased name and non-empty alias with the first entry holding
// it: the entry a scan from the start would find first.
std::unordered_map<std::string, int> g_index;

bool refused(const char* name)
{
    if (dramaton_begun()) return false;
    show_message("You cannot call <%s> before the <begin> command (line %lld), ignoring.", name, g_line);
    return true;
}

std::string lowered(const char* s)
{
    std::string k(s);
    for (char& c : k) c = ascii_lower(c);
    return k;
}

// Entries must be indexed in register order, so that the first holder of
// a name keeps it.
void index_entry(int i)
{
    g_index.emplace(lowered(g_cast[i].name), i);
    // An empty alias names nobody.
    if (g_cast[i].alias[0]) g_index.emplace(lowered(g_cast[i].alias), i);
}

void reindex()
{
    g_index.clear();
    for (int i = 0; i < g_count; ++i) index_entry(i);
}

// Appends an entry; the register grows when it becomes full.
int append(const char* name, const char* alias, int female, int added)
{
    CastEntry& e = g_cast[g_count];
    std::memset(&e, 0, sizeof e);
    dramaton_copyfield(e.name, sizeof e.name, name);
    dramaton_copyfield(e.alias, sizeof e.alias, alias);
    e.female = female ? 1 : 0;
    e.added = added ? 1 : 0;
    int index = g_count++;
    index_entry(index);
    if (g_count >= g_capacity) {
        void* block = g_cast;
        if (!dramaton_grow(&block, &g_capacity, sizeof(CastEntry))) dramaton_growfailure("actor/actress");
        g_cast = static_cast<CastEntry*>(block);
    }
    return index;
}

}  // namespace

void dramaton_createcast()
{
    dramaton_releasecast();
    g_cast = static_cast<CastEntry*>(mem_claimzero(5, sizeof(CastEntry)));
    if (!g_cast) dramaton_growfailure("actor/actress");
    g_capacity = 5;
}

void dramaton_releasecast()
{
    if (g_cast) mem_release(g_cast);
    g_cast = nullptr;
    g_count = 0;
    g_capacity = 0;
    g_speaker = -1;
    g_index.clear();
}

int dramaton_castcount() { return g_count; }
CastEntry* dramaton_castentry(int i) { return (i >= 0 && i < g_count) ? &g_cast[i] : nullptr; }

void dramaton_countspeech(unsigned n)
{
    if (g_speaker >= 0 && g_speaker < g_count) g_cast[g_speaker].dialogue += n;
}

int dramaton_findspeaker(const char* name)
{
    char key[64];
    size_t n = 0;
    for (; name[n] && n < sizeof key - 1; ++n) key[n] = ascii_lower(name[n]);
    while (n > 0 && key[n - 1] == ' ') --n;
    key[n] = '\0';
    auto found = g_index.find(std::string(key, n));
    return found == g_index.end() ? -1 : found->second;
}

void dramaton_defcharacter(int kind)
{
    if (refused(kCastName)) return;
    ddlout_flush();
    dramaton_lowerparams();
    ScriptValue name = dramaton_value(0);
    ScriptValue alias = dramaton_keyvalue("alias", 0);
    bool quiet = dramaton_findlowered("quiet") >= 0;
    if (!quiet) {
        dramaton_stylereset(RESET_EFFECTS);
        if (dramaton_headingbreak()) {
            ddlout_command("{newline}{newline}");
            ddlout_setlinestart(1);
        }
    }
    bool first = g_count == 0;
    int index = append(name.text, alias.text, kind == CAST_ACTRESS, 0);
    if (first && !quiet) {
        ddlout_command("{textsize 16000}");
        dramaton_text("Cast");
        ddlout_command("{textsize 12000}{newline}{newline}");
        ddlout_setlinestart(1);
    }
    if (quiet) return;
    const CastEntry& e = g_cast[index];
    ddlout_command("{textsize 14000}");
    if (!e.alias[0]) {
        ddlout_addstring("%s:", e.name);
    } else {
        ddlout_addstring("%s (", e.name);
        ddlout_command("{italic 1}");
        dramaton_text(e.alias);
        ddlout_command("{italic 0}");
        dramaton_text("):");
    }
    ddlout_break(DDL_NEWLINE);
    ddlout_command("{textsize 12000}");
    dramaton_styleon(STY_CASTDESC);
}

void dramaton_defcharacterclose()
{
    if (!dramaton_styletest(STY_CASTDESC))
        show_message("Cannot obey command </%s> (line %lld) as there is no <%s>! Unsetting all styles.", kCastName,
                     g_line, kCastName);
    dramaton_styleoff(STY_CASTDESC);
    ddlout_break(DDL_NEWLINE);
}

void dramaton_speechopen()
{
    if (refused("dia")) return;
    if (!dramaton_styletest(STY_SCENE)) {
        show_message("You can only use <%s> within <%s> sections (line %lld), ignoring.", "dia", "scene", g_line);
        return;
    }
    char speaker[64];
    dramaton_copyfield(speaker, sizeof speaker, dramaton_value(0).text);
    dramaton_stylereset(RESET_EFFECTS);
    ddlout_command("{remuserstyle STYLE_03}");
    int last = dramaton_lasttoken();
    if (last == DRM_DIA || last == DRM_CLOSING + DRM_DIA) {
        ddlout_direct("// last token was <dia> or </dia> - not adding extra spaces.\n");
    } else {
        ddlout_directf("// last token was NOT <dia> or </dia> [was %d] - adding extra spaces.\n", last);
        ddlout_command("{newpara}{newpara}");
        ddlout_setlinestart(1);
    }
    char name[64];
    char* paren = std::strchr(speaker, '(');
    dramaton_copyfield(name, sizeof name, speaker);
    if (paren) {
        name[paren - speaker] = '\0';
        dramaton_styleon(STY_SPEAKER);
        dramaton_text(name);
        ddlout_command("{bold 0}");
        dramaton_text(paren);
        dramaton_styleoff(STY_SPEAKER);
    } else {
        dramaton_styleon(STY_SPEAKER);
        dramaton_text(speaker);
        dramaton_styleoff(STY_SPEAKER);
    }
    dramaton_styleon(STY_SPEECH);
    ddlout_break(DDL_NEWLINE);

    int found = dramaton_findspeaker(name);
    if (found < 0) {
        char lowered[64];
        size_t n = 0;
        for (; name[n] && n < sizeof lowered - 1; ++n) lowered[n] = ascii_lower(name[n]);
        while (n > 0 && lowered[n - 1] == ' ') --n;
        lowered[n] = '\0';
        found = append(lowered, "", 0, 1);
    }
    g_speaker = found;
}

void dramaton_speechclose()
{
    if (!dramaton_styletest(STY_SPEECH))
        show_message("Cannot obey command </%s> (line %lld) as there is no <%s>! Unsetting all styles.", "dia", g_line,
                     "dia");
    g_speaker = -1;
    dramaton_styleoff(STY_SPEECH);
    ddlout_command("{adduserstyle STYLE_03}");
    ddlout_command("{newpara}{newpara}{newpara}");
    ddlout_setlinestart(1);
}

void dramaton_sortentries(CastEntry* entries, int count)
{
    // One stable pass on (count, then name) orders as a pass by name
    // followed by a stable pass by count would.
    std::stable_sort(entries, entries + count, [](const CastEntry& a, const CastEntry& b) {
        if (a.dialogue != b.dialogue) return a.dialogue > b.dialogue;
        return std::strcmp(a.name, b.name) < 0;
    });
}

void dramaton_sortcast()
{
    // The current speaker is followed through the sort, so that a speech
    // still open goes on counting for the same character.
    for (int i = 0; i < g_count; ++i) g_cast[i].speaking = (i == g_speaker) ? 1 : 0;
    dramaton_sortentries(g_cast, g_count);
    if (g_speaker >= 0)
        for (int i = 0; i < g_count; ++i)
            if (g_cast[i].speaking) g_speaker = i;
    for (int i = 0; i < g_count; ++i) g_cast[i].speaking = 0;
    reindex();
}

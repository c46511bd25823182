// Scenes, advertisement breaks, chapters, omitted material and page breaks.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ddl/ddlout.h"
#include "markup/tagreader.h"
#include "base/platform.h"
#include "base/failinject.h"
#include "base/memtrace.h"
#include "base/messages.h"
#include "script/script.h"

namespace {

// The scene register. Entries are added at the end and only read back in
// order, for the scene list, so once the in-memory part holds kSpillAt
// entries it is appended to a temporary file and the memory reused: a long
// script's register then costs a fixed amount of memory. Without a
// temporary file the register simply goes on growing in memory.
constexpr int kSpillAt = 8192;
constexpr int kReadBlock = 256;

SceneEntry* g_scenes = nullptr;  // entries g_spilled .. g_spilled + g_count - 1
int g_count = 0;  // entries in memory
int g_capacity = 0;
int g_spilled = 0;  // entries 0 .. g_spilled - 1 are in g_spill
std::FILE* g_spill = nullptr;
bool g_spillfailed = false;
SceneEntry g_readblock[kReadBlock];
int g_readfirst = 0;  // first entry held in g_readblock
int g_readcount = 0;  // entries held there

bool refused(const char* name)
{
    if (dramaton_begun()) return false;
    show_message("You cannot call <%s> before the <begin> command (line %lld), ignoring.", name, g_line);
    return true;
}

int total_count() { return g_spilled + g_count; }

// The register always has room for its next entry.
SceneEntry& next_entry()
{
    SceneEntry& e = g_scenes[g_count];
    std::memset(&e, 0, sizeof e);
    return e;
}

// Moves the in-memory entries to the temporary file; false when there is no
// file to move them to.
bool spill()
{
    if (g_spillfailed) return false;
    if (!g_spill) g_spill = platform_tempfile();
    if (g_spill && !QUILLET_INJECT("QUILLET_FAIL_SPILL") && platform_seek(g_spill, 0, SEEK_END) == 0 &&
        std::fwrite(g_scenes, sizeof(SceneEntry), static_cast<size_t>(g_count), g_spill) ==
            static_cast<size_t>(g_count) &&
        std::fflush(g_spill) == 0) {
        g_spilled += g_count;
        g_count = 0;
        return true;
    }
    // A partly written block lies past g_spilled and is never read.
    g_spillfailed = true;
    return false;
}

void count_entry()
{
    ++g_count;
    if (g_count >= g_capacity) {
        if (g_count >= kSpillAt && spill()) return;
        void* block = g_scenes;
        if (g_spilled > 0x7FFFFFFF - 5 - g_capacity) dramaton_growfailure("scenes");  // the count stays an int
        if (!dramaton_grow(&block, &g_capacity, sizeof(SceneEntry))) dramaton_growfailure("scenes");
        g_scenes = static_cast<SceneEntry*>(block);
    }
}

const SceneEntry* spilled_entry(int i)
{
    if (i < g_readfirst || i >= g_readfirst + g_readcount) {
        int first = i - i % kReadBlock;
        int n = g_spilled - first < kReadBlock ? g_spilled - first : kReadBlock;
        if (platform_seek(g_spill, static_cast<long long>(first) * static_cast<long long>(sizeof(SceneEntry)),
                          SEEK_SET) != 0 ||
            std::fread(g_readblock, sizeof(SceneEntry), static_cast<size_t>(n), g_spill) != static_cast<size_t>(n))
            dramaton_growfailure("scenes");  // the register cannot be read back
        g_readfirst = first;
        g_readcount = n;
    }
    return &g_readblock[i - g_readfirst];
}

void close_warning(const char* name)
{
    show_message("Cannot obey command </%s> (line %lld) as there is no <%s>! Unsetting all styles.", name, g_line,
                 name);
}

}  // namespace

void dramaton_createscenes()
{
    dramaton_releasescenes();
    g_scenes = static_cast<SceneEntry*>(mem_claimzero(5, sizeof(SceneEntry)));
    if (!g_scenes) dramaton_growfailure("scenes");
    g_capacity = 5;
}

void dramaton_releasescenes()
{
    if (g_scenes) mem_release(g_scenes);
    g_scenes = nullptr;
    g_count = 0;
    g_capacity = 0;
    if (g_spill) std::fclose(g_spill);
    g_spill = nullptr;
    g_spilled = 0;
    g_spillfailed = false;
    g_readfirst = 0;
    g_readcount = 0;
}

int dramaton_scenecount() { return total_count(); }

const SceneEntry* dramaton_sceneentry(int i)
{
    if (i < 0 || i >= total_count()) return nullptr;
    if (i >= g_spilled) return &g_scenes[i - g_spilled];
    return spilled_entry(i);
}

void dramaton_normaliseduration(long minutes, long seconds, int* outmin, int* outsec)
{
    if (seconds > 59) {
        minutes += seconds / 60;
        seconds %= 60;
    }
    *outmin = static_cast<int>(minutes);
    *outsec = static_cast<int>(seconds);
}

void dramaton_sceneopen()
{
    if (refused("scene")) return;
    SceneEntry& e = next_entry();
    dramaton_copyfield(e.title, sizeof e.title, dramaton_value(0).text);
    if (std::strstr(g_tag.params, "\"\"")) e.title[0] = '\0';

    dramaton_lowerparams();
    int ie = 0, dn = 0;
    if (dramaton_findlowered("int") >= 0) ie = PLACE_INT;
    if (dramaton_findlowered("ext") >= 0) ie = PLACE_EXT;
    if (dramaton_findlowered("day") >= 0) dn = TIME_DAY;
    if (dramaton_findlowered("night") >= 0) dn = TIME_NIGHT;
    int at = dramaton_findlowered("duration");
    if (at >= 0) {
        const char* next = nullptr;
        long minutes = dramaton_number(g_tag.params + at + 8, &next);
        long seconds = dramaton_number(next, nullptr);
        dramaton_normaliseduration(minutes, seconds, &e.minutes, &e.seconds);
    } else {
        e.minutes = e.seconds = -1;
    }
    e.flags = dramaton_sceneflags(ie, dn);

    if (dramaton_findlowered("omitted") >= 0) {
        e.flags |= SCN_OMITTED;
        count_entry();
        ddlout_flush();
        ddlout_directf("\n// scene \"%s\" is being omitted...\n", dramaton_loweredparams());
        dramaton_skipuntil(DRM_CLOSING + DRM_SCENE);
        ddlout_direct("// ...now resuming as normal.\n\n");
        return;
    }

    ddlout_flush();
    dramaton_stylereset(RESET_STYLES);
    if (dramaton_headingbreak()) {
        if (total_count() > 0) {
            ddlout_command("{newpara}{newpara}{newpara}{newpara}{newpara}");
            ddlout_setlinestart(1);
        } else {
            ddlout_command("{newpage}");
        }
    }
    char title[64];
    dramaton_copyfield(title, sizeof title, e.title);  // e moves if the register grows
    int minutes = e.minutes, seconds = e.seconds;
    count_entry();
    ddlout_command("{textsize 16000}");
    ddlout_addstring("%d. ", total_count());
    dramaton_text(title);
    if (ie) {
        dramaton_text(" (");
        ddlout_command("{italic 1}");
        dramaton_text(ie == PLACE_INT ? "int" : "ext");
        if (dn) {
            dramaton_text(", ");
        } else {
            ddlout_command("{italic 0}");
            dramaton_text(")");
        }
    }
    if (dn) {
        if (!ie) {
            dramaton_text(" (");
            ddlout_command("{italic 1}");
        }
        dramaton_text(dn == TIME_DAY ? "day" : "night");
        ddlout_command("{italic 0}");
        dramaton_text(")");
    }
    if (minutes != -1 && seconds != -1) ddlout_addstring(" [%02d:%02d]", minutes, seconds);
    ddlout_break(DDL_NEWLINE);
    ddlout_command("{textsize 13000}");
    dramaton_styleon(STY_SCENE);
}

void dramaton_sceneclose()
{
    if (!dramaton_styletest(STY_SCENE)) close_warning("scene");
    dramaton_styleoff(STY_SCENE);
}

void dramaton_adbreak()
{
    if (!dramaton_begun()) {
        show_message("You cannot call <%s> before the <begin> command (line %lld), aborting...", "adbreak", g_line);
        std::exit(58);
    }
    SceneEntry& e = next_entry();
    e.flags = SCN_AD;
    ddlout_flush();
    dramaton_stylereset(RESET_STYLES);
    if (dramaton_headingbreak()) {
        if (total_count() > 0) {
            ddlout_command("{newpara}{newpara}{newpara}{newpara}");
            ddlout_setlinestart(1);
        } else {
            ddlout_command("{newpage}");
        }
    }
    count_entry();
    dramaton_styleon(STY_SCENE);
    ddlout_command("{textsize 16000}{italic 1}");
    dramaton_text("-- suggested advertisement break --");
    ddlout_break(DDL_NEWLINE);
    ddlout_command("{italic 0}{textsize 13000}");
    dramaton_styleoff(STY_SCENE);
}

void dramaton_omit()
{
    ddlout_flush();
    ddlout_direct("\n// Beginning omit...\n");
    dramaton_skipuntil(DRM_CLOSING + DRM_OMIT);
    ddlout_direct("// ...omit finished.\n\n");
}

void dramaton_chapteropen()
{
    if (refused("chapter")) return;
    char title[64];
    dramaton_copyfield(title, sizeof title, dramaton_value(0).text);
    ddlout_flush();
    dramaton_stylereset(RESET_EFFECTS);
    if (dramaton_headingbreak()) {
        ddlout_break(DDL_NEWPARA);
        ddlout_break(DDL_NEWPARA);
    }
    ddlout_command("{textsize 16000}");
    dramaton_text(title);
    ddlout_break(DDL_NEWLINE);
    ddlout_command("{textsize 13000}");
    dramaton_styleon(STY_CHAPTER);
}

void dramaton_chapterclose()
{
    if (!dramaton_styletest(STY_CHAPTER)) close_warning("chapter");
    dramaton_styleoff(STY_CHAPTER);
}

void dramaton_break(int kind)
{
    static const char* const names[4] = {"", "br", "p", "newpage"};
    if (kind < BREAK_LINE || kind > BREAK_PAGE) return;
    if (refused(names[kind])) return;
    ddlout_flush();
    if (kind == BREAK_LINE) {
        ddlout_break(DDL_NEWLINE);
    } else if (kind == BREAK_PARA) {
        ddlout_break(DDL_NEWPARA);
        ddlout_break(DDL_NEWPARA);
    } else {
        ddlout_command("{newpage}");
        ddlout_setlinestart(1);
    }
}

#include "ddl/template.h"

#include <cstdio>
#include <cstring>

#include "ddl/ddlout.h"
#include "base/platform.h"
#include "base/lineread.h"
#include "base/messages.h"
#include "base/runstate.h"

namespace {

const int kLineLimit = 179;
const int kShortLimit = 79;

const char* const kBlockMarkers[SEC_COUNT] = {
    "#defcolours#",  "#deffonts#",   "#genpref#",     "#styles#",      "#chap_a4pre#",
    "#chap_a4post#", "#chap_a5pre#", "#chap_a5post#", "#chap_finish#",
};
const char* const kLineMarkers[7] = {
    "#strikeout#", "#head1#", "#head2#", "#head3#", "#head4#", "#head5#", "#head6#",
};

long g_positions[SEC_COUNT];
char g_lines[7][kShortLimit + 1];  // [0] strikeout, [1..6] headings

// A file the output needs cannot be opened. Once the output has been begun
// it holds only part of a preamble, so it is dropped before the run ends.
[[noreturn]] void cannot_open(const char* message)
{
    show_message("%s", message);
    ddlout_abandon(30);
}

// The template is read once, when it is indexed; its sections are copied
// from these bytes (positions are byte offsets in them).
SupportFile g_definits;
bool g_loaded = false;

void open_definits(SupportFile& f)
{
    if (!f.open(run_supportpath("definits"))) cannot_open("Cannot open definitions file, aborting.");
}

// Writes a marker's value straight to the output; none without it.
void (*g_valuewriter)(const char* key) = nullptr;

void write_value(const char* key)
{
    if (g_valuewriter) g_valuewriter(key);
}

}  // namespace

void definits_load()
{
    std::memset(g_positions, 0, sizeof g_positions);
    std::memset(g_lines, 0, sizeof g_lines);
    SupportFile& f = g_definits;
    open_definits(f);
    g_loaded = true;
    char line[kLineLimit + 1];
    while (f.readline_cut(line, kLineLimit) >= 0) {
        if (!std::strcmp(line, "#END#")) break;
        bool matched = false;
        for (int s = 0; s < SEC_COUNT && !matched; ++s) {
            if (!std::strcmp(line, kBlockMarkers[s])) {
                g_positions[s] = f.tell();
                matched = true;
            }
        }
        for (int s = 0; s < 7 && !matched; ++s) {
            if (!std::strcmp(line, kLineMarkers[s])) {
                char next[kShortLimit + 1];
                if (f.readline_cut(next, kShortLimit) >= 0) std::snprintf(g_lines[s], sizeof g_lines[s], "%s", next);
                matched = true;
            }
        }
    }
}

void template_setvaluewriter(void (*writer)(const char* key)) { g_valuewriter = writer; }

long template_position(int section) { return (section >= 0 && section < SEC_COUNT) ? g_positions[section] : 0; }

const char* template_strikeout() { return g_lines[0]; }

const char* template_heading(int level) { return (level >= 1 && level <= 6) ? g_lines[level] : ""; }

void ddlout_copysection(long position)
{
    SupportFile drmstyle, fresh;
    SupportFile* f = &g_definits;
    if (position == kDrmstylePosition) {
        if (!drmstyle.open(run_supportpath("drmstyle"))) cannot_open("Cannot open dramaton styles file, aborting.");
        f = &drmstyle;
    } else if (!g_loaded) {
        open_definits(fresh);  // not indexed yet: read it now
        f = &fresh;
    }
    // A negative position, which a seek would refuse, leaves it at its start.
    if (f != &drmstyle) f->seek(position < 0 ? 0 : position);
    char line[kLineLimit + 1];
    int n;
    while ((n = f->readline_cut(line, kLineLimit)) >= 0) {
        if (line[0] == '#' || (n > 0 && line[1] == '#')) break;
        if (std::memchr(line, '\xA4', n)) {
            ddlout_expandtemplate(line);
        } else {
            ddlout_directbytes(line, n);
            ddlout_directchar('\n');
        }
    }
}

void ddlout_expandtemplate(const char* line)
{
    size_t len = std::strlen(line);
    size_t i = 0;
    while (i < len) {
        unsigned char c = static_cast<unsigned char>(line[i]);
        if (c != 0xA4) {
            size_t j = i;
            while (j < len && static_cast<unsigned char>(line[j]) != 0xA4) ++j;
            ddlout_directbytes(line + i, j - i);
            i = j;
            continue;
        }
        // A marker: the byte, a five-letter key, one closing byte. A marker
        // cut short by the end of the line has no value.
        if (len - i >= 6) {
            char key[6];
            std::memcpy(key, line + i + 1, 5);
            key[5] = '\0';
            write_value(key);
        }
        i += 7;
    }
}

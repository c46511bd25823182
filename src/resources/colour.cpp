#include "resources/colour.h"

#include <cstdlib>
#include <cstring>

#include "ddl/ddlout.h"
#include "run/memtrace.h"
#include "run/messages.h"

namespace {

struct ColourRecord {
    char name[32];
    int red, green, blue;
    int used;
};

const int kStandardCount = 9;

ColourRecord* g_standard = nullptr;  // 11 records, position 0 a header

void release_tables()
{
    if (g_standard) mem_release(g_standard);
    g_standard = nullptr;
}

int standard_position(int number)
{
    if (number >= 1 && number <= 3) return number;
    if (number >= 10 && number <= 15) return number - 6;
    return 0;
}

char g_display[80];

}  // namespace

void colour_load()
{
    std::atexit(release_tables);
    g_standard = static_cast<ColourRecord*>(mem_claimzero(11, sizeof(ColourRecord)));
    if (!g_standard) return;
    struct { const char* name; int r, g, b; } const kStd[kStandardCount] = {
        {"Black", 0, 0, 0}, {"White", 255, 255, 255}, {"Transparent", 1024, 1024, 1024},
        {"VduRed", 255, 0, 0}, {"VduYellow", 255, 255, 0}, {"VduGreen", 0, 255, 0},
        {"VduBlue", 0, 0, 255}, {"VduMagenta", 255, 0, 255}, {"VduCyan", 0, 255, 255},
    };
    g_standard[0].red = kStandardCount;
    for (int s = 1; s <= kStandardCount; ++s) {
        ColourRecord& r = g_standard[s];
        std::strncpy(r.name, kStd[s - 1].name, sizeof r.name - 1);
        r.red = kStd[s - 1].r;
        r.green = kStd[s - 1].g;
        r.blue = kStd[s - 1].b;
    }
}

int colour_fromattribute(const char*) { return 0; }

int colour_findrgb(int red, int green, int blue)
{
    if (!g_standard) return 0;
    int found = 0;
    for (int s = 1; s <= kStandardCount; ++s) {
        const ColourRecord& r = g_standard[s];
        if (r.red == red && r.green == green && r.blue == blue) found = s;
    }
    if (found) return found <= 3 ? found : found + 6;
    return 0;
}

int colour_findhex(const char*) { return 0; }
int colour_findname(const char*) { return 0; }
int colour_add(const char*) { return 0; }

void colour_flagused(int number)
{
    if (number >= 4 && number <= 9) {
        show_message("Attempt to flag a user-reserved colour (%d) as 'used'", number);
        return;
    }
    int s = standard_position(number);
    if (s >= 4 && g_standard) g_standard[s].used = 1;
}

int colour_isused(int number)
{
    if (number < 10) return 1;
    int s = standard_position(number);
    return (s && g_standard) ? g_standard[s].used : 0;
}

int colour_component(int number, int which)
{
    if (number == 0 || which < 1 || which > 3 || !g_standard) return 0;
    int s = standard_position(number);
    if (!s) return 0;
    const ColourRecord& r = g_standard[s];
    return which == 1 ? r.red : which == 2 ? r.green : r.blue;
}

int colour_scale(int component)
{
    return component == 255 ? 0x10000 : component * 256;
}

const char* colour_displayname(int position)
{
    g_display[0] = '\0';
    if (position >= 1 && position <= kStandardCount && g_standard) {
        const char* n = g_standard[position].name;
        std::snprintf(g_display, sizeof g_display, "VDU %s", std::strlen(n) > 3 ? n + 3 : "");
    }
    return g_display;
}

void colour_writedecls()
{
    ddlout_direct("COL_001={colour \"Black\" {cmyk 0x0 0x0 0x0 0x10000}{lock 1}}\n"
                  "COL_002={colour \"White\" {rgb 0x10000 0x10000 0x10000}{lock 1}}\n"
                  "COL_003={colour \"Transparent\" {rgb 0x10000 0x10000 0x10000}{transparent 1}}\n");
    if (g_standard) {
        for (int s = 4; s <= kStandardCount; ++s) {
            const ColourRecord& r = g_standard[s];
            ddlout_directf("COL_%03d={colour \"%s\" {rgb 0x%05X 0x%05X 0x%05x}{overprintlimit 0xe666}}\n",
                           s + 6, colour_displayname(s), colour_scale(r.red), colour_scale(r.green),
                           colour_scale(r.blue));
        }
    }
    ddlout_direct("\n");
    ddlout_direct("\n\n");
}

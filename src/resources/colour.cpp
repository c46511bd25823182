#include "resources/colour.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>

#include "ddl/ddlout.h"
#include "resources/config.h"
#include "base/ascii.h"
#include "base/lineread.h"
#include "resources/nameindex.h"
#include "base/bytescan.h"
#include "base/memtrace.h"
#include "base/messages.h"
#include "base/runstate.h"

namespace {

struct ColourRecord {
    char name[32];
    int32_t red, green, blue;
    int32_t used;
};

// Position 0 of each table is its header; its fields are reused for the
// counts: red = count, green = firstadded, blue = capacity.
int32_t& hdr_count(ColourRecord* t) { return t[0].red; }
int32_t& hdr_firstadded(ColourRecord* t) { return t[0].green; }
int32_t& hdr_capacity(ColourRecord* t) { return t[0].blue; }

const int kStandardCount = 9;
const int kStandardRecords = 11;
const int kAddedSlots = 150;
const int kFileLineLimit = 79;
// A colours file longer than this is read only this far (the table must
// stay a sensible size).
const int kMaxFileLines = 1 << 16;

ColourRecord* g_standard = nullptr;
ColourRecord* g_user = nullptr;

// Look-ups of the user table without a scan: the first position with a
// name (folded), and the last position with a colour value, as the scans
// of colour_findname and colour_findrgb find them. Kept as records are added.
struct Rgb {
    int32_t red, green, blue;
    bool operator==(const Rgb& o) const { return red == o.red && green == o.green && blue == o.blue; }
};
struct RgbHash {
    size_t operator()(const Rgb& c) const
    {
        uint64_t h = static_cast<uint32_t>(c.red);
        h = h * 1000003u ^ static_cast<uint32_t>(c.green);
        h = h * 1000003u ^ static_cast<uint32_t>(c.blue);
        return static_cast<size_t>(h);
    }
};

NameIndex g_names(true);
std::unordered_map<Rgb, int, RgbHash> g_lastrgb;

// The last user position with the colour value, or 0.
int last_with_rgb(int red, int green, int blue)
{
    if (!g_user) return 0;
    auto it = g_lastrgb.find(Rgb{red, green, blue});
    return it == g_lastrgb.end() ? 0 : it->second;
}

void index_user(int p)
{
    const ColourRecord& r = g_user[p];
    g_names.add(r.name, p);
    g_lastrgb[Rgb{r.red, r.green, r.blue}] = p;
}

char g_display[96];

void release_tables()
{
    g_names.clear();
    g_lastrgb.clear();
    if (g_standard) mem_release(g_standard);
    if (g_user) mem_release(g_user);
    g_standard = nullptr;
    g_user = nullptr;
}

int hex_value(int c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return c - 'A' + 10;
}

// A two-digit hexadecimal pair, read as far as its valid digits go.
int read_pair(const char* p)
{
    int v = 0;
    for (int i = 0; i < 2 && ascii_ishex(static_cast<unsigned char>(p[i])); ++i) v = v * 16 + hex_value(p[i]);
    return v;
}

// The three pairs of "rrggbb" at p; a short text stops the pairs where it ends.
void read_rgb(const char* p, int* r, int* g, int* b)
{
    int comp[3];
    size_t len = std::strlen(p);
    for (int i = 0; i < 3; ++i) comp[i] = (len > static_cast<size_t>(2 * i)) ? read_pair(p + 2 * i) : 0;
    *r = comp[0];
    *g = comp[1];
    *b = comp[2];
}

void copy_name(char dst[32], const char* src) { std::snprintf(dst, 32, "%.31s", src); }

int user_count() { return g_user ? hdr_count(g_user) : 0; }

// The record of a colour number, or null (none, reserved, or unknown).
ColourRecord* record_of(int number)
{
    if (number >= 1 && number <= 3) return g_standard ? &g_standard[number] : nullptr;
    if (number >= 10 && number <= 15) return g_standard ? &g_standard[number - 6] : nullptr;
    if (number >= 16 && g_user) {
        int p = number - 15;
        if (p < user_count()) return &g_user[p];
    }
    return nullptr;
}

[[noreturn]] void colours_missing(const std::string& path, int code)
{
    fatal_message(code, "Couldn't open colours file \"%s\", cannot continue.", path.c_str());
}

void fill_standard()
{
    struct Std {
        const char* name;
        int r, g, b;
    };
    static const Std kStd[kStandardCount] = {
        {"Black", 0, 0, 0},     {"White", 255, 255, 255},    {"Transparent", 1024, 1024, 1024},
        {"VduRed", 255, 0, 0},  {"VduYellow", 255, 255, 0},  {"VduGreen", 0, 255, 0},
        {"VduBlue", 0, 0, 255}, {"VduMagenta", 255, 0, 255}, {"VduCyan", 0, 255, 255},
    };
    hdr_count(g_standard) = kStandardCount;
    for (int s = 1; s <= kStandardCount; ++s) {
        ColourRecord& r = g_standard[s];
        copy_name(r.name, kStd[s - 1].name);
        r.red = kStd[s - 1].r;
        r.green = kStd[s - 1].g;
        r.blue = kStd[s - 1].b;
    }
}

// Appends text to the display name, a space before each capital when asked;
// '"' and '\' are escaped so that the declaration stays one quoted string.
void display_append(size_t& n, const char* text, bool space_capitals)
{
    for (const char* p = text; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (n + 3 >= sizeof g_display) break;
        if (space_capitals && c >= 'A' && c <= 'Z') g_display[n++] = ' ';
        if (c == '"' || c == '\\') g_display[n++] = '\\';
        g_display[n++] = static_cast<char>(c);
    }
    g_display[n] = '\0';
}

void write_decl(int number, int position, const ColourRecord& r)
{
    ddlout_directf("COL_%03d={colour \"%s\" {rgb 0x%05X 0x%05X 0x%05x}{overprintlimit 0xe666}}\n", number,
                   colour_displayname(position), colour_scale(r.red), colour_scale(r.green), colour_scale(r.blue));
}

}  // namespace

void colour_load()
{
    static bool registered = false;
    if (!registered) {
        std::atexit(release_tables);
        registered = true;
    }
    release_tables();  // a second load starts afresh
    g_standard = static_cast<ColourRecord*>(mem_claimzero(kStandardRecords, sizeof(ColourRecord)));
    if (!g_standard)
        fatal_message(41, "Unable to allocate memory for %d %s, %s.", kStandardRecords, "standard colours",
                      "cannot continue (please free up memory)");
    fill_standard();
    if (settings.disabledoccols) return;

    std::string path = run_supportpath("colours");
    char line[kFileLineLimit + 1];
    SupportFile f;
    if (!f.open(path)) colours_missing(path, 41);
    int lines = 1;
    while (lines < kMaxFileLines && f.readline(line, kFileLineLimit) >= 0) ++lines;

    g_user = static_cast<ColourRecord*>(mem_claimzero(lines + kAddedSlots, sizeof(ColourRecord)));
    if (!g_user) {
        show_message("Unable to allocate memory for %d %s, %s.", lines, "document colours",
                     "disabling support for document colours");
        settings.disabledoccols = 1;
        return;
    }
    f.rewind();
    for (int p = 1; p < lines; ++p) {
        int n = f.readline_cut(line, kFileLineLimit);
        if (n < 0) break;
        ColourRecord& r = g_user[p];
        read_rgb(line, &r.red, &r.green, &r.blue);
        copy_name(r.name, n > 6 ? line + 6 : "");
    }
    hdr_count(g_user) = lines;
    hdr_firstadded(g_user) = lines;
    hdr_capacity(g_user) = lines + kAddedSlots;
    for (int p = 1; p < lines; ++p) index_user(p);
}

int colour_findrgb(int red, int green, int blue)
{
    if (g_standard) {
        int found = 0;
        for (int s = 1; s <= kStandardCount; ++s) {
            const ColourRecord& r = g_standard[s];
            if (r.red == red && r.green == green && r.blue == blue) found = s;
        }
        if (found) return found <= 3 ? found : found + 6;
    }
    int found = last_with_rgb(red, green, blue);
    // Only the last match is looked at, and only a used one counts.
    if (found && g_user[found].used) return found + 15;
    return 0;
}

int colour_findhex(const char* text)
{
    if (!text || text[0] != '#') return 0;
    int r, g, b;
    read_rgb(text + 1, &r, &g, &b);
    return colour_findrgb(r, g, b);
}

int colour_findname(const char* name)
{
    if (!name || std::strlen(name) > 31 || !g_user) return 0;
    int p = g_names.find(name);
    return p ? p + 15 : 0;
}

int colour_add(const char* text, int textcolour)
{
    if (!g_user) return 0;  // no document colours in this run
    int count = hdr_count(g_user);
    if (count >= hdr_capacity(g_user)) {
        show_message("Run out of user-defined colour slots... (\"%s\", %d / %d)", text, count, hdr_capacity(g_user));
        return 0;
    }
    ColourRecord& r = g_user[count];
    copy_name(r.name, text);
    if (text[0] == '#') {
        read_rgb(text + 1, &r.red, &r.green, &r.blue);
    } else {
        r.red = colour_component(textcolour, 1);  // 0 when no colour is set
        r.green = colour_component(textcolour, 2);
        r.blue = colour_component(textcolour, 3);
    }
    r.used = 1;
    hdr_count(g_user) = count + 1;
    index_user(count);
    return count + 15;
}

void colour_flagused(int number)
{
    if (number < 4) return;  // always declared
    if (number <= 9) {
        show_message("Attempt to flag a user-reserved colour (%d) as 'used'", number);
        return;
    }
    if (ColourRecord* r = record_of(number)) r->used = 1;
}

int colour_isused(int number)
{
    if (number < 10) return 1;
    const ColourRecord* r = record_of(number);
    return r ? r->used : 0;
}

int colour_component(int number, int which)
{
    if (which < 1 || which > 3) return 0;
    const ColourRecord* r = record_of(number);  // none for 0 and the reserved 4 to 9
    if (!r) return 0;
    return which == 1 ? r->red : which == 2 ? r->green : r->blue;
}

int colour_scale(int component) { return component == 255 ? 0x10000 : component * 256; }

const char* colour_displayname(int position)
{
    size_t n = 0;
    g_display[0] = '\0';
    if (position >= 1 && position <= kStandardCount) {
        if (!g_standard) return g_display;
        const char* name = g_standard[position].name;
        display_append(n, "VDU ", false);
        display_append(n, std::strlen(name) > 3 ? name + 3 : "", false);
        return g_display;
    }
    int p = position - kStandardCount;
    if (p < 1 || p >= user_count()) return g_display;
    const char* name = g_user[p].name;
    if (p < hdr_firstadded(g_user))
        display_append(n, "(browser)", false);
    else if (name[0] == '#')
        display_append(n, "(user) ", false);
    else
        display_append(n, "(user-dflt) ", false);
    display_append(n, name, true);
    return g_display;
}

void colour_writedecls()
{
    ddlout_direct(
        "COL_001={colour \"Black\" {cmyk 0x0 0x0 0x0 0x10000}{lock 1}}\n"
        "COL_002={colour \"White\" {rgb 0x10000 0x10000 0x10000}{lock 1}}\n"
        "COL_003={colour \"Transparent\" {rgb 0x10000 0x10000 0x10000}{transparent 1}}\n");
    if (g_standard)
        for (int s = 4; s <= kStandardCount; ++s) write_decl(s + 6, s, g_standard[s]);
    ddlout_direct("\n");
    for (int p = 1; p < user_count(); ++p)
        if (g_user[p].used) write_decl(p + 15, kStandardCount + p, g_user[p]);
    ddlout_direct("\n\n");
}

#include "resources/fontmap.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/ascii.h"
#include "base/lineread.h"
#include "resources/nameindex.h"
#include "base/memtrace.h"
#include "base/messages.h"
#include "base/runstate.h"

namespace {

struct FontMapEntry {
    char name[32];
    int32_t number;
};

struct FontExportEntry {
    char name[32];
    char text[128];
};

const int kLineLimit = 78;
const int kNameLimit = 31;
const int kTextLimit = 127;
const int kLowestFont = 1;
const int kHighestFont = 61;

FontMapEntry* g_map = nullptr;  // position 0 a header with number 0
int g_fontcount = 0;  // one more than the number of entries
NameIndex g_mapnames;  // the first entry with each (folded) name
FontExportEntry* g_export = nullptr;
int g_exportcount = 0;

void index_map()
{
    g_mapnames.clear();
    for (int p = 1; p < g_fontcount; ++p) g_mapnames.add(g_map[p].name, p);
}

void release_map()
{
    g_mapnames.clear();
    if (g_map) mem_release(g_map);
    g_map = nullptr;
    g_fontcount = 0;
}

void release_maps()
{
    release_map();
    if (g_export) mem_release(g_export);
    g_export = nullptr;
    g_exportcount = 0;
}

[[noreturn]] void no_memory(int count, const char* what)
{
    fatal_message(70, "Unable to allocate memory for %d %s, %s.", count, what,
                  "cannot continue (please free up memory)");
}

void missing(const char* leaf) { show_message("Couldn't open font map file \"%s\", setting default mappings.", leaf); }

bool is_mapping(const char* line) { return line[0] != ';' && std::strchr(line, '~') != nullptr; }

// The name before the "~": trailing spaces removed, folded, at most 31 characters.
void parse_name(const char* line, char out[32])
{
    size_t n = static_cast<size_t>(std::strchr(line, '~') - line);
    while (n > 0 && line[n - 1] == ' ') --n;
    if (n > static_cast<size_t>(kNameLimit)) n = kNameLimit;
    for (size_t i = 0; i < n; ++i) {
        char c = line[i];
        out[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    }
    out[n] = '\0';
}

// A decimal number: white space skipped, an optional sign, digits up to the
// first other character. Long digit runs are held out of range, never overflowed.
int parse_number(const char* p)
{
    while (ascii_isspace(static_cast<unsigned char>(*p))) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    long v = 0;
    while (*p >= '0' && *p <= '9') {
        if (v < 1000000) v = v * 10 + (*p - '0');
        ++p;
    }
    return static_cast<int>(negative ? -v : v);
}

// Lines with a "~" that are not comments, read as the loaders read them.
int count_mappings(SupportFile& f)
{
    char line[kLineLimit + 1];
    int count = 0;
    while (f.readline(line, kLineLimit) >= 0)
        if (is_mapping(line)) ++count;
    return count;
}

[[noreturn]] void short_preread() { fatal_message(70, "Error in font map loader, pre-read came up short"); }

void load_map(SupportFile& f)
{
    int count = count_mappings(f);
    f.rewind();
    g_map = static_cast<FontMapEntry*>(mem_claimzero(count + 1, sizeof(FontMapEntry)));
    if (!g_map) no_memory(count + 1, "font map entries");
    char line[kLineLimit + 1];
    int p = 1;
    while (f.readline(line, kLineLimit) >= 0) {
        if (!is_mapping(line)) continue;
        char name[32];
        parse_name(line, name);
        int number = parse_number(std::strchr(line, '~') + 1);
        if (number < kLowestFont || number > kHighestFont || name[0] == '\0') continue;
        if (p > count) short_preread();  // never store past the claimed table
        std::memcpy(g_map[p].name, name, sizeof name);
        g_map[p].number = number;
        ++p;
    }
    g_fontcount = p;
    index_map();
}

void load_export(SupportFile& f)
{
    int count = count_mappings(f);
    f.rewind();
    g_export = static_cast<FontExportEntry*>(mem_claimzero(count + 1, sizeof(FontExportEntry)));
    if (!g_export) no_memory(count + 1, "export font map entries");
    char line[kLineLimit + 1];
    int p = 1;
    while (f.readline(line, kLineLimit) >= 0) {
        if (!is_mapping(line)) continue;
        if (p > count) short_preread();
        FontExportEntry& e = g_export[p];
        parse_name(line, e.name);
        const char* text = std::strchr(line, '~') + 1;
        size_t n = std::strlen(text);
        if (n > 0 && text[n - 1] == '\n') --n;
        while (n > 0 && text[n - 1] == ' ') --n;
        if (n > static_cast<size_t>(kTextLimit)) n = kTextLimit;
        std::memcpy(e.text, text, n);
        e.text[n] = '\0';
        ++p;
    }
    g_exportcount = p - 1;
}

void copy_folded(char out[32], const char* in)
{
    size_t i = 0;
    for (; in[i] && i < static_cast<size_t>(kNameLimit); ++i) {
        char c = in[i];
        out[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    }
    out[i] = '\0';
}

}  // namespace

void fontmap_load()
{
    static bool registered = false;
    if (!registered) {
        std::atexit(release_maps);
        registered = true;
    }
    release_maps();  // a second load starts afresh

    SupportFile f;
    if (!f.open(run_supportpath("fontmap"))) {
        missing("fontmap");
        fontmap_defaults();
        return;
    }
    load_map(f);

    if (!f.open(run_supportpath("fontexpt"))) {
        // The defaults replace the map just read, so the two always match.
        missing("fontexpt");
        release_map();
        fontmap_defaults();
        return;
    }
    load_export(f);
}

void fontmap_defaults()
{
    static const struct {
        const char* face;
        int number;
    } kFaces[] = {
        {"Courier", kMonospacedFont},
        {"Courier New", kMonospacedFont},
        {"Mono", kMonospacedFont},
        {"Serif", 31},
        {"Times New Roman", 31},
        {"Times.New.Roman", 31},
        {"Arial", 41},
        {"Helvetica", 41},
        {"Sans Serif", 41},
        {"Trebuchet MS", 41},
        {"Verdana", 41},
        {"Comic Sans MS", 51},
    };
    static const struct {
        const char* name;
        const char* text;
    } kExports[] = {
        {"corpus", "Mono"},
        {"homerton", "Sans-Serif"},
        {"trinity", ""},
        {"sassoon", "Comic sans MS"},
    };
    release_maps();
    g_map = static_cast<FontMapEntry*>(mem_claimzero(14, sizeof(FontMapEntry)));
    if (!g_map) no_memory(14, "font map entries");
    int p = 1;
    for (const auto& d : kFaces) {
        copy_folded(g_map[p].name, d.face);
        g_map[p].number = d.number;
        ++p;
    }
    g_map[0].number = 0;
    g_fontcount = p;  // 13
    index_map();

    g_export = static_cast<FontExportEntry*>(mem_claimzero(5, sizeof(FontExportEntry)));
    if (!g_export) no_memory(5, "export font map entries");
    p = 1;
    for (const auto& d : kExports) {
        copy_folded(g_export[p].name, d.name);
        std::snprintf(g_export[p].text, sizeof g_export[p].text, "%s", d.text);
        ++p;
    }
    g_exportcount = p - 1;  // 4
}

int fontmap_find(const char* face)
{
    if (!g_map || !face) return 0;
    char key[32];
    copy_folded(key, face);
    int p = g_mapnames.find(key);
    return p ? g_map[p].number : 0;
}

const char* fontmap_exporttext(const char* hostname)
{
    if (!g_export || !hostname) return nullptr;
    char key[32];
    copy_folded(key, hostname);
    for (int p = 1; p <= g_exportcount; ++p)
        if (!std::strcmp(g_export[p].name, key)) return g_export[p].text;
    return nullptr;
}

int fontmap_count() { return g_fontcount; }

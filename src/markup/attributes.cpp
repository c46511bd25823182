// Attribute sub-parsers. Each finds its attribute name anywhere in the
// lower-cased parameter text of the tag just read (a plain substring
// search) and reads the value by a rule of its own.
#include "markup/attributes.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "markup/attrreader.h"
#include "markup/tagreader.h"
#include "base/platform.h"
#include "resources/colour.h"
#include "resources/config.h"
#include "resources/fontmap.h"
#include "base/bytescan.h"
#include "base/ascii.h"
#include "base/memtrace.h"
#include "base/messages.h"

namespace {

const int kStringLimit = 100;  // values this long or longer read as empty
const int kFaceLimit = 31;
const int kSrcLimit = 255;
const int kLeafLimit = 31;
const int kColourValueLimit = 100;  // colour values this long or longer read as empty
const char* const kUnknownFile = "<filename unknown>";
const char* const kClaimFailed = "<mem_alloc_failed>";

char g_string[kStringLimit];
char g_src[kSrcLimit + 1];
bool g_srccut = false;  // the last full-path src value did not fit
std::string g_srcspelled;  // html5tags: that value with its case kept
std::string g_own;  // html5tags: the lower-cased value a sub-parser reads

// The lower-cased text a sub-parser reads, and where the value starts in
// it: the tag's parameters, or under html5tags the attribute's value alone
// (references decoded), ended by '"' and '>' so that every reading stops
// at its end.
struct Copy {
    LoweredParams lowered;
    const char* text = nullptr;
    size_t len = 0;
    const char* value = nullptr;  // null when the name was not found

    const char* end() const { return text + len; }
};

// The value a sub-parser reads under html5tags, of the attribute of the
// whole name. A picture's name falls back on a lazy-loading data-*src
// when there is no src or it is a data: placeholder, which the design
// cannot embed, as the design's search finds "src" in data-*src.
const std::string* html5_value(std::string_view name)
{
    const std::string* v = attr_value(name);
    if (name != "src" || (v && !tagreader_isdatauri(v->data(), v->size()))) return v;
    // Each call gives its value in the same place: read again.
    const std::string* lazy = attr_valuelike("data-", "src");
    return lazy ? lazy : attr_value(name);
}

// Claims the copy and finds the name. False when the claim failed (after
// the recovery message; without recovery the run ends here).
bool open_copy(Copy& c, std::string_view name)
{
    if (settings.html5tags) {
        const std::string* v = html5_value(name);
        if (!v) return true;
        std::string& own = g_own;
        own.resize(v->size() + 2);
        bytescan::lower_copy(own.data(), v->data(), v->size());
        own[v->size()] = '"';
        own[v->size() + 1] = '>';
        c.text = own.c_str();
        c.len = own.size();
        const char* p = c.text;
        while (*p == '"' || *p == ' ' || *p == '=' || *p == '\'') ++p;
        // The closing '"' is a value's end, not something to skip.
        if (*p == '>') --p;
        c.value = p;
        return true;
    }
    if (!c.lowered.take()) {
        if (!settings.trytorecover) fatal_message(50, "Unable to claim memory for subparse");
        show_message("TryToRecover: %s", "Unable to claim memory for subparse");
        return false;
    }
    c.text = c.lowered.text;
    c.len = c.lowered.len;
    const char* at = c.lowered.find(name.data(), name.size());
    if (!at) return true;
    const char* p = at + name.size();
    while (*p == '"' || *p == ' ' || *p == '=' || *p == '\'') ++p;
    c.value = p;
    return true;
}

// Whether ch (never the NUL) is one of `stops`.
bool is_stop(const char* stops, char ch)
{
    for (; *stops; ++stops)
        if (*stops == ch) return true;
    return false;
}

// From the second value character on, the first character in `stops`, or
// null when the text ends first.
const char* scan_to(const Copy& c, const char* stops)
{
    if (*c.value == '\0') return nullptr;
    for (const char* p = c.value + 1; *p; ++p)
        if (is_stop(stops, *p)) return p;
    return nullptr;
}

// Back from the cut to just after the nearest character in `stops` (or the
// start of the text).
const char* back_to(const Copy& c, const char* cut, const char* stops, bool at_separator = false)
{
    const char* p = cut;
    while (p > c.text) {
        char ch = p[-1];
        if (is_stop(stops, ch) || (at_separator && platform_issep(ch))) break;
        --p;
    }
    return p;
}

// A decimal integer at p: blanks skipped, an optional sign, digits. Long
// digit runs are held, never overflowed.
long read_integer(const char* p)
{
    while (*p == ' ' || *p == '\t') ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    long v = 0;
    while (*p >= '0' && *p <= '9') {
        if (v < 100000000L) v = v * 10 + (*p - '0');
        ++p;
    }
    return negative ? -v : v;
}

// The number value of an attribute; *found says whether the name was there.
int number_of(const char* name, bool* found)
{
    Copy c;
    *found = false;
    if (!open_copy(c, name) || !c.value) return 0;
    *found = true;
    return static_cast<int>(read_integer(c.value));
}

bool has_name(const Copy& c, std::string_view name)
{
    if (settings.html5tags) return attr_has(name);
    return c.lowered.find(name.data(), name.size()) != nullptr;
}

}  // namespace

int subparse_alignkind()
{
    if (settings.ignorealignment || g_tag.paramlen <= 0) return -1;
    Copy c;
    if (!open_copy(c, "align") || !c.value) return -1;
    switch (*c.value) {
    case 'l': return ALIGN_NORMAL;
    case 'c': return ALIGN_CENTRED;
    case 'r': return ALIGN_RIGHT;
    default: return -1;  // justify and anything else
    }
}

int subparse_facefont()
{
    if (settings.ignorefonts) return 0;
    Copy c;
    if (!open_copy(c, "face") || !c.value) return 0;
    const char* cut = scan_to(c, "\"'>");
    if (!cut) return 0;
    // An unquoted face followed by further attributes keeps what follows the last '='.
    const char* start = back_to(c, cut, "\"'=");
    size_t len = static_cast<size_t>(cut - start);
    if (len > static_cast<size_t>(kFaceLimit)) len = kFaceLimit;
    char faces[kFaceLimit + 1];
    std::memcpy(faces, start, len);
    faces[len] = '\0';
    // A list of faces: the first one the font map knows is used.
    char* name = faces;
    for (;;) {
        char* comma = std::strchr(name, ',');
        if (comma) *comma = '\0';
        int font = fontmap_find(name);
        if (font) return font;
        if (!comma) return 0;
        name = comma + 1;
    }
}

int subparse_sizevalue()
{
    Copy c;
    if (!open_copy(c, "size") || !c.value) return 0;
    const char* p = c.value;
    char mode = 0;
    if (*p == '+' || *p == '-') mode = *p++;
    long n = 0;
    while (*p >= '0' && *p <= '9') {
        if (n < 1000) n = n * 10 + (*p - '0');
        ++p;
    }
    if (mode == '+')
        n += 3;
    else if (mode == '-')
        n = 3 - n;
    if (n < 1) n = 1;
    if (n > 7) n = 7;
    return static_cast<int>(n);
}

int subparse_colourvalue(int textcolour)
{
    if (settings.disabledoccols || settings.processblind) return 0;
    bool color, colour;
    if (settings.html5tags) {
        color = attr_has("color");
        colour = attr_has("colour");
    } else {
        Copy c;
        if (!open_copy(c, "color")) return 0;
        color = has_name(c, "color");
        colour = has_name(c, "colour");
    }
    if (!color && !colour) return 0;
    int n = 0;
    if (color) n = colour_fromattribute("color", textcolour);
    if (colour) n = colour_fromattribute("colour", textcolour);
    if (n == 0) {
        show_message(
            "Unusual error! Could not match font colour in the following HTML command at line %lld "
            "(this colour should have been defined in the first pass)...",
            g_line);
        show_message("<%s %s", g_tag.name, g_tag.params);
        return 0;
    }
    return n;
}

int colour_fromattribute(std::string_view attribute, int textcolour)
{
    LoweredParams lowered;
    const char* at = nullptr;
    size_t k = attribute.size();
    if (settings.html5tags) {
        // The value alone, read as the design reads what follows the name.
        const std::string* v = attr_value(attribute);
        if (!v) return 0;
        std::string& own = g_own;
        own.resize(v->size() + 1);
        own[0] = '=';
        bytescan::lower_copy(own.data() + 1, v->data(), v->size());
        at = own.c_str();
        k = 1;
    } else if (!lowered.take()) {
        if (settings.trytorecover) {
            show_message("TryToRecover: %s %s - %s", "Unable to claim memory for subparse", "in colour lookup",
                         "disabling document colours");
            settings.disabledoccols = 1;
            return 0;
        }
        fatal_message(50, "%s %s", "Unable to claim memory for subparse", "in colour lookup");
    }
    if (!at) at = lowered.find(attribute.data(), k);
    if (!at) return 0;
    const char* p = at + k;
    while (*p && !ascii_isalnum(static_cast<unsigned char>(*p))) ++p;
    const char* start = (p > at && p[-1] == '#') ? p - 1 : p;
    while (*p && ascii_isalnum(static_cast<unsigned char>(*p))) ++p;
    std::string value(start, p);
    if (value.size() >= static_cast<size_t>(kColourValueLimit)) value.clear();
    lowered.release();  // before the table is searched

    if (value.empty() || value[0] != '#') {
        int n = colour_findname(value.c_str());
        if (n) {
            colour_flagused(n);
            return n;
        }
        if (value.size() != 6) return colour_add(value.c_str(), textcolour);
        for (char c : value)
            if (!ascii_ishex(static_cast<unsigned char>(c))) return 1;  // six letters, but no colour: black
        value.insert(value.begin(), '#');
    }
    int n = colour_findhex(value.c_str());
    if (n == 0) return colour_add(value.c_str(), textcolour);
    colour_flagused(n);
    return n;
}

int subparse_number(const char* name)
{
    bool found;
    return number_of(name, &found);
}

bool subparse_integer(const char* name, int* value)
{
    const int kIntegerLimit = 1000000000;
    Copy c;
    if (!open_copy(c, name) || !c.value) return false;
    const char* p = c.value;
    bool negative = *p == '-';
    if (*p == '+' || *p == '-') ++p;
    if (*p < '0' || *p > '9') return false;
    int v = 0;
    for (; *p >= '0' && *p <= '9'; ++p) v = v < kIntegerLimit / 10 ? v * 10 + (*p - '0') : kIntegerLimit;
    if (v > kIntegerLimit) v = kIntegerLimit;
    *value = negative ? -v : v;
    return true;
}

const char* subparse_string(const char* name)
{
    g_string[0] = '\0';
    Copy c;
    if (!open_copy(c, name) || !c.value) return g_string;
    const char* cut = scan_to(c, "\"'");
    if (!cut) return g_string;
    const char* start = back_to(c, cut, "\"'");
    size_t len = static_cast<size_t>(cut - start);
    if (len >= static_cast<size_t>(kStringLimit)) return g_string;
    std::memcpy(g_string, start, len);
    g_string[len] = '\0';
    return g_string;
}

bool subparse_srccut() { return g_srccut; }

const char* subparse_srcspelled() { return g_srcspelled.c_str(); }

const char* subparse_src(int leafonly)
{
    if (!leafonly) g_srccut = false;
    Copy c;
    if (!open_copy(c, "src")) return kClaimFailed;
    if (!c.value) return kUnknownFile;
    const char* cut = scan_to(c, "\"'> ");
    if (!cut) return kUnknownFile;
    const char* start = back_to(c, cut, "\"'= ", leafonly != 0);
    size_t len = static_cast<size_t>(cut - start);
    size_t limit = leafonly ? kLeafLimit : kSrcLimit;
    if (!leafonly) g_srccut = len > limit;
    if (len > limit) len = limit;
    if (len == 0) return kUnknownFile;
    std::memcpy(g_src, start, len);
    g_src[len] = '\0';
    if (settings.html5tags && !leafonly) {
        // The same bytes of the value as it is spelt.
        const std::string* v = html5_value("src");
        size_t at = static_cast<size_t>(start - c.text);
        g_srcspelled = v && at + len <= v->size() ? v->substr(at, len) : std::string(g_src);
    }
    return g_src;
}

unsigned subparse_dimensions()
{
    bool has_width = false, has_height = false;
    int width = number_of("width", &has_width);
    if (!has_width) return 0;
    int height = number_of("height", &has_height);
    if (!has_height) return 0;
    return static_cast<unsigned>(width) + static_cast<unsigned>(height) * 65536u;
}

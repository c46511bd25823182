#include "markup/attrreader.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "base/ascii.h"
#include "base/charset.h"
#include "markup/tagreader.h"
#include "markup/tagstate.h"
#include "resources/html5names.h"

namespace {

const char* g_text;  // the text of the offsets in g_tagattrs
std::string g_value;

void find_all()
{
    TagAttrs& f = g_tagattrs;
    g_text = g_tag.longparams ? g_longparams.data() : g_tag.params;
    if (f.serial == g_tag.serial && f.paramlen == g_tag.paramlen && f.longparams == g_tag.longparams) return;
    f.serial = g_tag.serial;
    f.paramlen = g_tag.paramlen;
    f.longparams = g_tag.longparams;
    f.list.clear();
    size_t n = g_tag.longparams ? g_longparams.size() : tagreader_paramtext();
    tagstate_scan(reinterpret_cast<const unsigned char*>(g_text), n, &f.list);
}

bool same_name(const char* a, size_t n, std::string_view lower)
{
    if (n != lower.size()) return false;
    if (std::memcmp(a, lower.data(), n) == 0) return true;  // names are mostly written in lower case
    for (size_t i = 0; i < n; ++i)
        if (ascii_lower(static_cast<int>(static_cast<unsigned char>(a[i]))) != static_cast<unsigned char>(lower[i]))
            return false;
    return true;
}

const TagAttr* find(std::string_view name)
{
    find_all();
    for (const TagAttr& s : g_tagattrs.list)
        if (same_name(g_text + s.name, s.namelen, name)) return &s;
    return nullptr;
}

const std::string* value_of(const TagAttr* s)
{
    g_value.clear();
    if (s->hasvalue) {
        size_t n = s->valuelen;
        if (n > kAttrValueLimit && !tagreader_isdatauri(g_text + s->value, n)) n = kAttrValueLimit;
        attr_decode(g_text + s->value, n, &g_value);
    }
    return &g_value;
}

// The code point of a numeric reference, as the standard replaces the
// ones that name no character.
uint32_t numeric_char(uint32_t v)
{
    if (v == 0 || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0xFFFD;
    if (v >= 0x80 && v <= 0x9F) return charset_win1252(static_cast<unsigned char>(v));
    return v;
}

// Appends the host form of the characters; false, with nothing appended,
// when one has none.
bool append_host(uint32_t first, uint32_t second, std::string* out)
{
    char a[4], b[4];
    int na = host_spell(first, a);
    int nb = second ? host_spell(second, b) : 0;
    if (na < 0 || nb < 0) return false;
    out->append(a, static_cast<size_t>(na));
    out->append(b, static_cast<size_t>(nb));
    return true;
}

// The length of a numeric reference at p (after its "&#"), 0 for none,
// and its character.
size_t numeric_reference(const char* p, size_t n, uint32_t* code)
{
    size_t i = 0;
    bool hex = i < n && (p[i] == 'x' || p[i] == 'X');
    if (hex) ++i;
    size_t digits = i;
    uint32_t v = 0;
    for (; i < n; ++i) {
        int c = static_cast<unsigned char>(p[i]);
        if (hex ? !ascii_ishex(c) : !ascii_isdigit(c)) break;
        int d = ascii_isdigit(c) ? c - '0' : ascii_lower(c) - 'a' + 10;
        if (v <= 0x10FFFF) v = v * (hex ? 16 : 10) + static_cast<uint32_t>(d);
    }
    if (i == digits) return 0;
    if (i < n && p[i] == ';') ++i;
    *code = numeric_char(v);
    return i;
}

}  // namespace

bool attr_has(std::string_view name) { return find(name) != nullptr; }

bool attr_haseither(std::string_view a, std::string_view b)
{
    find_all();
    for (const TagAttr& s : g_tagattrs.list)
        if (same_name(g_text + s.name, s.namelen, a) || same_name(g_text + s.name, s.namelen, b)) return true;
    return false;
}

const std::string* attr_value(std::string_view name)
{
    const TagAttr* s = find(name);
    return s ? value_of(s) : nullptr;
}

const std::string* attr_valuelike(std::string_view prefix, std::string_view suffix)
{
    find_all();
    for (const TagAttr& s : g_tagattrs.list) {
        if (s.namelen < prefix.size() + suffix.size()) continue;
        const char* name = g_text + s.name;
        if (same_name(name, prefix.size(), prefix) &&
            same_name(name + s.namelen - suffix.size(), suffix.size(), suffix))
            return value_of(&s);
    }
    return nullptr;
}

void attr_all(std::vector<std::pair<std::string, std::string>>* out)
{
    out->clear();
    find_all();
    for (const TagAttr& s : g_tagattrs.list) {
        std::string name(g_text + s.name, s.namelen);
        for (char& c : name) c = ascii_lower(c);
        out->emplace_back(std::move(name), *value_of(&s));
    }
}

void attr_decode(const char* p, size_t n, std::string* out)
{
    size_t i = 0;
    while (i < n) {
        const char* amp = static_cast<const char*>(std::memchr(p + i, '&', n - i));
        size_t run = amp ? static_cast<size_t>(amp - (p + i)) : n - i;
        out->append(p + i, run);
        i += run;
        if (i >= n) break;
        ++i;  // the '&'
        uint32_t first = 0, second = 0;
        size_t len = 0;
        if (i < n && p[i] == '#') {
            len = numeric_reference(p + i + 1, n - i - 1, &first);
            if (len) ++len;
        } else {
            len = entity_reference(p + i, n - i, true, &first, &second);
        }
        if (len && append_host(first, second, out)) {
            i += len;
        } else {
            out->push_back('&');
        }
    }
}

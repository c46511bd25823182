// Picture names as browsers write them: file names, `data:` URIs, `srcset`
// candidates, lazy-loading sources and frame sizes.
#include "pictures/picturename.h"

#include <algorithm>
#include <cstdlib>

namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool starts_nocase(const std::string& s, size_t at, const char* word)
{
    for (size_t i = 0; word[i]; ++i)
        if (at + i >= s.size() || lower(s[at + i]) != word[i]) return false;
    return true;
}

bool ends_nocase(const std::string& s, const char* word)
{
    size_t n = std::char_traits<char>::length(word);
    return s.size() >= n && starts_nocase(s, s.size() - n, word);
}

int hex_value(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    c = lower(c);
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Percent escapes to bytes, appended to *out; stops at `limit` bytes.
bool percent_decode(const std::string& s, size_t from, size_t to, std::string* out, size_t limit)
{
    for (size_t i = from; i < to; ++i) {
        if (out->size() >= limit) return false;
        char c = s[i];
        if (c == '%' && i + 2 < to && hex_value(s[i + 1]) >= 0 && hex_value(s[i + 2]) >= 0) {
            out->push_back(static_cast<char>(hex_value(s[i + 1]) * 16 + hex_value(s[i + 2])));
            i += 2;
        } else {
            out->push_back(c);
        }
    }
    return true;
}

size_t skip_spaces(const std::string& s, size_t at)
{
    while (at < s.size() && is_space(s[at])) ++at;
    return at;
}

int base64_value(char c)
{
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+' || c == '-') return 62;
    if (c == '/' || c == '_') return 63;
    return -1;
}

// A descriptor's number: digits, an optional fraction and exponent, the
// whole token used.
bool parse_number(const std::string& t, bool integer, double* v)
{
    if (t.empty()) return false;
    for (char c : t)
        if (integer ? !(c >= '0' && c <= '9')
                    : !((c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '-' || c == '+'))
            return false;
    char* end = nullptr;
    *v = std::strtod(t.c_str(), &end);
    return end && *end == '\0' && *v > 0 && *v < 1e9;
}

bool parse_descriptors(const std::vector<std::string>& tokens, SrcsetCandidate* c)
{
    bool has_w = false, has_x = false, has_h = false;
    for (const std::string& t : tokens) {
        char last = lower(t.back());
        std::string num = t.substr(0, t.size() - 1);
        double v = 0;
        if (last == 'w') {
            if (has_w || has_x || !parse_number(num, true, &v)) return false;
            has_w = true;
            c->width = v;
        } else if (last == 'x') {
            if (has_w || has_x || has_h || !parse_number(num, false, &v)) return false;
            has_x = true;
            c->density = v;
        } else if (last == 'h') {
            if (has_h || has_x || !parse_number(num, true, &v)) return false;
            has_h = true;
        } else {
            return false;
        }
    }
    return !has_h || has_w;
}

}  // namespace

bool picturename_isdata(const std::string& value) { return starts_nocase(value, skip_spaces(value, 0), "data:"); }

std::string picturename_path(const std::string& value)
{
    if (picturename_isdata(value)) return "";
    size_t from = skip_spaces(value, 0);
    size_t to = value.size();
    while (to > from && is_space(value[to - 1])) --to;
    size_t cut = value.find_first_of("?#", from);
    if (cut != std::string::npos && cut < to) to = cut;
    if (starts_nocase(value, from, "file:")) {
        from += 5;
        if (value.compare(from, 2, "//") == 0 && from + 2 <= to) {
            from += 2;
            size_t slash = value.find('/', from);
            if (slash == std::string::npos || slash > to) slash = to;
            std::string host = value.substr(from, slash - from);
            if (!host.empty() && !(host.size() == 9 && starts_nocase(host, 0, "localhost"))) return "";
            from = slash;
        }
    }
    std::string out;
    percent_decode(value, from, to, &out, value.size() + 1);
    return out;
}

bool datauri_decode(const std::string& value, std::string* type, std::string* bytes, size_t limit)
{
    type->clear();
    bytes->clear();
    size_t at = skip_spaces(value, 0);
    if (!starts_nocase(value, at, "data:")) return false;
    at += 5;
    size_t comma = value.find(',', at);
    if (comma == std::string::npos) return false;
    std::string header = value.substr(at, comma - at);
    bool base64 = false;
    size_t semi = header.find(';');
    std::string media = header.substr(0, semi);
    while (semi != std::string::npos) {
        size_t next = header.find(';', semi + 1);
        std::string param = header.substr(semi + 1, next == std::string::npos ? std::string::npos : next - semi - 1);
        size_t a = skip_spaces(param, 0);
        if (param.size() - a >= 6 && starts_nocase(param, a, "base64") && skip_spaces(param, a + 6) == param.size())
            base64 = true;
        semi = next;
    }
    for (char c : media)
        if (!is_space(c)) type->push_back(lower(c));
    if (!base64) return percent_decode(value, comma + 1, value.size(), bytes, limit);
    // Base64 works on the percent-decoded text, as browsers do.
    std::string text;
    if (!percent_decode(value, comma + 1, value.size(), &text, limit / 3 * 4 + 8)) return false;
    unsigned acc = 0;
    int bits = 0;
    size_t pads = 0;
    for (char c : text) {
        if (is_space(c)) continue;
        if (c == '=') {
            ++pads;
            continue;
        }
        int v = base64_value(c);
        if (v < 0 || pads > 0) return false;
        acc = (acc << 6) | static_cast<unsigned>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            if (bytes->size() >= limit) return false;
            bytes->push_back(static_cast<char>((acc >> bits) & 0xFF));
        }
    }
    return pads <= 2 && bits != 6;
}

std::vector<SrcsetCandidate> srcset_parse(const std::string& s)
{
    std::vector<SrcsetCandidate> out;
    size_t at = 0;
    for (;;) {
        while (at < s.size() && (is_space(s[at]) || s[at] == ',')) ++at;
        if (at >= s.size()) break;
        size_t start = at;
        while (at < s.size() && !is_space(s[at])) ++at;
        std::string url = s.substr(start, at - start);
        std::vector<std::string> tokens;
        if (!url.empty() && url.back() == ',') {
            while (!url.empty() && url.back() == ',') url.pop_back();
        } else {
            // Descriptors up to a comma outside parentheses.
            std::string cur;
            bool parens = false;
            at = skip_spaces(s, at);
            for (; at < s.size(); ++at) {
                char c = s[at];
                if (parens) {
                    cur.push_back(c);
                    if (c == ')') parens = false;
                } else if (is_space(c)) {
                    if (!cur.empty()) tokens.push_back(cur);
                    cur.clear();
                } else if (c == ',') {
                    ++at;
                    break;
                } else {
                    cur.push_back(c);
                    if (c == '(') parens = true;
                }
            }
            if (!cur.empty()) tokens.push_back(cur);
        }
        SrcsetCandidate c;
        c.url = url;
        if (!url.empty() && parse_descriptors(tokens, &c)) out.push_back(c);
    }
    auto size = [](const SrcsetCandidate& c) { return c.width > 0 ? c.width : (c.density > 0 ? c.density : 1.0); };
    bool widths = std::any_of(out.begin(), out.end(), [](const SrcsetCandidate& c) { return c.width > 0; });
    std::stable_sort(out.begin(), out.end(), [&](const SrcsetCandidate& a, const SrcsetCandidate& b) {
        // Width candidates rank above density ones when both kinds appear.
        if (widths && (a.width > 0) != (b.width > 0)) return a.width > 0;
        return size(a) > size(b);
    });
    return out;
}

bool picturename_isplaceholder(const std::string& src)
{
    size_t at = skip_spaces(src, 0);
    if (at >= src.size()) return true;
    return picturename_isdata(src) && src.size() - at < 200;
}

std::string picturename_lazysource(bool has_src, const std::string& src, const std::vector<PictureAttribute>& attrs)
{
    if (has_src && !picturename_isplaceholder(src)) return src;
    for (const PictureAttribute& a : attrs) {
        bool lazy =
            starts_nocase(a.name, 0, "data-") && ((a.name.size() >= 8 && ends_nocase(a.name, "src")) ||
                                                  (a.name.size() == 13 && starts_nocase(a.name, 0, "data-original")));
        if (lazy && !picturename_isplaceholder(a.value)) return a.value;
    }
    return has_src ? src : std::string();
}

void pictureframe_pixels(unsigned picw, unsigned pich, int orientation, unsigned tagw, unsigned tagh, unsigned* w,
                         unsigned* h)
{
    if (orientation >= 5 && orientation <= 8) std::swap(picw, pich);
    *w = tagw;
    *h = tagh;
    if (tagw && tagh) return;
    if (!tagw && !tagh) {
        *w = picw;
        *h = pich;
        return;
    }
    if (!picw || !pich) {
        // No proportions known: a square.
        *w = tagw ? tagw : tagh;
        *h = *w;
        return;
    }
    unsigned long long other = tagw ? (static_cast<unsigned long long>(tagw) * pich * 2 + picw) / (2ull * picw)
                                    : (static_cast<unsigned long long>(tagh) * picw * 2 + pich) / (2ull * pich);
    if (other < 1) other = 1;
    if (other > 0xFFFFFFFFull) other = 0xFFFFFFFFull;
    (tagw ? *h : *w) = static_cast<unsigned>(other);
}

unsigned pictureframe_packed(unsigned picw, unsigned pich, int orientation, unsigned tagw, unsigned tagh)
{
    unsigned w = 0, h = 0;
    pictureframe_pixels(picw, pich, orientation, tagw, tagh, &w, &h);
    if (w > 65535) w = 65535;
    if (h > 65535) h = 65535;
    return w | h << 16;
}

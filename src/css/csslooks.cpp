#include "css/csslooks.h"

#include <cmath>
#include <cstring>

#include "base/ascii.h"

namespace {

// The HTML standard's rendering section, for the tags this program knows:
// bold 1 is font-weight bold, 2 is bolder; size a factor of the parent's.
const double kSmaller = 1 / 1.2;
const CssDefault kDefaults[] = {
    {"address", 0, 1, 0, 0, 0, 1, -1, 0, 0},
    {"article", 0, 0, 0, 0, 0, 1, -1, 0, 0},
    {"aside", 0, 0, 0, 0, 0, 1, -1, 0, 0},
    {"b", 2, 0, 0, 0, 0, 0, -1, 0, 0},
    {"big", 0, 0, 0, 0, 1.2, 0, -1, 0, 0},
    {"blockquote", 0, 0, 0, 0, 0, 1, -1, 0, 0},
    {"body", 0, 0, 0, 0, 0, 1, -1, 0, 0},
    {"caption", 0, 0, 0, 0, 0, 1, CSS_ALIGN_CENTER, 0, 0},
    {"center", 0, 0, 0, 0, 0, 1, CSS_ALIGN_CENTER, 0, 0},
    {"cite", 0, 1, 0, 0, 0, 0, -1, 0, 0},
    {"dd", 0, 0, 0, 0, 0, 1, -1, 0, 0},
    {"del", 0, 0, 0, 1, 0, 0, -1, 0, 0},
    {"details", 0, 0, 0, 0, 0, 1, -1, 0, 0},
    {"dfn", 0, 1, 0, 0, 0, 0, -1, 0, 0},
    {"dialog", 0, 0, 0, 0, 0, 1, -1, 0, 0},
    {"div", 0, 0, 0, 0, 0, 1, -1, 0, 0},
    {"dl", 0, 0, 0, 0, 0, 1, -1, 0, 0},
    {"dt", 0, 0, 0, 0, 0, 1, -1, 0, 0},
    {"em", 0, 1, 0, 0, 0, 0, -1, 0, 0},
    {"figcaption", 0, 0, 0, 0, 0, 1, -1, 0, 0},
    {"figure", 0, 0, 0, 0, 0, 1, -1, 0, 0},
    {"footer", 0, 0, 0, 0, 0, 1, -1, 0, 0},
    {"form", 0, 0, 0, 0, 0, 1, -1, 0, 0},
    {"h1", 1, 0, 0, 0, 2, 1, -1, 0, 0},
    {"h2", 1, 0, 0, 0, 1.5, 1, -1, 0, 0},
    {"h3", 1, 0, 0, 0, 1.17, 1, -1, 0, 0},
    {"h4", 1, 0, 0, 0, 1, 1, -1, 0, 0},
    {"h5", 1, 0, 0, 0, 0.83, 1, -1, 0, 0},
    {"h6", 1, 0, 0, 0, 0.67, 1, -1, 0, 0},
    {"head", 0, 0, 0, 0, 0, 0, -1, 0, 1},
    {"header", 0, 0, 0, 0, 0, 1, -1, 0, 0},
    {"hgroup", 0, 0, 0, 0, 0, 1, -1, 0, 0},
    {"hr", 0, 0, 0, 0, 0, 1, -1, 0, 0},
    {"html", 0, 0, 0, 0, 0, 1, -1, 0, 0},
    {"i", 0, 1, 0, 0, 0, 0, -1, 0, 0},
    {"ins", 0, 0, 1, 0, 0, 0, -1, 0, 0},
    {"li", 0, 0, 0, 0, 0, 1, -1, 0, 0},
    {"listing", 0, 0, 0, 0, 0, 1, -1, 1, 0},
    {"main", 0, 0, 0, 0, 0, 1, -1, 0, 0},
    {"nav", 0, 0, 0, 0, 0, 1, -1, 0, 0},
    {"noscript", 0, 0, 0, 0, 0, 0, -1, 0, 1},
    {"ol", 0, 0, 0, 0, 0, 1, -1, 0, 0},
    {"p", 0, 0, 0, 0, 0, 1, -1, 0, 0},
    {"plaintext", 0, 0, 0, 0, 0, 1, -1, 1, 0},
    {"pre", 0, 0, 0, 0, 0, 1, -1, 1, 0},
    {"s", 0, 0, 0, 1, 0, 0, -1, 0, 0},
    {"script", 0, 0, 0, 0, 0, 0, -1, 0, 1},
    {"section", 0, 0, 0, 0, 0, 1, -1, 0, 0},
    {"small", 0, 0, 0, 0, kSmaller, 0, -1, 0, 0},
    {"strike", 0, 0, 0, 1, 0, 0, -1, 0, 0},
    {"strong", 2, 0, 0, 0, 0, 0, -1, 0, 0},
    {"style", 0, 0, 0, 0, 0, 0, -1, 0, 1},
    {"sub", 0, 0, 0, 0, kSmaller, 0, -1, 0, 0},
    {"summary", 0, 0, 0, 0, 0, 1, -1, 0, 0},
    {"sup", 0, 0, 0, 0, kSmaller, 0, -1, 0, 0},
    {"table", 0, 0, 0, 0, 0, 1, -1, 0, 0},
    {"template", 0, 0, 0, 0, 0, 0, -1, 0, 1},
    {"th", 1, 0, 0, 0, 0, 0, CSS_ALIGN_CENTER, 0, 0},
    {"title", 0, 0, 0, 0, 0, 0, -1, 0, 1},
    {"u", 0, 0, 1, 0, 0, 0, -1, 0, 0},
    {"ul", 0, 0, 0, 0, 0, 1, -1, 0, 0},
    {"var", 0, 1, 0, 0, 0, 0, -1, 0, 0},
    {"xmp", 0, 0, 0, 0, 0, 1, -1, 1, 0},
};

// The value's tokens without white space.
std::vector<const CssToken*> words(const std::vector<CssToken>& v)
{
    std::vector<const CssToken*> out;
    for (const CssToken& t : v)
        if (t.type != CSS_WHITESPACE) out.push_back(&t);
    return out;
}

bool ident_is(const CssToken* t, const char* w) { return t->type == CSS_IDENT && ascii_lowered(t->text) == w; }

int bolder(int w) { return w < 350 ? 400 : w < 550 ? 700 : 900; }
int lighter(int w) { return w < 550 ? 100 : w < 750 ? 400 : 700; }

bool weight_of(const CssToken* t, int parent, int* out)
{
    if (t->type == CSS_NUMBER && t->number >= 1 && t->number <= 1000) {
        *out = static_cast<int>(t->number);
        return true;
    }
    if (t->type != CSS_IDENT) return false;
    std::string w = ascii_lowered(t->text);
    if (w == "normal")
        *out = 400;
    else if (w == "bold")
        *out = 700;
    else if (w == "bolder")
        *out = bolder(parent);
    else if (w == "lighter")
        *out = lighter(parent);
    else
        return false;
    return true;
}

bool size_of(const CssToken* t, double parent, double root, double* out)
{
    if (t->type == CSS_IDENT) {
        static const struct {
            const char* name;
            double px;
        } kKeys[] = {{"xx-small", 9}, {"x-small", 10}, {"small", 13},    {"medium", 16},
                     {"large", 18},   {"x-large", 24}, {"xx-large", 32}, {"xxx-large", 48}};
        std::string w = ascii_lowered(t->text);
        for (const auto& k : kKeys)
            if (w == k.name) {
                *out = k.px;
                return true;
            }
        if (w == "larger")
            *out = parent * 1.2;
        else if (w == "smaller")
            *out = parent / 1.2;
        else
            return false;
        return true;
    }
    if (t->number < 0) return false;
    if (t->type == CSS_PERCENTAGE) {
        *out = parent * t->number / 100;
        return true;
    }
    if (t->type == CSS_NUMBER && t->number == 0) {
        *out = 0;
        return true;
    }
    if (t->type != CSS_DIMENSION) return false;
    std::string u = ascii_lowered(t->text);
    double f = u == "px"                ? 1
               : u == "pt"              ? 4.0 / 3
               : u == "pc"              ? 16
               : u == "in"              ? 96
               : u == "cm"              ? 96 / 2.54
               : u == "mm"              ? 96 / 25.4
               : u == "em"              ? parent
               : u == "rem"             ? root
               : u == "ex" || u == "ch" ? parent / 2
               : u == "vw"              ? 12.8
               : u == "vh"              ? 10.24
                                        : -1;
    if (f < 0) return false;
    *out = t->number * f;
    return true;
}

double clamp255(double v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

// A component of rgb(): a number (0-255) or a percentage.
bool component(const CssToken* t, uint8_t* out)
{
    double v;
    if (t->type == CSS_NUMBER)
        v = t->number;
    else if (t->type == CSS_PERCENTAGE)
        v = t->number * 2.55;
    else
        return false;
    *out = static_cast<uint8_t>(std::lround(clamp255(v)));
    return true;
}

double hue_to_rgb(double p, double q, double t)
{
    if (t < 0) t += 1;
    if (t > 1) t -= 1;
    if (t < 1.0 / 6) return p + (q - p) * 6 * t;
    if (t < 0.5) return q;
    if (t < 2.0 / 3) return p + (q - p) * (2.0 / 3 - t) * 6;
    return p;
}

int hex_digit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(c | 0x20);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

}  // namespace

const CssDefault* css_default(const std::string& tag)
{
    for (const CssDefault& d : kDefaults)
        if (tag == d.tag) return &d;
    return nullptr;
}

bool css_colour(const std::vector<CssToken>& value, CssColour* out)
{
    std::vector<const CssToken*> w = words(value);
    if (w.empty()) return false;
    const CssToken* t = w[0];
    if (t->type == CSS_HASH && w.size() == 1) {
        const std::string& h = t->text;
        for (char c : h)
            if (hex_digit(c) < 0) return false;
        int d[8] = {};
        for (size_t i = 0; i < h.size() && i < 8; ++i) d[i] = hex_digit(h[i]);
        if (h.size() == 3 || h.size() == 4) {
            out->r = static_cast<uint8_t>(d[0] * 17);
            out->g = static_cast<uint8_t>(d[1] * 17);
            out->b = static_cast<uint8_t>(d[2] * 17);
        } else if (h.size() == 6 || h.size() == 8) {
            out->r = static_cast<uint8_t>(d[0] * 16 + d[1]);
            out->g = static_cast<uint8_t>(d[2] * 16 + d[3]);
            out->b = static_cast<uint8_t>(d[4] * 16 + d[5]);
        } else {
            return false;
        }
        out->set = true;
        out->name.clear();
        return true;
    }
    if (t->type == CSS_IDENT && w.size() == 1) {
        out->set = true;
        out->name = ascii_lowered(t->text);
        return true;
    }
    if (t->type != CSS_FUNCTION) return false;
    std::string f = ascii_lowered(t->text);
    // The arguments, commas and "/" aside.
    std::vector<const CssToken*> a;
    for (size_t i = 1; i < w.size(); ++i) {
        if (w[i]->type == CSS_RPAREN) break;
        if (w[i]->type == CSS_COMMA || (w[i]->type == CSS_DELIM && w[i]->text == "/")) continue;
        a.push_back(w[i]);
    }
    if (a.size() < 3) return false;
    if (f == "rgb" || f == "rgba") {
        if (!component(a[0], &out->r) || !component(a[1], &out->g) || !component(a[2], &out->b)) return false;
    } else if (f == "hsl" || f == "hsla") {
        double h;
        if (a[0]->type == CSS_NUMBER)
            h = a[0]->number;
        else if (a[0]->type == CSS_DIMENSION && ascii_lowered(a[0]->text) == "deg")
            h = a[0]->number;
        else
            return false;
        if (a[1]->type != CSS_PERCENTAGE || a[2]->type != CSS_PERCENTAGE) return false;
        double s = a[1]->number / 100, l = a[2]->number / 100;
        s = s < 0 ? 0 : s > 1 ? 1 : s;
        l = l < 0 ? 0 : l > 1 ? 1 : l;
        h = std::fmod(std::fmod(h, 360) + 360, 360) / 360;
        double q = l < 0.5 ? l * (1 + s) : l + s - l * s;
        double p = 2 * l - q;
        out->r = static_cast<uint8_t>(std::lround(clamp255(hue_to_rgb(p, q, h + 1.0 / 3) * 255)));
        out->g = static_cast<uint8_t>(std::lround(clamp255(hue_to_rgb(p, q, h) * 255)));
        out->b = static_cast<uint8_t>(std::lround(clamp255(hue_to_rgb(p, q, h - 1.0 / 3) * 255)));
    } else {
        return false;
    }
    out->set = true;
    out->name.clear();
    return true;
}

namespace {

struct Apply {
    const CssLooks& parent;
    double root;
    CssLooks& l;
    bool* unsupported;

    // `inherit`, `initial` and `unset` for one property.
    bool keyword(const std::string& p, const std::vector<const CssToken*>& w)
    {
        if (w.size() != 1 || w[0]->type != CSS_IDENT) return false;
        std::string k = ascii_lowered(w[0]->text);
        bool inherited = p != "display" && p != "text-decoration" && p != "text-decoration-line";
        bool from_parent = k == "inherit" || (k == "unset" && inherited);
        if (!from_parent && k != "initial" && k != "unset") return false;
        CssLooks initial;
        const CssLooks& src = from_parent ? parent : initial;
        if (p == "font-weight")
            l.weight = src.weight;
        else if (p == "font-style")
            l.italic = src.italic;
        else if (p == "font-size")
            l.size = src.size;
        else if (p == "text-align")
            l.align = src.align;
        else if (p == "color")
            l.colour = src.colour;
        else if (p == "white-space")
            l.pre = src.pre;
        else if (p == "visibility")
            l.hidden = src.hidden;
        else if (p == "display")
            l.block = false;
        else if (p == "font") {
            l.weight = src.weight;
            l.italic = src.italic;
            l.size = src.size;
        }
        return true;
    }

    void font(const std::vector<const CssToken*>& w)
    {
        // [style || weight || variant || stretch] size [/ line-height] family
        int weight = 400;
        bool italic = false;
        size_t i = 0;
        for (; i < w.size(); ++i) {
            const CssToken* t = w[i];
            int wt;
            double sz;
            if (ident_is(t, "italic") || ident_is(t, "oblique")) {
                italic = true;
            } else if (ident_is(t, "normal") || ident_is(t, "small-caps")) {
            } else if (t->type != CSS_NUMBER && weight_of(t, parent.weight, &wt)) {
                weight = wt;
            } else if (t->type == CSS_NUMBER && t->number >= 1 && t->number <= 1000 && i + 1 < w.size()) {
                weight = static_cast<int>(t->number);
            } else if (size_of(t, parent.size, root, &sz)) {
                l.size = sz;
                l.weight = weight;
                l.italic = italic;
                return;
            } else if (t->type == CSS_IDENT) {
                // A stretch keyword, or a system font: nothing shown.
            } else {
                return;
            }
        }
    }

    void declaration(const CssDeclaration& d)
    {
        const std::string& p = d.property;
        std::vector<const CssToken*> w = words(d.value);
        if (w.empty()) return;
        if (keyword(p, w)) return;
        const CssToken* t = w[0];
        if (p == "font-weight") {
            int v;
            if (w.size() == 1 && weight_of(t, parent.weight, &v)) l.weight = v;
        } else if (p == "font-style") {
            if (ident_is(t, "italic") || ident_is(t, "oblique")) l.italic = true;
            if (ident_is(t, "normal")) l.italic = false;
        } else if (p == "text-decoration" || p == "text-decoration-line") {
            bool under = false, strike = false, any = false;
            for (const CssToken* k : w) {
                if (ident_is(k, "underline")) under = any = true;
                if (ident_is(k, "line-through")) strike = any = true;
                if (ident_is(k, "none") || ident_is(k, "overline")) any = true;
            }
            // A decoration is drawn across the descendants: "none" takes
            // only the element's own away.
            if (any) {
                l.underline = parent.underline || under;
                l.strike = parent.strike || strike;
            }
        } else if (p == "font-size") {
            double v;
            if (w.size() == 1 && size_of(t, parent.size, root, &v)) l.size = v;
        } else if (p == "text-align") {
            std::string a = ascii_lowered(t->text);
            if (t->type != CSS_IDENT) return;
            if (a == "left" || a == "-webkit-left")
                l.align = CSS_ALIGN_LEFT;
            else if (a == "right" || a == "-webkit-right")
                l.align = CSS_ALIGN_RIGHT;
            else if (a == "center" || a == "-webkit-center")
                l.align = CSS_ALIGN_CENTER;
            else if (a == "justify")
                l.align = CSS_ALIGN_JUSTIFY;
            else if (a == "start")
                l.align = CSS_ALIGN_START;
            else if (a == "end")
                l.align = CSS_ALIGN_END;
            else if (a == "match-parent")
                l.align = parent.align;
        } else if (p == "color") {
            CssColour c;
            if (w.size() == 1 && ident_is(t, "currentcolor"))
                l.colour = parent.colour;
            else if (!(w.size() == 1 && ident_is(t, "transparent")) && css_colour(d.value, &c))
                l.colour = c;
        } else if (p == "font") {
            font(w);
        } else if (p == "display") {
            if (ident_is(t, "none"))
                l.none = true;
            else if (t->type == CSS_IDENT)
                l.block = !ident_is(t, "inline") && !ident_is(t, "inline-block") && !ident_is(t, "contents") &&
                          !ident_is(t, "inline-flex") && !ident_is(t, "inline-grid") && !ident_is(t, "inline-table");
        } else if (p == "visibility") {
            if (ident_is(t, "hidden") || ident_is(t, "collapse")) l.hidden = true;
            if (ident_is(t, "visible")) l.hidden = false;
        } else if (p == "white-space") {
            if (t->type == CSS_IDENT)
                l.pre = ident_is(t, "pre") || ident_is(t, "pre-wrap") || ident_is(t, "break-spaces");
        } else if (unsupported) {
            *unsupported = true;
        }
    }
};

}  // namespace

CssLooks css_computelooks(const CssLooks& parent, const std::string& tag, const CssSheet& sheet,
                          const std::vector<uint32_t>& rules, uint32_t inline_block, bool hidden_attr, double root_size,
                          bool* unsupported)
{
    CssLooks l;
    // The inherited properties, and the decorations drawn across.
    l.weight = parent.weight;
    l.italic = parent.italic;
    l.size = parent.size;
    l.align = parent.align;
    l.colour = parent.colour;
    l.pre = parent.pre;
    l.hidden = parent.hidden;
    l.underline = parent.underline;
    l.strike = parent.strike;
    l.none = parent.none || hidden_attr;
    if (const CssDefault* d = css_default(tag)) {
        if (d->bold == 1) l.weight = 700;
        if (d->bold == 2) l.weight = bolder(parent.weight);
        if (d->italic) l.italic = true;
        if (d->underline) l.underline = true;
        if (d->strike) l.strike = true;
        if (d->size > 0) l.size = parent.size * d->size;
        if (d->block) l.block = true;
        if (d->align >= 0) l.align = d->align;
        if (d->pre) l.pre = true;
        if (d->none) l.none = true;
    }
    Apply apply{parent, root_size, l, unsupported};
    bool has_inline = inline_block != UINT32_MAX;
    // Normal declarations, then the style attribute's, then the important
    // ones in the same order: each later one wins.
    for (int important = 0; important < 2; ++important) {
        for (uint32_t r : rules)
            for (const CssDeclaration& d : sheet.block(sheet.rules()[r].block))
                if (d.important == (important == 1)) apply.declaration(d);
        if (has_inline)
            for (const CssDeclaration& d : sheet.block(inline_block))
                if (d.important == (important == 1)) apply.declaration(d);
    }
    if (parent.none) l.none = true;  // no rule shows what an ancestor hid
    return l;
}

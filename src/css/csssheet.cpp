#include "css/csssheet.h"

#include <utility>

#include "base/ascii.h"

namespace {

bool is(const CssToken& t, CssTokenType type) { return t.type == type; }
bool is_delim(const CssToken& t, char c) { return t.type == CSS_DELIM && t.text[0] == c; }
bool is_ident(const CssToken& t, const char* word) { return t.type == CSS_IDENT && ascii_lowered(t.text) == word; }

// The end of the block or function that opens at `i` (the index just past
// its closing token), or `to` when it does not close.
size_t block_end(const std::vector<CssToken>& t, size_t i, size_t to)
{
    int depth = 0;
    for (; i < to; ++i) {
        CssTokenType k = t[i].type;
        if (k == CSS_LBRACE || k == CSS_LBRACKET || k == CSS_LPAREN || k == CSS_FUNCTION) ++depth;
        if (k == CSS_RBRACE || k == CSS_RBRACKET || k == CSS_RPAREN) {
            if (--depth == 0) return i + 1;
        }
    }
    return to;
}

size_t skip_white(const std::vector<CssToken>& t, size_t i, size_t to)
{
    while (i < to && is(t[i], CSS_WHITESPACE)) ++i;
    return i;
}

// A length in CSS pixels, for media features.
bool media_length(const CssToken& t, double* px)
{
    if (t.type == CSS_NUMBER && t.number == 0) {
        *px = 0;
        return true;
    }
    if (t.type != CSS_DIMENSION) return false;
    std::string u = ascii_lowered(t.text);
    double f = u == "px"                 ? 1
               : u == "em" || u == "rem" ? 16
               : u == "pt"               ? 4.0 / 3
               : u == "in"               ? 96
               : u == "cm"               ? 96 / 2.54
                                         : 0;
    if (f == 0) return false;
    *px = t.number * f;
    return true;
}

// One "(feature: value)" between parentheses [from, to).
bool media_feature(const std::vector<CssToken>& t, size_t from, size_t to)
{
    size_t i = skip_white(t, from, to);
    if (i >= to || !is(t[i], CSS_IDENT)) return false;
    std::string name = ascii_lowered(t[i].text);
    i = skip_white(t, i + 1, to);
    if (i >= to) return name == "color" || name == "width" || name == "height";  // (color) and the like
    if (!is(t[i], CSS_COLON)) return false;
    i = skip_white(t, i + 1, to);
    if (i >= to) return false;
    const CssToken& v = t[i];
    if (name == "orientation") return is_ident(v, "landscape");
    if (name == "prefers-color-scheme") return is_ident(v, "light");
    if (name == "hover" || name == "pointer") return is_ident(v, "hover") || is_ident(v, "fine");
    double px;
    if (!media_length(v, &px)) return false;
    double w = kCssScreenWidth, h = kCssScreenHeight;
    if (name == "min-width") return w >= px;
    if (name == "max-width") return w <= px;
    if (name == "width") return w == px;
    if (name == "min-height") return h >= px;
    if (name == "max-height") return h <= px;
    if (name == "height") return h == px;
    return false;
}

// One media query [from, to).
bool media_query(const std::vector<CssToken>& t, size_t from, size_t to)
{
    size_t i = skip_white(t, from, to);
    bool negate = false;
    if (i < to && is_ident(t[i], "not")) {
        negate = true;
        i = skip_white(t, i + 1, to);
    } else if (i < to && is_ident(t[i], "only")) {
        i = skip_white(t, i + 1, to);
    }
    bool match = true;
    bool need_and = false;
    if (i < to && is(t[i], CSS_IDENT)) {
        std::string type = ascii_lowered(t[i].text);
        match = type == "all" || type == "screen";
        need_and = true;
        i = skip_white(t, i + 1, to);
    }
    while (i < to) {
        if (need_and) {
            if (!is_ident(t[i], "and")) return false;  // not understood: no match
            i = skip_white(t, i + 1, to);
        }
        if (i >= to || !is(t[i], CSS_LPAREN)) return false;
        size_t end = block_end(t, i, to);
        match = match && media_feature(t, i + 1, end - 1);
        i = skip_white(t, end, to);
        need_and = true;
    }
    return negate ? !match : match;
}

}  // namespace

bool css_mediamatches(const std::vector<CssToken>& t, size_t from, size_t to)
{
    size_t i = skip_white(t, from, to);
    if (i >= to) return true;
    size_t start = i;
    for (; i <= to; ++i) {
        if (i == to || is(t[i], CSS_COMMA)) {
            if (media_query(t, start, i)) return true;
            start = i + 1;
        } else if (is(t[i], CSS_LPAREN) || is(t[i], CSS_FUNCTION)) {
            i = block_end(t, i, to) - 1;
        }
    }
    return false;
}

namespace {

uint32_t add_specificity(uint32_t s, int shift)
{
    uint32_t part = (s >> shift) & 0xFF;
    if (part < 0xFF) s += 1u << shift;
    return s;
}

// One simple selector at t[*i] (not a combinator); false when not
// understood.
bool simple(const std::vector<CssToken>& t, size_t* i, size_t to, bool in_not, CssSimple* out, uint32_t* specificity)
{
    const CssToken& k = t[*i];
    if (k.type == CSS_IDENT) {
        out->kind = CssSimple::TYPE;
        out->name = ascii_lowered(k.text);
        *specificity = add_specificity(*specificity, 0);
        ++*i;
        return true;
    }
    if (is_delim(k, '*')) {
        out->kind = CssSimple::UNIVERSAL;
        ++*i;
        return true;
    }
    if (k.type == CSS_HASH) {
        if (!k.idhash) return false;
        out->kind = CssSimple::ID;
        out->name = k.text;
        *specificity = add_specificity(*specificity, 16);
        ++*i;
        return true;
    }
    if (is_delim(k, '.')) {
        if (*i + 1 >= to || t[*i + 1].type != CSS_IDENT) return false;
        out->kind = CssSimple::CLASS;
        out->name = t[*i + 1].text;
        *specificity = add_specificity(*specificity, 8);
        *i += 2;
        return true;
    }
    if (k.type == CSS_LBRACKET) {
        size_t end = block_end(t, *i, to);
        size_t j = skip_white(t, *i + 1, end - 1);
        if (j >= end - 1 || t[j].type != CSS_IDENT) return false;
        out->kind = CssSimple::ATTR;
        out->name = ascii_lowered(t[j].text);
        j = skip_white(t, j + 1, end - 1);
        if (j < end - 1) {
            char op = '=';
            if (t[j].type == CSS_DELIM && std::string("~^$*|").find(t[j].text[0]) != std::string::npos) {
                op = t[j].text[0];
                ++j;
            }
            if (j >= end - 1 || !is_delim(t[j], '=')) return false;
            j = skip_white(t, j + 1, end - 1);
            if (j >= end - 1 || (t[j].type != CSS_IDENT && t[j].type != CSS_STRING)) return false;
            out->op = op;
            out->value = t[j].text;
            j = skip_white(t, j + 1, end - 1);
            if (j < end - 1 && t[j].type == CSS_IDENT &&
                (ascii_lowered(t[j].text) == "i" || ascii_lowered(t[j].text) == "s"))
                j = skip_white(t, j + 1, end - 1);
            if (j != end - 1) return false;
        }
        if (t[end - 1].type != CSS_RBRACKET) return false;
        *specificity = add_specificity(*specificity, 8);
        *i = end;
        return true;
    }
    if (k.type != CSS_COLON) return false;
    size_t j = *i + 1;
    bool element = j < to && t[j].type == CSS_COLON;
    if (element) ++j;
    if (j >= to) return false;
    std::string name = ascii_lowered(t[j].text);
    if (t[j].type == CSS_FUNCTION) {
        size_t end = block_end(t, j, to);
        if (element || name != "not" || in_not) return false;
        size_t a = skip_white(t, j + 1, end - 1);
        CssSimple inner;
        uint32_t inner_specificity = 0;
        if (a >= end - 1 || !simple(t, &a, end - 1, true, &inner, &inner_specificity)) return false;
        if (skip_white(t, a, end - 1) != end - 1 || t[end - 1].type != CSS_RPAREN) return false;
        *out = inner;
        out->negated = true;
        *specificity += inner_specificity;
        *i = end;
        return true;
    }
    if (t[j].type != CSS_IDENT) return false;
    static const char* const kNever[] = {"visited",       "hover",  "focus",      "active",       "focus-within",
                                         "focus-visible", "target", "checked",    "disabled",     "enabled",
                                         "before",        "after",  "first-line", "first-letter", "selection",
                                         "placeholder",   "marker", "backdrop"};
    static const char* const kElementsOnly[] = {"selection", "placeholder", "marker", "backdrop"};
    out->kind = CssSimple::NEVER;
    bool known = false;
    for (const char* n : kNever) known = known || name == n;
    if (!element)
        for (const char* n : kElementsOnly) known = known && name != n;
    if (name == "first-child" && !element) {
        out->kind = CssSimple::FIRSTCHILD;
        known = true;
    } else if (name == "link" && !element) {
        out->kind = CssSimple::LINK;
        known = true;
    }
    if (!known) return false;
    *specificity = add_specificity(*specificity, element ? 0 : 8);
    *i = j + 1;
    return true;
}

bool selector(const std::vector<CssToken>& t, size_t from, size_t to, CssSelector* out)
{
    size_t i = skip_white(t, from, to);
    char combinator = 0;
    while (i < to) {
        CssCompound c;
        c.combinator = combinator;
        while (i < to && t[i].type != CSS_WHITESPACE && !is_delim(t[i], '>') && !is_delim(t[i], '+') &&
               !is_delim(t[i], '~')) {
            CssSimple s;
            if (!simple(t, &i, to, false, &s, &out->specificity)) return false;
            c.parts.push_back(std::move(s));
        }
        if (c.parts.empty()) return false;
        out->compounds.push_back(std::move(c));
        if (out->compounds.size() > 32) return false;  // past any page's need
        i = skip_white(t, i, to);
        if (i >= to) break;
        combinator = ' ';
        if (is_delim(t[i], '>') || is_delim(t[i], '+') || is_delim(t[i], '~')) {
            combinator = t[i].text[0];
            i = skip_white(t, i + 1, to);
            if (i >= to) return false;
        }
    }
    return !out->compounds.empty();
}

}  // namespace

bool css_parseselectors(const std::vector<CssToken>& t, size_t from, size_t to, std::vector<CssSelector>* out)
{
    out->clear();
    size_t start = from;
    for (size_t i = from; i <= to; ++i) {
        if (i < to && t[i].type != CSS_COMMA) {
            CssTokenType k = t[i].type;
            if (k == CSS_LBRACKET || k == CSS_LPAREN || k == CSS_FUNCTION) i = block_end(t, i, to) - 1;
            continue;
        }
        CssSelector s;
        if (!selector(t, start, i, &s)) return false;
        out->push_back(std::move(s));
        start = i + 1;
    }
    return !out->empty();
}

class CssParser {
public:
    CssParser(CssSheet* sheet, const std::vector<CssToken>& t) : s_(sheet), t_(t) {}

    // A list of rules [from, to), at the top level or inside @media.
    void rules(size_t from, size_t to, bool top)
    {
        size_t i = from;
        while (i < to) {
            CssTokenType k = t_[i].type;
            if (k == CSS_WHITESPACE || (top && (k == CSS_CDO || k == CSS_CDC))) {
                ++i;
            } else if (k == CSS_ATKEYWORD) {
                i = at_rule(i, to);
            } else {
                i = qualified_rule(i, to);
            }
        }
    }

    // Declarations [from, to) into a new block; its index.
    uint32_t declarations(size_t from, size_t to)
    {
        std::vector<CssDeclaration> block;
        size_t i = from;
        while (i < to) {
            i = skip_white(t_, i, to);
            if (i >= to) break;
            size_t end = i;
            while (end < to && t_[end].type != CSS_SEMICOLON) {
                CssTokenType k = t_[end].type;
                end = (k == CSS_LBRACE || k == CSS_LBRACKET || k == CSS_LPAREN || k == CSS_FUNCTION)
                          ? block_end(t_, end, to)
                          : end + 1;
            }
            declaration(i, end, &block);
            i = end + 1;
        }
        s_->blocks_.push_back(std::move(block));
        return static_cast<uint32_t>(s_->blocks_.size() - 1);
    }

private:
    void declaration(size_t from, size_t to, std::vector<CssDeclaration>* block)
    {
        if (t_[from].type != CSS_IDENT) return;
        size_t i = skip_white(t_, from + 1, to);
        if (i >= to || t_[i].type != CSS_COLON) return;
        i = skip_white(t_, i + 1, to);
        size_t end = to;
        while (end > i && t_[end - 1].type == CSS_WHITESPACE) --end;
        CssDeclaration d;
        d.property = ascii_lowered(t_[from].text);
        // "!important" at the end.
        size_t k = end;
        if (k > i && is_ident(t_[k - 1], "important")) {
            size_t bang = k - 1;
            while (bang > i && t_[bang - 1].type == CSS_WHITESPACE) --bang;
            if (bang > i && is_delim(t_[bang - 1], '!')) {
                d.important = true;
                end = bang - 1;
                while (end > i && t_[end - 1].type == CSS_WHITESPACE) --end;
            }
        }
        d.value.assign(t_.begin() + static_cast<long>(i), t_.begin() + static_cast<long>(end));
        block->push_back(std::move(d));
    }

    size_t at_rule(size_t i, size_t to)
    {
        std::string name = ascii_lowered(t_[i].text);
        size_t j = i + 1;
        while (j < to && t_[j].type != CSS_SEMICOLON && t_[j].type != CSS_LBRACE) {
            CssTokenType k = t_[j].type;
            j = (k == CSS_LBRACKET || k == CSS_LPAREN || k == CSS_FUNCTION) ? block_end(t_, j, to) : j + 1;
        }
        if (j >= to || t_[j].type == CSS_SEMICOLON) return j + 1;  // @import, @charset: nothing here
        size_t end = block_end(t_, j, to);
        size_t inner_end = end > j + 1 && t_[end - 1].type == CSS_RBRACE ? end - 1 : end;
        if (name == "media" && css_mediamatches(t_, i + 1, j)) rules(j + 1, inner_end, false);
        if (name == "supports") rules(j + 1, inner_end, false);
        return end;
    }

    size_t qualified_rule(size_t i, size_t to)
    {
        size_t j = i;
        while (j < to && t_[j].type != CSS_LBRACE) {
            CssTokenType k = t_[j].type;
            j = (k == CSS_LBRACKET || k == CSS_LPAREN || k == CSS_FUNCTION) ? block_end(t_, j, to) : j + 1;
        }
        if (j >= to) return to;  // a prelude without its block is dropped
        size_t end = block_end(t_, j, to);
        size_t inner_end = end > j + 1 && t_[end - 1].type == CSS_RBRACE ? end - 1 : end;
        std::vector<CssSelector> list;
        if (!css_parseselectors(t_, i, j, &list)) return end;
        uint32_t block = declarations(j + 1, inner_end);
        if (!s_->kept_.empty()) {
            bool wanted = false;
            for (const CssDeclaration& d : s_->blocks_[block])
                for (const std::string& p : s_->kept_) wanted = wanted || d.property == p;
            if (!wanted) {
                s_->blocks_.pop_back();
                return end;
            }
        }
        for (CssSelector& s : list) s_->add_rule(std::move(s), block);
        return end;
    }

    CssSheet* s_;
    const std::vector<CssToken>& t_;
};

void CssSheet::add_rule(CssSelector selector, uint32_t block)
{
    if (rules_.size() >= kCssRuleLimit) {
        dropped_ = true;
        return;
    }
    uint32_t at = static_cast<uint32_t>(rules_.size());
    // The key: the rightmost compound's id, else a class, else its type.
    const CssCompound& last = selector.compounds.back();
    const CssSimple* id = nullptr;
    const CssSimple* cls = nullptr;
    const CssSimple* type = nullptr;
    for (const CssSimple& s : last.parts) {
        if (s.negated) continue;
        if (s.kind == CssSimple::ID && !id) id = &s;
        if (s.kind == CssSimple::CLASS && !cls) cls = &s;
        if (s.kind == CssSimple::TYPE && !type) type = &s;
    }
    if (id)
        ids_[id->name].push_back(at);
    else if (cls)
        classes_[cls->name].push_back(at);
    else if (type)
        types_[type->name].push_back(at);
    else
        universal_.push_back(at);
    rules_.push_back(CssRule{std::move(selector), block, at});
}

void CssSheet::read(const char* p, size_t n, const char* media)
{
    if (media) {
        std::string m = media;
        std::vector<CssToken> mt = css_tokenize(m.data(), m.size(), 10000);
        if (!css_mediamatches(mt, 0, mt.size() - 1)) return;
    }
    std::vector<CssToken> t = css_tokenize(p, n, kCssTokenLimit);
    CssParser(this, t).rules(0, t.size() - 1, true);
}

uint32_t CssSheet::read_inline(const char* p, size_t n)
{
    uint32_t block = read_declarations(p, n);
    if (scratch_ == UINT32_MAX) {
        scratch_ = block;
    } else {
        blocks_[scratch_] = std::move(blocks_[block]);
        blocks_.pop_back();
    }
    return scratch_;
}

uint32_t CssSheet::read_declarations(const char* p, size_t n)
{
    std::vector<CssToken> t = css_tokenize(p, n, kCssTokenLimit);
    return CssParser(this, t).declarations(0, t.size() - 1);
}

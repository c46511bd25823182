#include "css/cssmatch.h"

#include <algorithm>

namespace {

// Match steps one selector may take against one element: past them a
// chain of descendant combinators over a deep stack gives up.
const int kStepLimit = 20000;

bool word_in(const std::string& list, const std::string& word)
{
    if (word.empty()) return false;
    size_t i = 0;
    while (i < list.size()) {
        while (i < list.size() &&
               (list[i] == ' ' || list[i] == '\t' || list[i] == '\n' || list[i] == '\f' || list[i] == '\r'))
            ++i;
        size_t j = i;
        while (j < list.size() &&
               !(list[j] == ' ' || list[j] == '\t' || list[j] == '\n' || list[j] == '\f' || list[j] == '\r'))
            ++j;
        if (j > i && list.compare(i, j - i, word) == 0) return true;
        i = j;
    }
    return false;
}

bool attr_matches(const CssSimple& s, const CssElement& e)
{
    for (const auto& a : e.attrs) {
        if (a.first != s.name) continue;
        const std::string& v = a.second;
        const std::string& w = s.value;
        switch (s.op) {
        case 0: return true;
        case '=': return v == w;
        case '~': return word_in(v, w);
        case '^': return !w.empty() && v.compare(0, w.size(), w) == 0;
        case '$': return !w.empty() && v.size() >= w.size() && v.compare(v.size() - w.size(), w.size(), w) == 0;
        case '*': return !w.empty() && v.find(w) != std::string::npos;
        case '|': return v == w || (v.size() > w.size() && v.compare(0, w.size(), w) == 0 && v[w.size()] == '-');
        default: return false;
        }
    }
    return false;
}

bool simple_matches(const CssSimple& s, const CssElement& e)
{
    bool m = false;
    switch (s.kind) {
    case CssSimple::TYPE: m = s.name == e.name; break;
    case CssSimple::UNIVERSAL: m = true; break;
    case CssSimple::CLASS: m = std::find(e.classes.begin(), e.classes.end(), s.name) != e.classes.end(); break;
    case CssSimple::ID: m = !e.id.empty() && s.name == e.id; break;
    case CssSimple::ATTR: m = attr_matches(s, e); break;
    case CssSimple::FIRSTCHILD: m = e.first_child; break;
    case CssSimple::LINK:
        m = e.name == "a" &&
            std::any_of(e.attrs.begin(), e.attrs.end(),
                        [](const std::pair<std::string, std::string>& a) { return a.first == "href"; });
        break;
    case CssSimple::NEVER: m = false; break;  // never in that state: :not(:hover) matches
    }
    return s.negated ? !m : m;
}

bool compound_matches(const CssCompound& c, const CssElement& e)
{
    for (const CssSimple& s : c.parts)
        if (!simple_matches(s, e)) return false;
    return true;
}

struct Matcher {
    const CssSelector& s;
    const CssStack& stack;
    int steps = 0;

    // Whether compounds [0, k] match with compound k on element e, whose
    // ancestors are stack.open[0, up).
    bool match(size_t k, const CssElement& e, size_t up)
    {
        if (++steps > kStepLimit) return false;
        if (!compound_matches(s.compounds[k], e)) return false;
        if (k == 0) return true;
        switch (s.compounds[k].combinator) {
        case '>': return up > 0 && match(k - 1, stack.open[up - 1], up - 1);
        case ' ':
            for (size_t j = up; j-- > 0;)
                if (match(k - 1, stack.open[j], j)) return true;
            return false;
        case '+': {
            // Only the subject's own sibling is kept, and each ancestor's.
            const CssElement* b = nullptr;
            if (&e == &stack.open[up]) b = stack.before[up];
            return b && match(k - 1, *b, up);
        }
        default: return false;
        }
    }
};

}  // namespace

bool css_matches(const CssSelector& s, const CssStack& stack)
{
    if (stack.open.empty() || s.compounds.empty()) return false;
    Matcher m{s, stack};
    size_t last = stack.open.size() - 1;
    return m.match(s.compounds.size() - 1, stack.open[last], last);
}

void css_matchingrules(const CssSheet& sheet, const CssStack& stack, std::vector<uint32_t>* out)
{
    out->clear();
    if (stack.open.empty()) return;
    const CssElement& e = stack.open.back();
    auto consider = [&](const std::vector<uint32_t>* list) {
        if (!list) return;
        for (uint32_t r : *list)
            if (css_matches(sheet.rules()[r].selector, stack)) out->push_back(r);
    };
    if (!e.id.empty()) consider(sheet.by_id(e.id));
    for (size_t i = 0; i < e.classes.size(); ++i) {
        // A class named twice is one key.
        if (std::find(e.classes.begin(), e.classes.begin() + static_cast<long>(i), e.classes[i]) !=
            e.classes.begin() + static_cast<long>(i))
            continue;
        consider(sheet.by_class(e.classes[i]));
    }
    consider(sheet.by_type(e.name));
    consider(&sheet.universal());
    std::sort(out->begin(), out->end(), [&](uint32_t a, uint32_t b) {
        const CssRule& x = sheet.rules()[a];
        const CssRule& y = sheet.rules()[b];
        if (x.selector.specificity != y.selector.specificity) return x.selector.specificity < y.selector.specificity;
        return x.order < y.order;
    });
}

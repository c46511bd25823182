#include "css/elementstack.h"

#include <cstring>

namespace {

bool in(const std::string& name, const char* const* list)
{
    for (; *list; ++list)
        if (name == *list) return true;
    return false;
}

const char* const kVoid[] = {"area", "base", "br",    "col",    "embed", "hr",  "img",  "input",
                             "link", "meta", "param", "source", "track", "wbr", nullptr};
// The start tags that end an open <p>.
const char* const kClosesP[] = {"address", "article", "aside", "blockquote", "center",     "details", "dialog",
                                "dir",     "div",     "dl",    "fieldset",   "figcaption", "figure",  "footer",
                                "form",    "h1",      "h2",    "h3",         "h4",         "h5",      "h6",
                                "header",  "hgroup",  "hr",    "li",         "listing",    "main",    "menu",
                                "nav",     "ol",      "p",     "plaintext",  "pre",        "section", "summary",
                                "table",   "ul",      "xmp",   "dd",         "dt",         nullptr};
const char* const kHeadings[] = {"h1", "h2", "h3", "h4", "h5", "h6", nullptr};
const char* const kP[] = {"p", nullptr};
const char* const kLi[] = {"li", nullptr};
const char* const kDdDt[] = {"dd", "dt", nullptr};
const char* const kCells[] = {"td", "th", nullptr};
const char* const kRow[] = {"tr", nullptr};
const char* const kOption[] = {"option", nullptr};
const char* const kOptions[] = {"option", "optgroup", nullptr};
// Where the search for an element to end stops.
const char* const kButtonScope[] = {"button", "table", "td", "th", "caption", "html", "marquee", "object", nullptr};
const char* const kListScope[] = {"ul", "ol", "table", "td", "th", "html", nullptr};
const char* const kDlScope[] = {"dl", "table", "td", "th", "html", nullptr};
const char* const kTableScope[] = {"table", "html", nullptr};
const char* const kSelectScope[] = {"select", "html", nullptr};
const char* const kNone[] = {nullptr};

}  // namespace

ElementStack::ElementStack()
{
    // Room for every level up front: the matcher holds pointers into it.
    lastchild_.reserve(kDepthLimit + 1);
    lastchild_.emplace_back();
    haschild_.push_back(false);
}

bool ElementStack::is_void(const std::string& name) { return in(name, kVoid); }

void ElementStack::drop_void()
{
    if (!void_top_) return;
    lastchild_[stack_.open.size() - 1] = std::move(stack_.open.back());
    stack_.open.pop_back();
    stack_.before.pop_back();
    void_top_ = false;
}

const CssStack& ElementStack::with_void(CssElement e)
{
    drop_void();
    size_t level = stack_.open.size();
    e.first_child = !haschild_[level];
    haschild_[level] = true;
    stack_.before.push_back(e.first_child ? nullptr : &lastchild_[level]);
    stack_.open.push_back(std::move(e));
    void_top_ = true;
    return stack_;
}

void ElementStack::pop()
{
    if (overflow_) {
        --overflow_;
        return;
    }
    if (stack_.open.empty()) return;
    // The element closed is its parent's last child now.
    size_t level = stack_.open.size() - 1;
    lastchild_[level] = stack_.open.back();
    stack_.open.pop_back();
    stack_.before.pop_back();
    looks_.pop_back();
    lastchild_.pop_back();
    haschild_.pop_back();
}

size_t ElementStack::close_to(const char* const* names, const char* const* stops)
{
    if (overflow_) return 0;  // not kept: not looked for
    for (size_t i = stack_.open.size(); i-- > 0;) {
        const std::string& n = stack_.open[i].name;
        if (in(n, names)) {
            size_t count = stack_.open.size() - i;
            while (stack_.open.size() > i) pop();
            return count;
        }
        if (in(n, stops)) return 0;
    }
    return 0;
}

size_t ElementStack::open(CssElement e)
{
    drop_void();
    size_t closed = 0;
    const std::string& n = e.name;
    if (in(n, kClosesP)) closed += close_to(kP, kButtonScope);
    if (in(n, kHeadings) && !overflow_ && !stack_.open.empty() && in(stack_.open.back().name, kHeadings)) {
        pop();
        ++closed;
    }
    if (n == "li") closed += close_to(kLi, kListScope);
    if (n == "dd" || n == "dt") closed += close_to(kDdDt, kDlScope);
    if (n == "td" || n == "th") closed += close_to(kCells, kTableScope);
    if (n == "tr") closed += close_to(kRow, kTableScope);
    if (n == "option") closed += close_to(kOption, kSelectScope);
    if (n == "optgroup") closed += close_to(kOptions, kSelectScope);
    kept_ = false;
    if (is_void(n)) return closed;
    if (overflow_ || stack_.open.size() >= kDepthLimit) {
        ++overflow_;
        return closed;
    }
    size_t level = stack_.open.size();
    e.first_child = !haschild_[level];
    haschild_[level] = true;
    bool sibling = !e.first_child;
    stack_.open.push_back(std::move(e));
    stack_.before.push_back(sibling ? &lastchild_[level] : nullptr);
    CssLooks inherited = looks();  // a copy: the push may move the vector
    looks_.push_back(inherited);
    lastchild_.emplace_back();
    haschild_.push_back(false);
    kept_ = true;
    return closed;
}

size_t ElementStack::close(const std::string& name)
{
    drop_void();
    if (overflow_) {
        // An element past the limit: its end closes it, whichever it is.
        --overflow_;
        return 1;
    }
    if (name == "p" || name == "li" || name == "dd" || name == "dt") {
        const char* const one[] = {name.c_str(), nullptr};
        return close_to(one, name == "p" ? kButtonScope : name == "li" ? kListScope : kDlScope);
    }
    const char* const one[] = {name.c_str(), nullptr};
    return close_to(one, kNone);
}

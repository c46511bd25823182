// The stack of open elements that the looks are matched against, kept as
// the HTML standard's tree builder keeps it where it matters for looks:
// the end tags a start tag implies (an open <p> ends at the next block,
// <li> at the next <li>, <dt>/<dd> at the next of either, a cell at the
// next cell or row, a row at the next row, <option> at the next option,
// a heading at another heading), void elements never pushed, and an end
// tag closing up to its element. It holds at most kDepthLimit elements:
// deeper ones are counted, not kept, and take the looks of the deepest
// one kept.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "css/cssmatch.h"
#include "css/csslooks.h"

class ElementStack {
public:
    static constexpr size_t kDepthLimit = 256;

    ElementStack();

    // A start tag: the elements it ends are closed (their count is
    // returned), then, unless it is void, `e` is opened; its first_child
    // is set here. Its looks are set by set_looks once matched.
    size_t open(CssElement e);
    // An end tag: closes the open element of that name and everything
    // inside it; nothing when none is open. Returns the count closed.
    size_t close(const std::string& name);

    // The stack to match the element just opened against.
    const CssStack& match_stack() const { return stack_; }
    // The same for a void element just given to open(), which is never
    // open: it stands on the stack, as its parent's child, until the next
    // start or end tag.
    const CssStack& with_void(CssElement e);
    // The looks of the innermost element kept (the root's when empty).
    const CssLooks& looks() const { return looks_.empty() ? root_ : looks_.back(); }
    // The looks of the parent of the element just opened.
    const CssLooks& parent_looks() const { return looks_.size() < 2 ? root_ : looks_[looks_.size() - 2]; }
    void set_looks(const CssLooks& l)
    {
        if (!looks_.empty() && !overflow_) looks_.back() = l;
    }
    size_t depth() const { return stack_.open.size() + overflow_ - (void_top_ ? 1 : 0); }
    // Whether the element just opened was kept (false past the limit and
    // for void elements).
    bool kept() const { return kept_; }

    static bool is_void(const std::string& name);

private:
    void pop();
    void drop_void();
    // Closes the innermost open element named `name` when it is open
    // above any of `stops`; returns the count closed.
    size_t close_to(const char* const* names, const char* const* stops);

    CssStack stack_;
    std::vector<CssLooks> looks_;
    std::vector<CssElement> lastchild_;  // by level: its last closed child, the next one's sibling before it
    std::vector<bool> haschild_;  // by level, the root's first
    CssLooks root_;
    size_t overflow_ = 0;
    bool kept_ = false;
    bool void_top_ = false;  // the top of stack_ is a void element, for matching
};

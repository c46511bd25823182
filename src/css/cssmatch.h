// Selectors matched against the stack of open elements, as the tag reader
// meets them (Selectors Level 3, right to left). What an element keeps is
// what its own compound needs: name, id, classes, attributes, whether it is
// a first child; each level also keeps the element before it among its
// siblings, for the "+" combinator. "~" (a later sibling) would need every
// earlier sibling, so it never matches here.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "css/csssheet.h"

struct CssElement {
    std::string name;  // lower case
    std::string id;
    std::vector<std::string> classes;
    std::vector<std::pair<std::string, std::string>> attrs;  // names lower case
    bool first_child = true;
};

// The open elements, outermost first; the last is the one being matched.
// before[i] is the element sibling just before stack[i], or null.
struct CssStack {
    std::vector<CssElement> open;
    std::vector<const CssElement*> before;
};

// Whether the selector matches the last element of the stack. The work is
// bounded (a hostile selector against a deep stack gives up: no match).
bool css_matches(const CssSelector& s, const CssStack& stack);

// The rules of the sheet that match the stack's last element, in cascade
// order: by specificity, then by source order.
void css_matchingrules(const CssSheet& sheet, const CssStack& stack, std::vector<uint32_t>* out);

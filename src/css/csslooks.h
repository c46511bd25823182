// The looks of an element that this program shows, computed as the CSS
// cascade computes them (CSS Cascading and Inheritance Level 3): the
// browser's default looks of the tag (the HTML standard's rendering
// section, as one table), the page's matching rules by specificity and
// order, the style attribute, !important over all of them; inherited
// properties from the parent; `inherit`, `initial` and `unset`.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "css/csssheet.h"

enum CssAlign { CSS_ALIGN_START, CSS_ALIGN_LEFT, CSS_ALIGN_RIGHT, CSS_ALIGN_CENTER, CSS_ALIGN_JUSTIFY, CSS_ALIGN_END };

// A colour as a sheet gives it: its components, or a name for the
// colour table to find.
struct CssColour {
    bool set = false;  // false: the page's text colour
    uint8_t r = 0, g = 0, b = 0;
    std::string name;  // a colour name, lower case ("" for components)
};

struct CssLooks {
    int weight = 400;  // 100 to 900: bold at 600 or more
    bool italic = false;
    bool underline = false;  // drawn under the element's text and its descendants'
    bool strike = false;
    double size = 16;  // CSS pixels
    int align = CSS_ALIGN_START;
    CssColour colour;
    bool pre = false;  // white-space: pre or pre-wrap
    bool hidden = false;  // visibility: hidden (a descendant may be visible again)
    bool none = false;  // display: none, here or on an ancestor
    bool block = false;  // displayed as a block

    bool bold() const { return weight >= 600; }
};

// The default looks of a tag (lower case), as the HTML standard's
// rendering section gives them; null for a tag with none.
struct CssDefault {
    const char* tag;
    int bold;  // 1 bold, 0 not set
    int italic;
    int underline;
    int strike;
    double size;  // the factor of the parent's size, 0 for none
    int block;
    int align;  // CssAlign, -1 for none
    int pre;
    int none;  // display: none
};
const CssDefault* css_default(const std::string& tag);

// The looks of an element: its parent's looks, its tag, the sheet's rules
// that match it (in cascade order, as css_matchingrules gives them), its
// style attribute's block (or none: UINT32_MAX), whether it has the
// `hidden` attribute, and the root's font size for `rem`. Properties the
// program does not show are read and ignored; *unsupported is set when
// the declarations hold one (for the one message of warnunsupported).
CssLooks css_computelooks(const CssLooks& parent, const std::string& tag, const CssSheet& sheet,
                          const std::vector<uint32_t>& rules, uint32_t inline_block, bool hidden_attr, double root_size,
                          bool* unsupported);

// A colour value (names, #rgb, #rgba, #rrggbb, #rrggbbaa, rgb(), rgba(),
// hsl(), hsla()); false when it is not one.
bool css_colour(const std::vector<CssToken>& value, CssColour* out);

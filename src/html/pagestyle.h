// The page's own style sheets (under the css setting): every <style>
// block is collected in the first pass, wherever it stands, as a browser
// applies it to the whole page; in the conversion, an element that the
// sheets, its style attribute or its hidden attribute hide (display: none)
// is left out with everything in it, pictures included.
#pragma once

#include <string>

// The name of the tag just read (g_tag) as sheets match it: lower case,
// without a final "/".
std::string pagestyle_tagname();

// Forgets the sheets of an earlier page.
void pagestyle_reset();
// First pass, just after a <style> tag: reads its sheet to its end tag
// (its media attribute decides whether it applies).
void pagestyle_addsheet();
// Conversion, after a start tag (in g_tag) is read and before it is
// dispatched: whether the sheets hide the element. The open elements are
// kept up to date either way.
bool pagestyle_hides();
// Conversion, after an end tag is read.
void pagestyle_closes();
// Whether the page has sheets with rules (else only attributes hide).
extern bool g_pagestyle_rules;
inline bool pagestyle_hasrules() { return g_pagestyle_rules; }

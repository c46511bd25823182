// Sub-parsers that read one attribute from the tag parameter buffer.
#pragma once

#include <string_view>

// Alignment kinds, as an align attribute gives them.
enum AlignKind { ALIGN_NORMAL = 0, ALIGN_CENTRED = 1, ALIGN_RIGHT = 2 };

// The values of the style attributes, read as the tag handlers push them:
// the align kind (-1 when none applies), the font of the first face the
// font map knows (0: none), the HTML size 1-7 (0: no size), the colour
// number (0: none; a named colour new to the table takes the components
// of colour `textcolour`).
int subparse_alignkind();
int subparse_facefont();
int subparse_sizevalue();
int subparse_colourvalue(int textcolour);

// The colour number of an attribute of the tag just read, found in its
// lower-cased parameters: a name of the table, six hex digits, or a new
// document colour (taking colour `textcolour`'s components when it is no
// hex value); 0 when the attribute is absent or the table is full.
int colour_fromattribute(std::string_view attribute, int textcolour);
int subparse_number(const char* name);
// The number of the attribute when it is there and its value begins with a
// digit or a sign and a digit; false (and *value untouched) otherwise. The
// number is held within plus or minus 10^9.
bool subparse_integer(const char* name, int* value);
// The results below stay valid until the next sub-parse call.
const char* subparse_string(const char* name);
const char* subparse_src(int leafonly);
// Whether the last full-path subparse_src value was longer than its field
// and cut: such a value names some other file.
bool subparse_srccut();
// Under html5tags, the last full-path subparse_src value as the page
// spells it (the sub-parsers read a lower-cased copy).
const char* subparse_srcspelled();
unsigned subparse_dimensions();

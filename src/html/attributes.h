// Sub-parsers that read one attribute from the tag parameter buffer.
#pragma once

int subparse_align(int key);
int subparse_face();
int subparse_size();
int subparse_colour();
int subparse_number(const char* name);
// The results below stay valid until the next sub-parse call.
const char* subparse_string(const char* name);
const char* subparse_src(int leafonly);
// Whether the last full-path subparse_src value was longer than its field
// and cut: such a value names some other file.
bool subparse_srccut();
unsigned subparse_dimensions();

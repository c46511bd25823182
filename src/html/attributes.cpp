// Attribute sub-parsers. Not yet written: every attribute reads as absent.
#include "html/attributes.h"

int subparse_align(int) { return 0; }
int subparse_face() { return 0; }
int subparse_size() { return 0; }
int subparse_colour() { return 0; }
int subparse_number(const char*) { return 0; }
const char* subparse_string(const char*) { return ""; }
const char* subparse_src(int) { return "<filename unknown>"; }
unsigned subparse_dimensions() { return 0; }

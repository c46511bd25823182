// The entity tables: "entities", "unierr" (additional names) and "revent"
// (reverse table for export), each read from the program folder.
#pragma once

void entity_load();
// Exact lookup in the main, then the additional table; 0 when not found.
int entity_find(const char* name);
// Numeric or case-folded lookup; 0 when not found.
int entity_find_nocase(const char* name);
// The value of a numeric reference's name ("#233", "#xE9"; digits read up
// to the first other character, a large value kept above U+10FFFF); -1 for
// a name that is not numeric.
long entity_number(const char* name);

// The colour table: the standard colours and the user colours of the
// "colours" file and of the document, by colour number (COL_nnn).
#pragma once

#include <string_view>

void colour_load();
int colour_findrgb(int red, int green, int blue);
int colour_findhex(const char* text);
int colour_findname(const char* name);
// Adds a document colour: "#rrggbb", or a name not in the table, which
// takes the components of colour number `textcolour` (0: black). Its
// number, or 0 when the table is full.
int colour_add(const char* text, int textcolour = 0);
void colour_flagused(int number);
int colour_isused(int number);
int colour_component(int number, int which);
int colour_scale(int component);
// The quoted name of a declaration (standard positions 1-9, then user
// position p as 9 + p).
const char* colour_displayname(int position);
void colour_writedecls();

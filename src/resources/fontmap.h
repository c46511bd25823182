// The font map: HTML face names to the font numbers of FONT_nnn.
#pragma once

void fontmap_load();
void fontmap_defaults();
int fontmap_find(const char* face);

// The font map: HTML face names to the font numbers of FONT_nnn, and the
// export map (host font names back to web faces) loaded beside it.
#pragma once

// The number of the monospaced font (FONT_021), which preformatted and
// teletype text are set in.
const int kMonospacedFont = 21;

void fontmap_load();
void fontmap_defaults();
// Font number of one face name (folded, first 31 characters), or 0.
int fontmap_find(const char* face);

// The export text of a host font name, or null when it has none.
const char* fontmap_exporttext(const char* hostname);
// One more than the number of faces in the map.
int fontmap_count();

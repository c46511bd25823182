// The built-in page definition (A4): paper size, text box, picture fitting.
#pragma once

struct PageDefinition {
    char description[32];
    char papername[32];
    float width, height;
    float left, right, top, bottom;
    int paperw, paperh;
    int textx, texty;
    int textw, texth;
};

void page_load();
void page_release();
// The parts of the page definition written to the output.
enum PagePart { PAGE_PAPERSIZE = 1, PAGE_TEXTBOX = 2 };

// Writes the command of a part; anything else writes nothing.
void page_write(int what);
// size = width | height << 16 in pixels; returns the fitted size, same packing.
unsigned page_fitpicture(unsigned size);
// The current definition (null before page_load).
const PageDefinition* page_current();

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
// 1: paper size command; 2: text box command; anything else: nothing.
void page_write(int what);
// size = width | height << 16 in pixels; returns the fitted size, same packing.
unsigned page_fitpicture(unsigned size);
// The current definition (null before page_load).
const PageDefinition* page_current();

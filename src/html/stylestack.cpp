// The pushes and pops of the style stacks. Not yet written: every
// operation changes nothing.
#include "html/style.h"

void style_pushfont(int) {}
void style_popfont() {}
void style_pushsize(int) {}
void style_popsize() {}
void style_pushcolour(int) {}
void style_popcolour() {}
void style_pushlist(int) {}
void style_listitem() {}
void style_poplist() {}
void style_pushalign(int, int) {}
void style_popalign(int) {}
void style_reassert() {}
void style_resetonpara() {}
int style_sizeof(int n) { return g_style.base_size * 1000 + (n - 3) * 2000; }

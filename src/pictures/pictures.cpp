#include "pictures/pictures.h"

// No pictures are collected yet, so there is nothing to declare or embed.
void image_index() {}
void image_tag(int) {}
void image_writedecls() {}

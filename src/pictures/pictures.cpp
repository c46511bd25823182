#include "pictures/pictures.h"

// No pictures are collected yet, so there is nothing to declare.
void image_writedecls() {}

#include "html/handlers.h"

// Not yet handled: anchors are read and classified and change nothing.
void links_tag(bool) {}

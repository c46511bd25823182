#include "html/handlers.h"

// Not yet handled: the tags are read and classified and change nothing.
void effects_tag(int, bool) {}

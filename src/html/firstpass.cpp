#include "html/handlers.h"

// The first pass collects the document's colours and pictures before the
// preamble is written; it has nothing to collect yet.
void firstpass_run() {}

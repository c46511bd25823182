// Pictures referenced by the page: their frames and data in the preamble.
#pragma once

// Writes the picture frame and picture declarations of the preamble.
void image_writedecls();

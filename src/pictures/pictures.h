// Pictures referenced by the page: their frames and data in the preamble.
#pragma once

// First pass: records the <img> tag just read (its parameters in g_tag).
void image_index();
// Conversion: writes the picture of the <img> tag just read at its place
// (or the italic marker), given the current italic count.
void image_tag(int italic_count);
// Writes the picture frame and picture declarations of the preamble.
void image_writedecls();

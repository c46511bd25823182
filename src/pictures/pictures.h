// Pictures referenced by the page: their frames and data in the preamble,
// their places in the text.
#pragma once

// First pass: records the <img> tag just read (its parameters in g_tag).
void image_index();
// Conversion: writes the picture of the <img> tag just read at its place
// (or the italic marker); italic is whether italic text is on.
void image_output(int italic);
// The same, given the current italic count.
void image_tag(int italic_count);
// Writes the picture frame and picture declarations of the preamble.
void image_writedecls();
// Under the pictures setting, at the end of a run: one message naming the
// page and saying how many pictures were left out, and why.
void image_reportlost();

// Link colouring: anchors are only made visible, never followed.
#pragma once

// What link_choosecolour gives for an anchor that is no link (no href).
const int kLinkNone = -1;

// The colour index for the anchor just read (its parameters in g_tag), 0
// when the colour table lacks the colour, or kLinkNone.
int link_choosecolour();

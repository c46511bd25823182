// The output's parts that the converter's state decides: the preamble,
// foreground colours, headings and the template's marker values.
#pragma once

// Writes the value of a template marker (the five-letter key) from the
// style state and the page definitions; given to template_setvaluewriter.
void preamble_writevalue(const char* key);

// The foreground command for colour n (0: the default foreground).
void ddlout_foreground(int n);
// The foreground command for colour i, or, when it is the background's
// colour, for its contrast (an inline colour when the table has none).
void ddlout_foregroundcolour(int i);
// A heading of the level: a new paragraph and the template's heading line
// (or bold, as the settings say).
void ddlout_heading(int level);
// The document's preamble: the comment header, the colours, the template's
// set-up sections and the picture declarations.
void ddlout_header();

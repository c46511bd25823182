// The tag handlers, one entry per group of tags. Each is given the token of
// its tag (without the closing offset) and whether it is the closing tag;
// the tag's name and parameters are in g_tag.
#pragma once

void effects_tag(int token, bool closing);  // text effects
void fonts_tag(int token, bool closing);  // fonts, sizes, headings
void blocks_tag(int token, bool closing);  // alignment, paragraphs, lists, rules
void links_tag(bool closing);  // anchors
void special_tag(int token, bool closing);  // quillet, pre, embed, img, script, plaintext,
    // style, template, svg
void tables_tag(int token, bool closing);  // table, caption, tr, td, th

// The first pass over the whole input before the body is searched.
void firstpass_run();

// Called just after "&" was read from the input; reads the rest of the
// entity and writes its character (or the unknown-entity marker).
void entity_convert();

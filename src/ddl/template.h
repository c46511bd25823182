// The definitions template "definits": named sections copied into the
// output, single-line command templates, and value markers.
#pragma once

enum TemplateSection {
    SEC_DEFCOLOURS,
    SEC_DEFFONTS,
    SEC_GENPREF,
    SEC_STYLES,
    SEC_CHAP_A4PRE,
    SEC_CHAP_A4POST,
    SEC_CHAP_A5PRE,
    SEC_CHAP_A5POST,
    SEC_CHAP_FINISH,
    SEC_COUNT
};

// Position that copies the whole "drmstyle" file.
const long kDrmstylePosition = -2;

void definits_load();
// The writer of the value markers' values: given the five-letter key, it
// writes the value to the output (an unknown key writes nothing). The
// values belong to the converter, which sets it before any is copied.
void template_setvaluewriter(void (*writer)(const char* key));
long template_position(int section);
const char* template_strikeout();
const char* template_heading(int level);  // "" outside 1-6

void ddlout_copysection(long position);
void ddlout_expandtemplate(const char* line);

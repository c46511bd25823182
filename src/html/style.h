// The style state of the HTML converter: effect counters, current sizes and
// colours, and the seven style stacks.
#pragma once

#include <cstdint>

#include "markup/attributes.h"

struct StyleState {
    int32_t bold_count;
    int32_t italic_count;
    int32_t underline_count;
    int32_t strike_count;
    int32_t superscript_count;
    int32_t subscript_count;
    int32_t tt_count;
    int32_t link_count;
    int32_t address_count, cite_count, dfn_count, var_count;
    int32_t blockquote_count;
    int32_t heading_depth;
    int32_t heading_count[7];  // [1..6]
    int32_t pre_count, plaintext_count;
    int32_t script_count;
    // Under html5tags: the tag whose content is being left out (style,
    // template, svg) and how deep in it; the code tags open (quotes and
    // hyphens stay as typed).
    int32_t skip_token, skip_count;
    int32_t code_count;
    // Tables (html5tags): how deep, whether the outermost table has begun a
    // line (caption or row), the cells begun in its row, and bit d - 1 set
    // while a header cell at depth d has bold on.
    int32_t table_depth, table_linebegun, table_cells;
    uint32_t table_boldcells;
    int32_t list_depth;
    int32_t indent_level;
    int32_t dt_bold;
    int32_t base_size;
    int32_t leading;
    int32_t text_colour;
    int32_t background_colour;
    int32_t link_colour;
    int32_t vlink_colour;
    int32_t base_alignment;
    int32_t trashtt;

    // The stacks (StyleStackDepth + 1 entries each) and their counts.
    int32_t* font_stack;
    int32_t* effect_stack;
    int32_t* colour_stack;
    int32_t* size_stack;
    int32_t* indent_stack;
    int32_t* align_stack;
    int32_t* alignkey_stack;
    int32_t font_depth;
    int32_t effect_depth;
    int32_t colour_depth;
    int32_t size_depth;
    int32_t align_depth;
};

extern StyleState g_style;

// Capacity of every style stack (set before the stacks are created).
extern int StyleStackDepth;

// Puts every field back to its starting value (stacks are not touched).
void style_initstate();

// Claims the seven stacks (ending the run with exit 68 when one cannot be
// had) and registers their release at exit.
void style_createstacks();

// Empties every stack back to its state just after creation: the markers
// in slot 0 and the base alignment entry alone.
void style_resetstacks();

// Indentation stack entries other than an ordered list's next number. An
// ordered list under html5tags holds kListCounted plus its next number
// less kListLowest: a negative entry, which the design's lists never hold,
// for any number from kListLowest to kListHighest.
const int32_t kListCounted = INT32_MIN;
const int32_t kListLowest = -1000000000;
const int32_t kListHighest = 1000000000;
const int kListUnordered = 1024;
const int kListDefinition = 2048;
const int kListDirectory = 4096;

// Alignment kinds given to style_pushalign: AlignKind of the attributes.

// Pushes and pops; each writes the commands that bring the state in force.
void style_pushfont(int font);
void style_popfont();
void style_pushsize(int size);
void style_popsize();
void style_pushcolour(int colour);
void style_popcolour();
void style_pushlist(int kind);
void style_listitem();
// Under html5tags: an ordered list starting at n, and the number of the
// next item of the innermost list when that is an ordered one.
void style_pushcounted(long long n);
void style_setitemnumber(long long n);
void style_poplist();
void style_pushalign(int kind, int key);
void style_popalign(int key);
void style_reassert();
void style_resetonpara();

// The style attributes of the tag just read, each pushed on its stack when
// the tag has it: 1 when pushed, 0 otherwise.
int subparse_align(int key);
int subparse_face();
int subparse_size();
int subparse_colour();

// Whether a translate script's option letter (b, c, h, i, l, o, p, r, t, u)
// is in force: the effect counted, the alignment on top of its stack.
bool style_optiontest(int letter);

// Text size in millipoints of an HTML size around the base size (held
// within the int range whatever the base size).
int style_sizeof(int n);

// The shared bold and italic effects (<b>, <dt>, the translate scripts):
// each "on" writes its command, each "off" writes only at the outermost close.
void effect_boldon();
void effect_boldoff();
void effect_italicon();
void effect_italicoff();

// Typeface, size and colour changes (<font>, <basefont>, <big>, <small>)
// and the six heading levels. Every change goes through the style stacks so
// that a closing tag restores what was in force before its opening tag.
#include <cstdio>

#include "ddl/ddlout.h"
#include "ddl/format.h"
#include "markup/attributes.h"
#include "html/handlers.h"
#include "html/tags.h"
#include "html/preamble.h"
#include "html/style.h"
#include "markup/tagreader.h"
#include "base/ascii.h"
#include "base/infile.h"
#include "base/messages.h"
#include "base/runstate.h"

namespace {

// A <font> tag records what it pushed so that its closing tag pops exactly
// that: bit 1 the face, bit 2 the size, bit 4 the colour.
const int kEffectFace = 1;
const int kEffectSize = 2;
const int kEffectColour = 4;

// The font effect stack has slots 1 to StyleStackDepth.
int effect_slots() { return StyleStackDepth; }

void font_open()
{
    ddlout_flush();
    ++g_style.effect_depth;
    if (g_style.effect_depth > effect_slots()) {
        show_message("Can only track %d font effect changes, ignoring this one (%d)...", effect_slots(),
                     g_style.effect_depth);
        return;
    }
    int face = subparse_face();
    int size = subparse_size();
    int colour = subparse_colour();
    g_style.effect_stack[g_style.effect_depth] =
        (face ? kEffectFace : 0) + (size ? kEffectSize : 0) + (colour ? kEffectColour : 0);
}

void font_close()
{
    ddlout_flush();
    if (g_style.effect_depth > effect_slots()) {
        --g_style.effect_depth;  // its opening tag was ignored
        return;
    }
    int entry = 0;
    if (g_style.effect_depth > 0) {
        entry = g_style.effect_stack[g_style.effect_depth];
        g_style.effect_stack[g_style.effect_depth] = 0;
    }
    if (entry & kEffectFace) style_popfont();
    if (entry & kEffectSize) style_popsize();
    if (entry & kEffectColour) style_popcolour();
    if (--g_style.effect_depth < 0) g_style.effect_depth = 0;
}

void basefont()
{
    if (g_style.heading_depth || g_style.size_depth) return;
    const char* p = g_tag.params;
    int len = g_tag.paramlen;
    int i = 0;
    for (;; ++i) {
        if (i >= len || p[i] == '\0' || p[i] == '>' || infile_peek() == EOF) return;
        if (ascii_isdigit(p[i])) break;
    }
    int n = 0;
    for (int j = i; j < len && ascii_isdigit(p[j]); ++j) {
        if (n < 100000) n = n * 10 + (p[j] - '0');  // far beyond any size; stops growing
    }
    int sign = i > 0 ? p[i - 1] : 0;
    if (sign == ' ' && i > 1) sign = p[i - 2];
    if (sign == '+')
        n += 3;
    else if (sign == '-')
        n = 3 - n;

    if (n == 12) {
        // Twelve is taken as points, the usual text size.
        ddlout_command("{textsize 12000}");
        g_style.base_size = 12;
        return;
    }
    if (n < 1) n = 1;
    if (n > 7) n = 7;
    ddlout_flush();
    int size = style_sizeof(n);
    ddlout_commandjoin("{textsize ", size, 0, "}");
    g_style.base_size = size / 1000;
}

int size_top() { return g_style.size_stack[g_style.size_depth - 1]; }

void big() { style_pushsize(g_style.size_depth ? size_top() + 1 : 4); }

void small()
{
    int n = 2;
    if (g_style.size_depth) {
        n = size_top() - 1;
        if (n < 1) n = 1;
    }
    style_pushsize(n);
}

// Back to normal text after a heading, or into the still open outer heading.
void heading_end()
{
    ddlout_flush();
    char textsize[40];
    ddl_join(textsize, sizeof textsize, "{textsize ", g_style.base_size, 0, "000}");
    if (g_style.heading_depth > 0) {
        for (int level = 1; level <= 6; ++level) {
            if (g_style.heading_count[level] > 0) {
                ddlout_heading(level);
                return;
            }
        }
    }
    ddlout_command("{bold 0}{font}");
    ddlout_command(textsize);
    if (g_style.font_depth > 0) {
        ddlout_commandjoin("FONT_", g_style.font_stack[g_style.font_depth - 1], 3, "");
    } else {
        ddlout_command("FONT_001 ");
    }
    style_reassert();
    ddlout_break(DDL_NEWLINE);
}

void heading(int level, bool closing)
{
    if (!closing) {
        ++g_style.heading_depth;
        ++g_style.heading_count[level];
        subparse_align(TOK_H1);  // every level shares one alignment key
        ddlout_heading(level);
        return;
    }
    if (--g_style.heading_depth < 0) g_style.heading_depth = 0;
    if (--g_style.heading_count[level] < 0) g_style.heading_count[level] = 0;
    style_popalign(TOK_H1);
    heading_end();
}

}  // namespace

void fonts_tag(int token, bool closing)
{
    switch (token) {
    case TOK_FONT:
        if (closing)
            font_close();
        else
            font_open();
        break;
    case TOK_BASEFONT:
        if (!closing) basefont();
        break;
    case TOK_BIG:
        if (closing)
            style_popsize();
        else
            big();
        break;
    case TOK_SMALL:
        if (closing)
            style_popsize();
        else
            small();
        break;
    case TOK_H1:
    case TOK_H2:
    case TOK_H3:
    case TOK_H4:
    case TOK_H5:
    case TOK_H6: heading(token - TOK_H1 + 1, closing); break;
    default: break;
    }
}

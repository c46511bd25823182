// Block structure: paragraphs and line breaks, alignment tags and align
// attributes, block quotations, the four kinds of list with their items,
// and horizontal rules.
#include <cstdio>

#include "ddl/ddlout.h"
#include "ddl/format.h"
#include "markup/attributes.h"
#include "html/handlers.h"
#include "html/tags.h"
#include "html/style.h"
#include "resources/config.h"

namespace {

// An ordered list starts counting its items at 1.
const int kListOrdered = 1;

const long long kIndentStep = 28346;  // 10 mm in millipoints

void paragraph(bool closing)
{
    if (closing) {
        if (!settings.ignorealignment) style_popalign(TOK_P);
        return;
    }
    ddlout_flush();
    ddlout_break(DDL_NEWPARA);
    if (settings.resetstylesonp) style_resetonpara();
    if (!settings.ignorealignment) subparse_align(TOK_P);
}

void align_tag(int kind, int key, bool closing)
{
    if (settings.ignorealignment) return;
    if (closing)
        style_popalign(key);
    else
        style_pushalign(kind, key);
}

// Block quotations share the indent level with lists; the level can grow
// without bound, so the indent is worked out in 64 bits.
void write_indent()
{
    if (g_style.indent_level < 1) {
        g_style.indent_level = 0;
        ddlout_command("{leftindent}");
        return;
    }
    ddlout_commandjoin("{leftindent 1 ", g_style.indent_level * kIndentStep, 0, "}");
}

void blockquote(bool closing)
{
    if (!closing) {
        ++g_style.blockquote_count;
        ++g_style.indent_level;
        ddlout_flush();
        ddlout_commandjoin("{newline}{leftindent 1 ", g_style.indent_level * kIndentStep, 0, "}");
        return;
    }
    if (g_style.blockquote_count == 0 || g_style.indent_level == 0) return;
    ddlout_flush();
    --g_style.blockquote_count;
    --g_style.indent_level;
    write_indent();
}

void definition_list_close()
{
    if (g_style.dt_bold) {
        g_style.dt_bold = 0;
        effect_boldoff();
    }
    style_poplist();
}

void term()
{
    style_listitem();
    if (g_style.dt_bold != 1) {
        effect_boldon();
        g_style.dt_bold = 1;
    }
}

void definition()
{
    if (g_style.dt_bold) {
        g_style.dt_bold = 0;
        effect_boldoff();
    }
    style_listitem();
}

// DDL has no rule, so a small bracketed marker stands in for it; the words
// are italic and the brackets upright whatever the italic state around it.
void horizontal_rule()
{
    ddlout_flush();
    ddlout_break(DDL_NEWPARA);
    style_pushsize(2);
    subparse_align(TOK_HR);
    ddlout_bracketed("horizontal rule", g_style.italic_count != 0);
    ddlout_flush();
    style_popsize();
    style_popalign(TOK_HR);
}

// <div> and the blocks read as one: an alignment under the division's key,
// whose close ends the line.
void division(bool closing)
{
    if (settings.ignorealignment) return;
    if (closing)
        style_popalign(TOK_DIV);
    else
        subparse_align(TOK_DIV);
}

// Under html5tags an ordered list counts from its start attribute.
void ordered_list()
{
    if (!settings.html5tags) {
        style_pushlist(kListOrdered);
        return;
    }
    int start = 1;
    subparse_integer("start", &start);
    style_pushcounted(start);
}

// Under html5tags an item's value attribute sets its number.
void list_item()
{
    int value = 0;
    if (settings.html5tags && subparse_integer("value", &value)) style_setitemnumber(value);
    style_listitem();
}

}  // namespace

void blocks_tag(int token, bool closing)
{
    switch (token) {
    case TOK_P: paragraph(closing); break;
    case TOK_CENTER: align_tag(ALIGN_CENTRED, TOK_CENTER, closing); break;
    case TOK_LEFT: align_tag(ALIGN_NORMAL, TOK_LEFT, closing); break;
    case TOK_RIGHT: align_tag(ALIGN_RIGHT, TOK_RIGHT, closing); break;
    case TOK_DIV:
    case TOK_SECTION:
    case TOK_ARTICLE:
    case TOK_HEADER:
    case TOK_FOOTER:
    case TOK_NAV:
    case TOK_MAIN:
    case TOK_ASIDE:
    case TOK_FIGURE:
    case TOK_DETAILS:
    case TOK_SUMMARY:
    case TOK_HGROUP:
    case TOK_DIALOG: division(closing); break;
    case TOK_FIGCAPTION:
        // A division in italics.
        if (closing) {
            effect_italicoff();
            division(true);
        } else {
            division(false);
            effect_italicon();
        }
        break;
    case TOK_BLOCKQUOTE: blockquote(closing); break;
    case TOK_UL:
        if (closing)
            style_poplist();
        else
            style_pushlist(kListUnordered);
        break;
    case TOK_OL:
        if (closing)
            style_poplist();
        else
            ordered_list();
        break;
    case TOK_DIR:
        if (closing)
            style_poplist();
        else
            style_pushlist(kListDirectory);
        break;
    case TOK_DL:
        if (closing)
            definition_list_close();
        else
            style_pushlist(kListDefinition);
        break;
    case TOK_LI:
        if (!closing) list_item();
        break;
    case TOK_DT:
        if (!closing) term();
        break;
    case TOK_DD:
        if (!closing) definition();
        break;
    case TOK_HR:
        if (!closing) horizontal_rule();
        break;
    default: break;
    }
}

// The phrase and font-style tags: bold, italic, underline, strikeout,
// sub- and superscript and the monospaced font. An opening tag writes its
// "on" command every time; the "off" command is written only when the
// counter comes back to zero, so nested tags end at the outermost close.
#include <cstdio>

#include "ddl/ddlout.h"
#include "ddl/format.h"
#include "html/handlers.h"
#include "html/tags.h"
#include "html/style.h"
#include "resources/config.h"
#include "base/ascii.h"
#include "resources/fontmap.h"
#include "base/infile.h"
#include "base/runstate.h"

namespace {

const int kAddressFont = 41;

// Lowers a counter; true when it has come down to zero (it is then held at 0).
bool count_down(int32_t& count)
{
    --count;
    if (count > 0) return false;
    count = 0;
    return true;
}

void underline_on()
{
    if (settings.ignoreeffects) return;
    const StyleState& s = g_style;
    int index;
    if (s.link_count) {
        index = 1;
    } else if (s.colour_depth > 0 && s.colour_stack && s.colour_depth <= StyleStackDepth) {
        index = s.colour_stack[s.colour_depth - 1];
        if (index == 0) index = 1;
    } else {
        index = s.text_colour ? s.text_colour : 1;
    }
    ddlout_flush();
    ddlout_commandjoin("{underline 1 {colourvalue COL_", index, 3, " 0x10000 0}}");
    ++g_style.underline_count;
}

void underline_off()
{
    if (settings.ignoreeffects) return;
    if (!count_down(g_style.underline_count)) return;
    ddlout_flush();
    ddlout_command("{underline 0}");
}

void strike_tag(bool closing)
{
    StyleState& s = g_style;
    if (!closing) {
        ++s.strike_count;
        ddlout_flush();
        ddlout_strikeout(1);
        return;
    }
    --s.strike_count;
    ddlout_flush();
    if (s.strike_count >= 1) return;
    s.strike_count = 0;
    ddlout_strikeout(0);
}

// <sub> and <sup> mirror each other; neither switches the other off.
void script_tag(bool closing, int32_t& mine, const int32_t& other, const char* clash, const char* on, const char* off)
{
    if (!closing) {
        ++mine;
        ddlout_flush();
        if (other) ddlout_direct(clash);
        ddlout_command(on);
        return;
    }
    --mine;
    ddlout_flush();
    if (mine >= 1) return;
    mine = 0;
    ddlout_command(off);
}

void tt_close()
{
    if (--g_style.tt_count < 0) g_style.tt_count = 0;
    ddlout_flush();
    style_popfont();
}

void mono_tag(bool closing)
{
    if (closing) {
        tt_close();  // pops also when the opening tag was ignored
        return;
    }
    if (g_style.trashtt == 1 && g_style.tt_count > 0) return;
    ++g_style.tt_count;
    ddlout_flush();
    style_pushfont(kMonospacedFont);
}

void samp_tag(bool closing)
{
    if (closing) {
        tt_close();
        return;
    }
    ++g_style.tt_count;
    ddlout_flush();
    style_pushfont(kMonospacedFont);
}

void kbd_tag(bool closing)
{
    StyleState& s = g_style;
    if (!closing) {
        ++s.tt_count;
        ddlout_flush();
        style_pushfont(kMonospacedFont);
        ddlout_command("{italic 1}");
        ++s.italic_count;
        return;
    }
    ddlout_flush();
    if (--s.italic_count <= 0) {
        s.italic_count = 0;
        ddlout_command("{italic 0}");
    }
    if (--s.tt_count <= 0) s.tt_count = 0;
    style_popfont();
}

void address_tag(bool closing)
{
    StyleState& s = g_style;
    if (!closing) {
        ++s.address_count;
        ddlout_flush();
        style_pushfont(kAddressFont);
        effect_italicon();
        return;
    }
    if (--s.address_count < 0) s.address_count = 0;
    effect_italicoff();
    style_popfont();
}

void dfn_tag(bool closing)
{
    StyleState& s = g_style;
    if (!closing) {
        ++s.dfn_count;
        ddlout_flush();
        effect_boldon();
        return;
    }
    if (--s.dfn_count < 0) s.dfn_count = 0;
    effect_boldoff();
}

void var_tag(bool closing)
{
    StyleState& s = g_style;
    if (!closing) {
        ++s.var_count;
        effect_italicon();
        return;
    }
    // This close does not look at ignoreeffects.
    --s.var_count;
    if (!count_down(s.italic_count)) return;
    ddlout_flush();
    ddlout_command("{italic 0}");
}

}  // namespace

void effect_boldon()
{
    if (settings.ignoreeffects) return;
    ddlout_flush();
    ddlout_command("{bold 1}");
    ++g_style.bold_count;
}

void effect_boldoff()
{
    if (settings.ignoreeffects) return;
    if (!count_down(g_style.bold_count)) return;
    ddlout_flush();
    ddlout_command("{bold 0}");
}

void effect_italicon()
{
    if (settings.ignoreeffects) return;
    ddlout_flush();
    ddlout_command("{italic 1}");
    ++g_style.italic_count;
}

void effect_italicoff()
{
    if (settings.ignoreeffects) return;
    if (!count_down(g_style.italic_count)) return;
    ddlout_flush();
    ddlout_command("{italic 0}");
}

void effects_tag(int token, bool closing)
{
    StyleState& s = g_style;
    switch (token) {
    case TOK_B:
        if (closing)
            effect_boldoff();
        else
            effect_boldon();
        break;
    case TOK_DFN: dfn_tag(closing); break;
    case TOK_I:
        if (closing)
            effect_italicoff();
        else
            effect_italicon();
        break;
    case TOK_CITE:
        if (closing) {
            --s.cite_count;
            effect_italicoff();
        } else {
            ++s.cite_count;
            effect_italicon();
        }
        break;
    case TOK_VAR: var_tag(closing); break;
    case TOK_ADDRESS: address_tag(closing); break;
    case TOK_U:
    case TOK_INS:
        if (closing)
            underline_off();
        else
            underline_on();
        break;
    case TOK_S:
    case TOK_DEL: strike_tag(closing); break;
    case TOK_MARK:
        if (closing)
            effect_boldoff();
        else
            effect_boldon();
        break;
    case TOK_Q:
        // Typographic double quotes, opening and closing, in the host's set.
        ddlout_addchar(closing ? 0x95 : 0x94);
        break;
    case TOK_SUB:
        script_tag(closing, s.subscript_count, s.superscript_count, "// selected subscript whilst in superscript!\n",
                   "{sub 1}", "{sub 0}");
        break;
    case TOK_SUP:
        script_tag(closing, s.superscript_count, s.subscript_count, "// selected superscript whilst in subscript!\n",
                   "{super 1}", "{super 0}");
        break;
    case TOK_TT: mono_tag(closing); break;
    case TOK_SAMP: samp_tag(closing); break;
    case TOK_KBD: kbd_tag(closing); break;
    case TOK_SPAN:
        // A closing span directly followed by a word is taken as a column break.
        if (closing && ascii_isalnum(infile_peek())) ddlout_command("{tab}");
        break;
    default: break;
    }
}

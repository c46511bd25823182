// The pushes and pops of the style stacks, and the commands each writes to
// bring back the formatting that was in force.
#include <cstdint>
#include <cstdio>

#include "ddl/ddlout.h"
#include "ddl/format.h"
#include "html/preamble.h"
#include "html/style.h"
#include "resources/config.h"
#include "resources/fontmap.h"
#include "base/messages.h"
#include "base/runstate.h"

namespace {

const int kIndentStep = 28346;  // 10 mm in millipoints

// Reads and writes of a stack slot. The counts only move through the
// operations below, but other handlers can touch them too, so an index
// outside the stack is never used: it reads as 0 and is not stored.
bool slot_ok(const int32_t* stack, int i) { return stack && i >= 0 && i <= StyleStackDepth; }

int32_t slot_get(const int32_t* stack, int i) { return slot_ok(stack, i) ? stack[i] : 0; }

void slot_set(int32_t* stack, int i, int32_t v)
{
    if (slot_ok(stack, i)) stack[i] = v;
}

// A push has raised the count; true when the stack is now over its depth.
// Without recovery the run ends here; with it the caller resets its stack.
bool overflowed(int depth, const char* name)
{
    if (depth <= StyleStackDepth) return false;
    if (!settings.trytorecover)
        fatal_message(50, "Too many nested %s changes, can't keep track of >%d. Aborting.", name, StyleStackDepth);
    show_message(
        "TryToRecover: Too many nested %s changes (>%d) - resetting the %s stack, your output "
        "document may not be quite correct.",
        name, StyleStackDepth, name);
    return true;
}

void write_font(int font)
{
    ddlout_commandjoin("FONT_", font, 3, "");
    style_reassert();
}

void write_textsize(int millipoints) { ddlout_commandjoin("{textsize ", millipoints, 0, "}"); }

void write_indent()
{
    ddlout_commandjoin("{leftindent 1 ", static_cast<long long>(g_style.indent_level) * kIndentStep, 0, "}");
}

void write_align(int value) { ddlout_commandjoin("{align ", value, 0, "}"); }

int base_align() { return settings.justified ? 3 : 0; }

}  // namespace

void style_reassert()
{
    if (g_style.bold_count) ddlout_command("{bold 1}");
    if (g_style.italic_count) ddlout_command("{italic 1}");
    if (g_style.underline_count) ddlout_command("{underline 1}");
    if (g_style.strike_count) ddlout_strikeout(1);
    if (g_style.subscript_count) ddlout_command("{sub 1}");
    if (g_style.superscript_count) ddlout_command("{super 1}");
}

void style_pushfont(int font)
{
    StyleState& s = g_style;
    slot_set(s.font_stack, s.font_depth, font);
    ++s.font_depth;
    if (overflowed(s.font_depth, "font")) {
        s.font_depth = 0;
        ddlout_flush();
        ddlout_command("FONT_001");
        return;
    }
    if (s.font_depth >= 2 && slot_get(s.font_stack, s.font_depth - 1) == slot_get(s.font_stack, s.font_depth - 2))
        return;
    ddlout_flush();
    write_font(font);
}

void style_popfont()
{
    StyleState& s = g_style;
    int popped, restore;
    if (s.font_depth - 1 >= 1) {
        popped = slot_get(s.font_stack, s.font_depth - 1);
        restore = slot_get(s.font_stack, s.font_depth - 2);
        --s.font_depth;
    } else {
        s.font_depth = 0;
        popped = slot_get(s.font_stack, 0);  // keeps the last font stored there
        restore = 1;
    }
    if (popped == restore) return;
    ddlout_flush();
    // Inside preformatted or monospaced text the monospaced font stays.
    if ((s.pre_count || s.tt_count) && !s.plaintext_count && restore != kMonospacedFont) restore = kMonospacedFont;
    write_font(restore);
}

void style_pushsize(int size)
{
    StyleState& s = g_style;
    ++s.size_depth;
    slot_set(s.size_stack, s.size_depth - 1, size);
    if (overflowed(s.size_depth, "font size")) {
        s.size_depth = 0;
        ddlout_flush();
        ddlout_commandjoin("{textsize ", s.base_size, 0, "000}");
        return;
    }
    if (s.size_depth >= 2 && slot_get(s.size_stack, s.size_depth - 1) == slot_get(s.size_stack, s.size_depth - 2))
        return;
    ddlout_flush();
    write_textsize(style_sizeof(size));
}

void style_popsize()
{
    StyleState& s = g_style;
    int popped, restore;
    --s.size_depth;
    if (s.size_depth < 1) {
        s.size_depth = 0;
        popped = slot_get(s.size_stack, 0);
        restore = 3;
    } else {
        popped = slot_get(s.size_stack, s.size_depth);
        restore = slot_get(s.size_stack, s.size_depth - 1);
    }
    if (popped == restore) return;
    ddlout_flush();
    write_textsize(style_sizeof(restore));
}

void style_pushcolour(int colour)
{
    StyleState& s = g_style;
    if (colour == 0) return;
    slot_set(s.colour_stack, s.colour_depth, colour);
    ++s.colour_depth;
    if (overflowed(s.colour_depth, "colour")) {
        s.colour_depth = 0;
        ddlout_flush();
        ddlout_foreground(0);
        return;
    }
    ddlout_flush();
    ddlout_foregroundcolour(colour);
}

void style_popcolour()
{
    StyleState& s = g_style;
    int popped, restore;
    if (s.colour_depth - 1 >= 1) {
        popped = slot_get(s.colour_stack, s.colour_depth - 1);
        restore = slot_get(s.colour_stack, s.colour_depth - 2);
        --s.colour_depth;
    } else {
        s.colour_depth = 0;
        popped = slot_get(s.colour_stack, 0);
        restore = s.text_colour;
    }
    if (popped == restore) return;
    ddlout_flush();
    ddlout_foregroundcolour(restore);
}

void style_pushlist(int kind)
{
    StyleState& s = g_style;
    ++s.list_depth;
    slot_set(s.indent_stack, s.list_depth - 1, kind);
    if (overflowed(s.list_depth, "indentation")) {
        s.list_depth = 0;
        s.indent_level = 0;
        s.dt_bold = 0;
        ddlout_flush();
        ddlout_command("{leftindent}");
        return;
    }
    ddlout_flush();
    ++s.indent_level;
    write_indent();
}

void style_listitem()
{
    StyleState& s = g_style;
    if (s.list_depth <= 0) return;
    ddlout_flush();
    ddlout_break(DDL_NEWLINE);
    int v = slot_get(s.indent_stack, s.list_depth - 1);
    if (v < 0) {
        // Counted: the number, then the next one (held at the highest).
        long long n = static_cast<long long>(v) - kListCounted + kListLowest;
        ddlout_addstring("%lld. ", n);
        if (n < kListHighest) slot_set(s.indent_stack, s.list_depth - 1, v + 1);
    } else if (v < kListUnordered) {
        ddlout_addstring("%d. ", v);
        slot_set(s.indent_stack, s.list_depth - 1, v + 1);
    } else if (v == kListUnordered) {
        static const char kBullets[4] = {'*', '+', '#', '%'};
        ddlout_addstring("%c ", kBullets[(s.list_depth - 1) % 4]);
    }
    // Definition and directory lists get the line break only.
}

namespace {

int32_t counted_entry(long long n)
{
    if (n < kListLowest) n = kListLowest;
    if (n > kListHighest) n = kListHighest;
    return static_cast<int32_t>(kListCounted + (n - kListLowest));
}

}  // namespace

void style_pushcounted(long long n) { style_pushlist(counted_entry(n)); }

void style_setitemnumber(long long n)
{
    StyleState& s = g_style;
    if (s.list_depth <= 0 || slot_get(s.indent_stack, s.list_depth - 1) >= 0) return;
    slot_set(s.indent_stack, s.list_depth - 1, counted_entry(n));
}

void style_poplist()
{
    StyleState& s = g_style;
    --s.list_depth;
    if (s.list_depth < 0) {
        s.list_depth = 0;
        return;
    }
    ddlout_flush();
    --s.indent_level;
    if (s.indent_level < 1) {
        s.indent_level = 0;
        ddlout_command("{leftindent}");
        ddlout_break(DDL_NEWLINE);
    } else {
        write_indent();
    }
}

void style_pushalign(int kind, int key)
{
    StyleState& s = g_style;
    if (settings.ignorealignment) return;
    int value = kind == ALIGN_CENTRED ? 1 : kind == ALIGN_RIGHT ? 2 : base_align();
    slot_set(s.align_stack, s.align_depth, value);
    slot_set(s.alignkey_stack, s.align_depth, key);
    ++s.align_depth;
    if (overflowed(s.align_depth, "alignment")) {
        s.align_depth = 1;
        ddlout_flush();
        ddlout_command("{align 0}");
        return;
    }
    if (settings.debug == 1) {
        ddlout_flush();
        ddlout_direct(kind == ALIGN_CENTRED ? "// Setting alignment CENTRED.\n"
                      : kind == ALIGN_RIGHT ? "// Setting alignment RIGHT.\n"
                                            : "// Setting alignment NORMAL.\n");
        for (int i = 0; i < s.align_depth; ++i)
            ddlout_directf("//  align stack %02d : %d\n", i, slot_get(s.align_stack, i));
    }
    if (s.align_depth > 2) {
        int below = slot_get(s.align_stack, s.align_depth - 2);
        if (value == below) {
            // A repeated alignment is not stacked: the next close pops the earlier one.
            if (settings.debug == 1) {
                ddlout_flush();
                ddlout_directf("// prev align = %d, this align = %d; doing nothing!\n", below, value);
            }
            --s.align_depth;
            return;
        }
    }
    ddlout_flush();
    write_align(value);
    ddlout_break(DDL_NEWLINE);
}

void style_popalign(int key)
{
    StyleState& s = g_style;
    if (settings.ignorealignment) return;
    bool paragraph = key == 17 || key == 44;  // </div>, </p>
    int popped, popped_key, restore;
    --s.align_depth;
    if (s.align_depth < 2) {
        s.align_depth = 1;
        popped = slot_get(s.align_stack, 1);
        popped_key = key;
        restore = base_align();
    } else {
        popped = slot_get(s.align_stack, s.align_depth);
        popped_key = slot_get(s.alignkey_stack, s.align_depth);
        restore = slot_get(s.align_stack, s.align_depth - 1);
    }
    if (popped_key != key) {
        // The top alignment belongs to another tag: leave it in place.
        ++s.align_depth;
        ddlout_flush();
        ddlout_break(DDL_NEWLINE);
        return;
    }
    if (popped == restore && !paragraph) {
        ddlout_flush();
        ddlout_break(DDL_NEWLINE);
        return;
    }
    if (paragraph) restore = base_align();
    ddlout_flush();
    write_align(restore);
    ddlout_break(DDL_NEWLINE);
}

void style_resetonpara()
{
    StyleState& s = g_style;
    char size[40];
    ddl_join(size, sizeof size, "{textsize ", s.base_size, 0, "000}");
    if (s.heading_depth) {
        ddlout_command("{bold 0}{font}");
        ddlout_command(size);
        s.heading_depth = 0;
        for (int i = 1; i <= 6; ++i) s.heading_count[i] = 0;
    }
    if (s.bold_count) {
        s.bold_count = 0;
        ddlout_command("{bold 0}");
    }
    if (s.italic_count) {
        s.italic_count = 0;
        ddlout_command("{italic 0}");
    }
    if (s.underline_count) {
        s.underline_count = 0;
        ddlout_command("{underline 0}");
    }
    if (s.strike_count) {
        s.strike_count = 0;
        ddlout_strikeout(0);
    }
    if (s.superscript_count) {
        s.superscript_count = 0;
        ddlout_command("{super 0}");
    }
    if (s.subscript_count) {
        s.subscript_count = 0;
        ddlout_command("{sub 0}");
    }
    if (s.tt_count) {
        s.tt_count = 0;
        ddlout_command("FONT_001");
    }
    if (s.font_depth) {
        s.font_depth = 0;
        ddlout_command("FONT_001");
    }
    if (s.list_depth) {
        s.list_depth = 0;
        s.indent_level = 0;
        s.dt_bold = 0;
        ddlout_command("{leftindent}");
    }
    if (s.align_depth > 1) {
        s.align_depth = 1;
        ddlout_command("{align 0}");
    }
}

int style_sizeof(int n)
{
    long long v = static_cast<long long>(g_style.base_size) * 1000 + (static_cast<long long>(n) - 3) * 2000;
    if (v > INT32_MAX) v = INT32_MAX;
    if (v < 1000) v = 1000;  // never below one point
    return static_cast<int>(v);
}

#include "html/style.h"

#include <cstdlib>
#include <cstring>

#include "resources/config.h"
#include "base/memtrace.h"
#include "base/messages.h"
#include "base/runstate.h"

int StyleStackDepth = 0;
StyleState g_style = [] {
    StyleState s{};
    s.base_size = 12;
    s.leading = 13107;
    s.text_colour = 1;
    s.background_colour = 2;
    s.base_alignment = 3;
    return s;
}();

namespace {

struct StackInfo {
    int32_t* StyleState::*slot;
    const char* name;
    const char* marker;  // four characters put in slot 0, or null
};

const StackInfo kStacks[] = {
    {&StyleState::font_stack, "font", "CURF"},
    {&StyleState::effect_stack, "font effect", "FEFF"},
    {&StyleState::colour_stack, "colour", "CCOL"},
    {&StyleState::size_stack, "font size", "CSIZ"},
    {&StyleState::indent_stack, "indentation", "CIND"},
    {&StyleState::align_stack, "alignment", nullptr},
    {&StyleState::alignkey_stack, "alignment key", nullptr},
};

void release_stacks()
{
    for (const StackInfo& s : kStacks) {
        if (g_style.*s.slot) mem_release(g_style.*s.slot);
        g_style.*s.slot = nullptr;
    }
}

}  // namespace

void style_initstate()
{
    StyleState fresh{};
    fresh.base_size = 12;
    fresh.leading = 13107;
    fresh.text_colour = 1;
    fresh.background_colour = 2;
    fresh.base_alignment = settings.justified ? 3 : 0;
    for (const StackInfo& s : kStacks) fresh.*s.slot = g_style.*s.slot;
    g_style = fresh;
}

void style_createstacks()
{
    std::atexit(release_stacks);
    for (const StackInfo& s : kStacks) {
        int32_t* p = static_cast<int32_t*>(mem_claimzero(StyleStackDepth + 1, sizeof(int32_t)));
        if (!p) fatal_message(68, "Unable to allocate space for %s stack, cannot continue.", s.name);
        if (s.marker) std::memcpy(&p[0], s.marker, 4);
        g_style.*s.slot = p;
    }
}

void style_resetstacks()
{
    for (const StackInfo& s : kStacks) {
        int32_t* p = g_style.*s.slot;
        if (!p) continue;
        std::memset(p, 0, sizeof(int32_t) * (StyleStackDepth + 1));
        if (s.marker) std::memcpy(&p[0], s.marker, 4);
    }
    g_style.font_depth = g_style.effect_depth = g_style.colour_depth = 0;
    g_style.size_depth = g_style.list_depth = 0;
    if (g_style.align_stack) g_style.align_stack[0] = g_style.base_alignment;
    if (g_style.alignkey_stack) g_style.alignkey_stack[0] = 0;
    g_style.align_depth = 1;
}

int subparse_align(int key)
{
    int kind = subparse_alignkind();
    if (kind < 0) return 0;
    style_pushalign(kind, key);
    return 1;
}

int subparse_face()
{
    int font = subparse_facefont();
    if (!font) return 0;
    style_pushfont(font);
    return 1;
}

int subparse_size()
{
    int size = subparse_sizevalue();
    if (!size) return 0;
    style_pushsize(size);
    return 1;
}

int subparse_colour()
{
    int colour = subparse_colourvalue(g_style.text_colour);
    if (!colour) return 0;
    style_pushcolour(colour);
    return 1;
}

namespace {

int top_alignment()
{
    int depth = g_style.align_depth;
    if (!g_style.align_stack || depth < 1) return g_style.base_alignment;
    if (depth > StyleStackDepth + 1) depth = StyleStackDepth + 1;
    return g_style.align_stack[depth - 1];
}

}  // namespace

bool style_optiontest(int letter)
{
    switch (letter) {
    case 'b': return g_style.bold_count != 0;
    case 'c': return top_alignment() == ALIGN_CENTRED;
    case 'h': return g_style.link_count != 0;
    case 'i': return g_style.italic_count != 0;
    case 'l': return top_alignment() == g_style.base_alignment;
    case 'o': return g_style.list_depth != 0;
    case 'p': return g_style.pre_count != 0 || g_style.plaintext_count != 0;
    case 'r': return top_alignment() == ALIGN_RIGHT;
    case 't': return g_style.tt_count != 0;
    case 'u': return g_style.underline_count != 0;
    default: return false;
    }
}

#include "resources/page.h"

#include <cstdio>

#include "ddl/ddlout.h"
#include "base/memtrace.h"
#include "base/messages.h"

namespace {

const double kUnitsPerMm = 2834.64566;

PageDefinition* g_pages = nullptr;  // position 0 unused, 1 the A4 page
int g_current = 0;

int to_units(float mm) { return static_cast<int>(mm * kUnitsPerMm + 0.5); }

}  // namespace

void page_load()
{
    g_pages = static_cast<PageDefinition*>(mem_claimzero(2, sizeof(PageDefinition)));
    if (!g_pages) fatal_message(44, "Not enough memory to load page definitions.");
    PageDefinition& p = g_pages[1];
    std::snprintf(p.description, sizeof p.description, "%s", "A4; 10mm margins, 20mm bottom");
    std::snprintf(p.papername, sizeof p.papername, "%s", "a4");
    p.width = 210;
    p.height = 297;
    p.left = 10;
    p.right = 10;
    p.top = 10;
    p.bottom = 20;
    p.paperw = to_units(p.width);
    p.paperh = to_units(p.height);
    p.textx = to_units(p.left);
    p.texty = to_units(p.top);
    p.textw = to_units(p.width - (p.left + p.right));
    p.texth = to_units(p.height - (p.top + p.bottom));
    g_current = 1;
}

void page_release()
{
    if (g_pages) mem_release(g_pages);
    g_pages = nullptr;
    g_current = 0;
}

const PageDefinition* page_current() { return g_pages && g_current ? &g_pages[g_current] : nullptr; }

void page_write(int what)
{
    const PageDefinition* p = page_current();
    if (!p || (what != PAGE_PAPERSIZE && what != PAGE_TEXTBOX)) return;
    ddlout_flush();
    if (what == PAGE_PAPERSIZE)
        ddlout_directf("{papersize \"%s\" 0 {w %d} {h %d} {sideways 0}}\n", p->papername, p->paperw, p->paperh);
    else
        ddlout_directf("{fcurve {box {x %d}\n{y %d}\n{w %d}\n{h %d}\n}}\n", p->textx, p->texty, p->textw, p->texth);
}

unsigned page_fitpicture(unsigned size)
{
    const PageDefinition* p = page_current();
    long long w = static_cast<long long>(size & 0xFFFF) * 800;
    long long h = static_cast<long long>((size >> 16) & 0xFFFF) * 800;
    if (p) {
        long long maxw = static_cast<long long>(p->textw - 28346.4566);
        long long maxh = static_cast<long long>(p->texth - 28346.4566);
        if (w > maxw) w = maxw;
        if (h > maxh) h = maxh;
    }
    return static_cast<unsigned>(w / 800) | (static_cast<unsigned>(h / 800) << 16);
}

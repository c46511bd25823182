// The parts of the output that depend on the converter's state rather than
// on the writer's: the document's preamble, the foreground colour commands
// with their contrast rule, the heading lines and the values of the
// template's markers.
#include "html/preamble.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "base/runstate.h"
#include "base/version.h"
#include "ddl/ddlout.h"
#include "ddl/format.h"
#include "ddl/template.h"
#include "html/style.h"
#include "pictures/pictures.h"
#include "resources/colour.h"
#include "resources/config.h"
#include "resources/page.h"

void preamble_writevalue(const char* key)
{
    char buf[40];
    if (!std::strcmp(key, "ALIGN")) {
        std::snprintf(buf, sizeof buf, "{align %d}", g_style.base_alignment);
    } else if (!std::strcmp(key, "BGCOL")) {
        std::snprintf(buf, sizeof buf, "COL_%03d", g_style.background_colour ? g_style.background_colour : 2);
    } else if (!std::strcmp(key, "FGCOL")) {
        std::snprintf(buf, sizeof buf, "COL_%03d", g_style.text_colour ? g_style.text_colour : 1);
    } else if (!std::strcmp(key, "FSIZE")) {
        std::snprintf(buf, sizeof buf, "{textsize %d000}", g_style.base_size);
    } else if (!std::strcmp(key, "TLEAD")) {
        std::snprintf(buf, sizeof buf, "{leading 2 %d}", g_style.leading);
    } else if (!std::strcmp(key, "PSIZE")) {
        page_write(PAGE_PAPERSIZE);
        return;
    } else if (!std::strcmp(key, "MRGNS")) {
        page_write(PAGE_TEXTBOX);
        return;
    } else {
        return;
    }
    ddlout_direct(buf);
}

void ddlout_foreground(int n)
{
    if (n == 0)
        ddlout_direct("{foreground}\n");
    else
        ddlout_foregroundcolour(n);
}

void ddlout_foregroundcolour(int i)
{
    if (i == 0) {
        ddlout_direct("{foreground}\n");
        return;
    }
    int bg = g_style.background_colour;
    int r = colour_component(i, 1), g = colour_component(i, 2), b = colour_component(i, 3);
    if (r == colour_component(bg, 1) && g == colour_component(bg, 2) && b == colour_component(bg, 3)) {
        // Text in the background colour would be invisible: use its contrast.
        r = 255 - r;
        g = 255 - g;
        b = 255 - b;
        i = colour_findrgb(r, g, b);
        if (!i || !colour_isused(i)) {
            ddlout_directf("{foreground {colour {rgb 0x%05X 0x%05X 0x%05x}} 0x10000 0}\n", colour_scale(r),
                           colour_scale(g), colour_scale(b));
            return;
        }
    }
    char cmd[64];
    int n = ddl_join(cmd, sizeof cmd, "{foreground COL_", i, 3, " 0x10000 0}\n");
    ddlout_directbytes(cmd, n < static_cast<int>(sizeof cmd) ? static_cast<size_t>(n) : sizeof cmd - 1);
}

void ddlout_heading(int level)
{
    ddlout_flush();
    ddlout_break(DDL_NEWPARA);
    const char* line = "";
    if (settings.ignoreheadings) {
        if (settings.headingsinbold) ddlout_command("{bold 1}");
    } else {
        line = template_heading(level);
    }
    ddlout_flush();
    ddlout_templateline(line);
}

void ddlout_header()
{
    ddlout_direct("//->DDL\n");
    ddlout_directf("// Produced by %s v%s (%s)\n", kProgramName, kVersion, kReleaseDate);
    ddlout_directf("// %s\n", kCopyright);
    std::vector<char> name(std::strlen(run_inputpath()) + 1);
    ddl_cleanname(name.data(), name.size(), run_inputpath());
    ddlout_directf("//\n//\n// Input file \"%s\"\n//\n//\n\n", name.data());
    ddlout_direct("DOC={document}\n\n");
    colour_writedecls();
    ddlout_copysection(template_position(SEC_DEFCOLOURS));
    ddlout_direct("\n");
    ddlout_copysection(template_position(SEC_DEFFONTS));
    ddlout_direct("\n");
    ddlout_copysection(template_position(SEC_GENPREF));
    ddlout_copysection(template_position(SEC_STYLES));
    ddlout_copysection(template_position(SEC_CHAP_A4PRE));
    image_writedecls();
    ddlout_copysection(template_position(SEC_CHAP_A4POST));
}

// Tables (under html5tags): a paragraph break before and after the
// outermost table, each row on a line of its own after the caption's, the
// cells of a row separated by tabs, header cells in bold. A table inside a
// cell is flattened into it: its rows and cells are only spaced apart.
// Closing tags that pages leave out are taken as read: a cell ends at the
// next cell, row or the table's end. Outside a table only a header cell's
// bold is kept.
#include <cstdint>

#include "ddl/ddlout.h"
#include "html/handlers.h"
#include "html/style.h"
#include "html/tags.h"

namespace {

// Bit of the header cells' bold at the current depth; 0 past 32 levels,
// where header cells are not made bold.
uint32_t depth_bit()
{
    int d = g_style.table_depth;
    return d >= 1 && d <= 32 ? 1u << (d - 1) : (d == 0 ? 1u : 0u);
}

// Ends the cell open at the current depth: its bold goes.
void end_cell()
{
    uint32_t bit = depth_bit();
    if (!(g_style.table_boldcells & bit)) return;
    g_style.table_boldcells &= ~bit;
    effect_boldoff();
}

void table(bool closing)
{
    StyleState& s = g_style;
    if (!closing) {
        if (s.table_depth == 0) {
            end_cell();  // a header cell outside any table
            ddlout_flush();
            ddlout_break(DDL_NEWPARA);
            s.table_linebegun = 0;
            s.table_cells = 0;
        } else {
            ddlout_addsoftspace();
        }
        if (s.table_depth < INT32_MAX) ++s.table_depth;
        return;
    }
    if (s.table_depth == 0) return;  // no table open
    end_cell();
    --s.table_depth;
    if (s.table_depth == 0) {
        ddlout_flush();
        ddlout_break(DDL_NEWPARA);
    } else {
        ddlout_addsoftspace();
    }
}

// A row or the caption begins a line of the outermost table.
void new_line()
{
    StyleState& s = g_style;
    end_cell();
    if (s.table_depth != 1) {
        if (s.table_depth > 1) ddlout_addsoftspace();
        return;
    }
    if (s.table_linebegun) {
        ddlout_flush();
        ddlout_break(DDL_NEWLINE);
    }
    s.table_linebegun = 1;
    s.table_cells = 0;
}

void cell(bool header)
{
    StyleState& s = g_style;
    end_cell();
    if (s.table_depth > 1) {
        ddlout_addsoftspace();
    } else if (s.table_depth == 1) {
        if (s.table_cells > 0) {
            ddlout_flush();
            ddlout_command("{tab}");
        }
        if (s.table_cells < INT32_MAX) ++s.table_cells;
        s.table_linebegun = 1;
    }
    uint32_t bit = depth_bit();
    if (header && bit) {
        effect_boldon();
        s.table_boldcells |= bit;
    }
}

}  // namespace

void tables_tag(int token, bool closing)
{
    switch (token) {
    case TOK_TABLE: table(closing); break;
    case TOK_TR:
    case TOK_CAPTION:
        if (closing)
            end_cell();
        else
            new_line();
        break;
    case TOK_TD:
    case TOK_TH:
        if (closing)
            end_cell();
        else
            cell(token == TOK_TH);
        break;
    default: break;
    }
}

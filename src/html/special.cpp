// Tags that change how the driver treats the following text (script, the
// preformatted tags), the program's own <quillet> tag, <embed> and <img>.
#include "ddl/ddlout.h"
#include "html/handlers.h"
#include "html/keywords.h"
#include "html/style.h"

namespace {

void script_tag(bool closing)
{
    if (!closing) {
        g_style.script_count = 1;
        ddlout_flush();
        ddlout_suppress(1);
        return;
    }
    if (--g_style.script_count > 0) return;
    g_style.script_count = 0;
    ddlout_suppress(0);
}

void plaintext_tag(bool closing)
{
    if (!closing) {
        ++g_style.pre_count;
        ++g_style.plaintext_count;
        ddlout_break(0);
        ddlout_setlinestart(0);
        return;
    }
    if (g_style.pre_count > 0) --g_style.pre_count;
    if (g_style.plaintext_count > 0) --g_style.plaintext_count;
    if (g_style.plaintext_count > 0) return;
    ddlout_flush();
    ddlout_break(0);
}

void pre_tag(bool closing)
{
    if (!closing) {
        ++g_style.pre_count;
        ddlout_flush();
        ddlout_break(0);
        ddlout_setlinestart(0);
        return;
    }
    if (--g_style.pre_count > 0) return;
    g_style.pre_count = 0;
    ddlout_flush();
    ddlout_break(0);
}

}  // namespace

void special_tag(int token, bool closing)
{
    switch (token) {
    case TOK_SCRIPT: script_tag(closing); break;
    case TOK_PLAINTEXT: plaintext_tag(closing); break;
    case TOK_PRE: pre_tag(closing); break;
    default: break;  // quillet, embed and img: not yet handled
    }
}

// The style machinery of scripts: the three effects, the user styles that
// drmstyle declares, the five directives and the indent.
#include <cstdio>

#include "ddl/ddlout.h"
#include "ddl/format.h"
#include "markup/tagreader.h"
#include "base/messages.h"
#include "script/script.h"

namespace {

int g_flags[3];  // bold, italic, underline
unsigned g_effects;  // bits 0-2
unsigned g_userstyles;  // bit = id - 256
int g_directive;  // 0 or the style id of the last directive opened
int g_indent;

const char* const kEffectNames[3] = {"b", "i", "u"};
const char* const kEffectOn[3] = {"{bold 1}", "{italic 1}", "{underline 1}"};
const char* const kEffectOff[3] = {"{bold 0}", "{italic 0}", "{underline 0}"};

// The commands that add and remove the DDL style a user style id
// switches; null for ids without one.
struct UserStyle {
    const char* add;
    const char* rem;
};

#define QUILLET_USERSTYLE(n)                                       \
    {                                                              \
        "{adduserstyle STYLE_" n "}", "{remuserstyle STYLE_" n "}" \
    }
const UserStyle* userstyle(int id)
{
    static const UserStyle scene = QUILLET_USERSTYLE("03"), speech = QUILLET_USERSTYLE("05"),
                           speaker = QUILLET_USERSTYLE("04"), castdesc = QUILLET_USERSTYLE("02"),
                           dir = QUILLET_USERSTYLE("06"), loc = QUILLET_USERSTYLE("07"), prop = QUILLET_USERSTYLE("08"),
                           sfx = QUILLET_USERSTYLE("09"), act = QUILLET_USERSTYLE("10");
    switch (id) {
    case STY_SCENE:
    case STY_CHAPTER: return &scene;
    case STY_SPEECH: return &speech;
    case STY_SPEAKER: return &speaker;
    case STY_CASTDESC: return &castdesc;
    case STY_DIR: return &dir;
    case STY_LOC: return &loc;
    case STY_PROP: return &prop;
    case STY_SFX: return &sfx;
    case STY_ACT: return &act;
    default: return nullptr;
    }
}
#undef QUILLET_USERSTYLE

unsigned userbit(int id) { return 1u << (id - 256); }

bool is_directive(int id) { return id >= STY_DIR && id <= STY_ACT; }

const char* directive_name(int id)
{
    switch (id) {
    case STY_DIR: return "dir";
    case STY_LOC: return "loc";
    case STY_PROP: return "prop";
    case STY_SFX: return "sfx";
    case STY_ACT: return "act";
    default: return nullptr;
    }
}

bool refused(const char* name)
{
    if (dramaton_begun()) return false;
    show_message("You cannot call <%s> before the <begin> command (line %lld), ignoring.", name, g_line);
    return true;
}

// Every speech switches several styles: the commands are written as they
// stand rather than formatted. Every id given has a style.
void write_style(bool add, int id)
{
    if (const UserStyle* style = userstyle(id)) ddlout_command(add ? style->add : style->rem);
}

void write_indent()
{
    char cmd[64];
    long long indent = dramaton_indentof(g_indent);
    if (indent > 2147483647LL) indent = 2147483647LL;  // a command's numbers fit 32 bits
    ddl_format(cmd, sizeof cmd, "{newline}{leftindent 1 %lld}", indent);
    ddlout_command(cmd);
}

}  // namespace

void dramaton_styleon(int id)
{
    ddlout_flush();
    if (id >= 0 && id < 3) {
        ddlout_command(kEffectOn[id]);
        g_flags[id] = 1;
        g_effects |= 1u << id;
    } else if (userstyle(id)) {
        write_style(true, id);
        // So that the user style's own settings take effect.
        ddlout_command("{bold}");
        ddlout_command("{italic}");
        ddlout_command("{underline}");
        ddlout_command("{font}");
        ddlout_command("{textsize}");
        g_userstyles |= userbit(id);
    }
}

void dramaton_styleoff(int id)
{
    ddlout_flush();
    if (id >= 0 && id < 3) {
        ddlout_command(kEffectOff[id]);
        g_flags[id] = 0;
        g_effects &= ~(1u << id);
    } else if (userstyle(id)) {
        write_style(false, id);
        g_userstyles &= ~userbit(id);
    }
}

int dramaton_styletest(int id)
{
    ddlout_flush();
    if (id >= 0 && id < 3) return (g_effects >> id) & 1u;
    if (id >= 256 && id <= STY_ACT) return (g_userstyles & userbit(id)) ? 1 : 0;
    return 0;
}

void dramaton_stylereset(int mode)
{
    ddlout_flush();
    for (int e = 0; e < 3; ++e)
        if (g_effects & (1u << e)) ddlout_command(kEffectOff[e]);
    g_effects = 0;
    g_flags[0] = g_flags[1] = g_flags[2] = 0;
    g_directive = 0;
    if (mode != RESET_STYLES) return;
    if (g_userstyles & (userbit(STY_SCENE) | userbit(STY_CHAPTER))) ddlout_command("{remuserstyle STYLE_03}");
    static const int order[] = {STY_SPEECH, STY_CASTDESC, STY_DIR, STY_LOC, STY_PROP, STY_SFX, STY_ACT};
    for (int id : order)
        if (g_userstyles & userbit(id)) write_style(false, id);
    g_userstyles = 0;
}

int dramaton_italicon() { return g_flags[STY_ITALIC]; }
int dramaton_directivetype() { return g_directive; }

void dramaton_directiveopen(int type)
{
    if (!is_directive(type)) return;
    if (refused(directive_name(type))) return;
    ddlout_flush();
    switch (dramaton_lasttoken() % DRM_CLOSING) {
    case DRM_DIR:
    case DRM_LOC:
    case DRM_PROP:
    case DRM_SFX:
    case DRM_ACT:
        // Two directives in a row are kept one space apart.
        ddlout_setlinestart(0);
        ddlout_addsoftspace();
        break;
    default: break;
    }
    dramaton_stylereset(RESET_EFFECTS);
    dramaton_styleon(type);
    g_directive = type;
}

void dramaton_directiveclose(int type)
{
    if (type == g_directive) {
        dramaton_styleoff(type);
        return;
    }
    char open[24];
    if (directive_name(g_directive))
        std::snprintf(open, sizeof open, "%s", directive_name(g_directive));
    else
        std::snprintf(open, sizeof open, "unknown (%d)", g_directive);
    show_message(
        "You cannot call </%s> (line %lld) as the last directive called was <%s>, please either correct "
        "this or use '\\\\' to unset the 'last' directive. Will now call </%s> for you.",
        directive_name(type) ? directive_name(type) : "", g_line, open, open);
    if (g_directive) {
        dramaton_styleoff(g_directive);
    } else if (is_directive(type) && (g_userstyles & userbit(type))) {
        // No directive since the last reset: the one named is closed (the
        // bold effect, whose id is also 0, is left alone).
        dramaton_styleoff(type);
    }
}

void dramaton_effecton(int effect)
{
    if (effect < 0 || effect > 2) return;
    if (refused(kEffectNames[effect])) return;
    static const int order[] = {STY_ACT, STY_DIR, STY_LOC, STY_PROP, STY_SFX};
    static const char letters[] = {'a', 'd', 'l', 'p', 's'};
    for (int k = 0; k < 5; ++k) {
        if (g_userstyles & userbit(order[k])) {
            show_message("You cannot call <%s> within a <%s> (or \\%c) block (line %lld), ignoring.",
                         kEffectNames[effect], directive_name(order[k]), letters[k], g_line);
            return;
        }
    }
    if (g_flags[effect]) {
        show_message("You cannot nest <%s> commands (line %lld), this effect is already set.", kEffectNames[effect],
                     g_line);
        return;
    }
    dramaton_styleon(effect);
}

void dramaton_effectoff(int effect)
{
    if (effect < 0 || effect > 2) return;
    if (g_flags[effect]) {
        dramaton_styleoff(effect);
        return;
    }
    show_message("You cannot call </%s>, at line %lld, as there is no matching <%s>.", kEffectNames[effect], g_line,
                 kEffectNames[effect]);
}

long long dramaton_indentof(int level)
{
    return static_cast<long long>((static_cast<double>(level) + 3.0) * 10.0 * 2834.639892578125);
}

void dramaton_indent()
{
    if (refused("ind")) return;
    ddlout_flush();
    if (g_indent < 0x7FFFFFFF) ++g_indent;
    write_indent();
}

void dramaton_unindent()
{
    if (refused("ind")) return;
    ddlout_flush();
    --g_indent;
    if (g_indent < 0) {
        show_message("You cannot call </%s>, at line %lld, as there is no matching <%s>.", "ind", g_line, "ind");
        g_indent = 0;
    } else if (g_indent == 0) {
        ddlout_command("{leftindent}");
    } else {
        write_indent();
    }
}

void dramaton_resetstyles()
{
    g_flags[0] = g_flags[1] = g_flags[2] = 0;
    g_effects = 0;
    g_userstyles = 0;
    g_directive = 0;
    g_indent = 0;
}

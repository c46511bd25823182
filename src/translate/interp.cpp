// The translate script interpreter: runs the rule for a tag on the compiled
// entries, testing the tag's parameters, the flags and the style state.
#include <cstring>

#include "markup/keywords.h"
#include "markup/tagreader.h"
#include "resources/config.h"
#include "base/ascii.h"
#include "base/memtrace.h"
#include "base/messages.h"
#include "base/runstate.h"
#include "translate/script.h"
#include "translate/translate.h"

namespace {

const int kEntries = kProgramBytes / 2;
const int kDeepestLevel = 8;

const char* string_at(const TranslateScript& s, int n)
{
    if (!s.strings || n < 1 || n > s.stringcount) return "";
    return s.strings[n - 1];
}

int* flag_at(TranslateScript& s, int n) { return (n >= 1 && n <= kFlagCount) ? &s.flags[n - 1] : nullptr; }

// What the rules act through, given by the converter.
void (*g_dispatch)(int token) = nullptr;
bool (*g_optiontest)(int letter) = nullptr;

// The tag an option letter switches on or off, as the body loop would see
// it: its token in the HTML table in force.
int option_token(int letter)
{
    const char* name = nullptr;
    switch (letter) {
    case 'b': name = "b"; break;
    case 'c': name = "center"; break;
    case 'h': name = "a"; break;
    case 'i': name = "i"; break;
    case 'l': name = "left"; break;
    case 'o': name = "ul"; break;  // every list kind shares the closing action
    case 'p': name = "pre"; break;
    case 'r': name = "right"; break;
    case 't': name = "tt"; break;
    case 'u': name = "u"; break;
    default: return 0;
    }
    return keyword_lookup(keyword_html(), name);
}

void switch_option(int letter, bool on)
{
    if (letter == 'd') {
        settings.debug = on ? 1 : 0;
        return;
    }
    if (on && (letter == 'h' || letter == 'o')) return;  // refused by the compiler
    int token = option_token(letter);
    if (token && g_dispatch) g_dispatch(on ? token : token + TOK_CLOSING);
}

// Compares the lower-cased tag parameters with a string: containment or
// equality. -1 when the copy cannot be claimed.
int test_params(const char* text, bool whole)
{
    LoweredParams copy;
    if (!copy.take()) return -1;
    return whole ? std::strcmp(copy.text, text) == 0 : std::strstr(copy.text, text) != nullptr;
}

void empty_params()
{
    g_tag.params[0] = '\0';
    g_tag.paramlen = 0;
}

void print_flag(const TranslateScript& s, int n)
{
    if (n == kFlagAny || n < 1 || n > kFlagCount) {
        show_message("The %c flag is %s.", 'x', "TRUE");
        return;
    }
    int value = s.flags[n - 1];
    char letter = static_cast<char>('A' + n - 1);
    if (value >= 127)
        show_message("The %c flag is set to %d.", letter, value - 127);
    else
        show_message("The %c flag is %s.", letter, value == 1 ? "TRUE" : "FALSE");
}

void print_string(const TranslateScript& s, int n)
{
    if (n < 1 || n > kStringSlots) {
        show_message("printstr value out of range, should be 1 ... %d.", kStringSlots);
        return;
    }
    if (n > s.stringcount)
        show_message("String %d is currently undefined.", n);
    else
        show_message("String %d is \"%s\"", n, string_at(s, n));
}

}  // namespace

void translate_sethooks(void (*dispatch)(int token), bool (*optiontest)(int letter))
{
    g_dispatch = dispatch;
    g_optiontest = optiontest;
}

bool translate_optiontest(int letter)
{
    if (letter == 'd') return settings.debug != 0;
    return g_optiontest && g_optiontest(letter);
}

int translate_run(int pc)
{
    TranslateScript& s = translate_script();
    int condition = 1;
    int enabled[kDeepestLevel + 1] = {1};
    int level = 0;
    int result = -1;

    // Every step moves on by one entry, so a run ends within the program.
    for (; pc < kEntries; ++pc) {
        int op = s.program[2 * pc];
        int arg = s.program[2 * pc + 1];
        if (op == OP_END) break;

        if (!enabled[level]) {
            if (op == OP_OPEN) {
                if (++level > kDeepestLevel) {
                    show_message(
                        "Too many '{'s in translate script, can only nest eight levels deep, "
                        "ignoring... (note: this may cause \"unexpected '}'\" errors)");
                    level = kDeepestLevel;
                }
                enabled[level] = 0;
            } else if (op == OP_CLOSE) {
                if (--level < 0) {
                    show_message("Unexpected '%s' in translate script, ignoring...", "}");
                    level = 0;
                }
            }
            continue;
        }

        switch (op) {
        case OP_WHEN: show_message("Unexpected '%s' in translate script, ignoring...", "when"); break;
        case OP_UNKNOWN: show_message("Unexpected '%s' in translate script, ignoring...", "unknown"); break;
        case OP_IFIN:
        case OP_IFIS: {
            int r = test_params(string_at(s, arg), op == OP_IFIS);
            if (r < 0) return -1;
            condition = r;
            break;
        }
        case OP_IFFLAG: {
            int* f = flag_at(s, arg);
            condition = arg == kFlagAny || (f && *f == 1);
            break;
        }
        case OP_IFNOTFLAG: {
            int* f = flag_at(s, arg);
            condition = !f || *f != 1;
            break;
        }
        case OP_IFOPT: condition = translate_optiontest(translate_codeletter(arg)); break;
        case OP_IFNOTOPT: condition = !translate_optiontest(translate_codeletter(arg)); break;
        case OP_SETOPT: switch_option(translate_codeletter(arg), true); break;
        case OP_UNSETOPT: switch_option(translate_codeletter(arg), false); break;
        case OP_REPLACE:
            result = arg;
            empty_params();
            break;
        case OP_OMIT:
            result = 0;
            empty_params();
            break;
        case OP_SETFLAG:
        case OP_CLEARFLAG:
            if (int* f = flag_at(s, arg)) *f = op == OP_SETFLAG;
            break;
        case OP_DONE: return result;
        case OP_WARN: show_message("%s", string_at(s, arg)); break;
        case OP_ABORT: show_message("Translate script: abort requested"); return result;
        case OP_PRINTFLAG: print_flag(s, arg); break;
        case OP_PRINTSTR: print_string(s, arg); break;
        case OP_STRCOUNT:
            if (int* f = flag_at(s, arg)) *f = s.stringcount + 127;
            break;
        case OP_PRSTRTBL:
            for (int n = 1; n <= s.stringcount; ++n) show_message("String %d is \"%s\"", n, string_at(s, n));
            break;
        case OP_OPEN:
            if (++level > kDeepestLevel) {
                show_message("Too many '{'s in translate script, can only nest eight levels deep, aborting...");
                return result;
            }
            enabled[level] = condition != 0;
            break;
        case OP_CLOSE:
            if (--level < 0) {
                show_message("Unexpected '%s' in translate script, aborting...", "}");
                return result;
            }
            break;
        default: break;
        }
    }
    show_message("Unexpected end of translate script - use \"done\" command...");
    return result;
}

int translate_token(int token)
{
    const TranslateScript& s = translate_script();
    for (int e = 0; 2 * e + 1 < s.length; ++e) {
        if (s.program[2 * e] == OP_WHEN && s.program[2 * e + 1] == token) {
            int result = translate_run(e + 1);
            return result == -1 ? token : result;
        }
    }
    return token;
}

int translate_name(const char* name)
{
    const TranslateScript& s = translate_script();
    char lowered[sizeof g_tag.name];
    size_t n = 0;
    for (; name[n] && n < sizeof lowered - 1; ++n) lowered[n] = ascii_lower(name[n]);
    lowered[n] = '\0';
    for (int e = 0; 2 * e + 1 < s.length; ++e) {
        if (s.program[2 * e] == OP_UNKNOWN && std::strcmp(string_at(s, s.program[2 * e + 1]), lowered) == 0) {
            int result = translate_run(e + 1);
            return result == -1 ? 0 : result;
        }
    }
    return 0;
}

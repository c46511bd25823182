// The translate script compiler: turns the selected block into entries of
// (opcode, operand), a string table and nothing else.
#include <cstring>
#include <string>

#include "markup/keywords.h"
#include "base/messages.h"
#include "base/runstate.h"
#include "base/platform.h"
#include "translate/script.h"
#include "translate/translate.h"

namespace {

const char* const kLoadError = "Translation load error - ";
const char* const kWillNot = ", will not translate.";

enum ArgKind {
    ARG_NONE,  // operand repeats the opcode
    ARG_TAG,  // a tag name in backquotes, "/" for the closing tag
    ARG_TEXT,  // a text in backquotes, kept in the string table
    ARG_FLAG,  // a flag letter a-e
    ARG_FLAGX,  // a flag letter or x
    ARG_OPTTEST,  // an option letter that can be tested or switched off
    ARG_OPTSET,  // an option letter that can be switched on
    ARG_STRING,  // a string number
};

struct Command {
    const char* word;
    ArgKind kind;
    unsigned char opcode;
};

const Command kCommands[] = {
    {"when", ARG_TAG, OP_WHEN},
    {"unknown", ARG_TEXT, OP_UNKNOWN},
    {"ifin", ARG_TEXT, OP_IFIN},
    {"ifis", ARG_TEXT, OP_IFIS},
    {"ifflag", ARG_FLAGX, OP_IFFLAG},
    {"ifnotflag", ARG_FLAG, OP_IFNOTFLAG},
    {"ifopt", ARG_OPTTEST, OP_IFOPT},
    {"ifnotopt", ARG_OPTTEST, OP_IFNOTOPT},
    {"setopt", ARG_OPTSET, OP_SETOPT},
    {"unsetopt", ARG_OPTTEST, OP_UNSETOPT},
    {"replace", ARG_TAG, OP_REPLACE},
    {"omit", ARG_NONE, OP_OMIT},
    {"setflag", ARG_FLAG, OP_SETFLAG},
    {"clearflag", ARG_FLAG, OP_CLEARFLAG},
    {"unsetflag", ARG_FLAG, OP_CLEARFLAG},
    {"done", ARG_NONE, OP_DONE},
    {"warn", ARG_TEXT, OP_WARN},
    {"abort", ARG_NONE, OP_ABORT},
    {"printflag", ARG_FLAGX, OP_PRINTFLAG},
    {"printstr", ARG_STRING, OP_PRINTSTR},
    {"strcount", ARG_FLAG, OP_STRCOUNT},
    {"prstrtbl", ARG_NONE, OP_PRSTRTBL},
};

const char* const kTestOptions = "bcdhiloprtu";
const char* const kSetOptions = "bcdilprtu";

class Compiler {
public:
    explicit Compiler(TranslateScript& s) : s_(s) {}

    // Compiles one prepared command line; false after a load error.
    bool command(const char* line, int length, long long position)
    {
        pos_ = position;
        for (const Command& c : kCommands) {
            int n = static_cast<int>(std::strlen(c.word));
            if (length < n || std::memcmp(line, c.word, n) != 0) continue;
            return argument(c, line + n, length - n);
        }
        return true;  // not a command: ignored
    }

    bool emit(int opcode, int operand)
    {
        if (s_.length + 2 > kProgramBytes) {
            show_message(
                "%srun out of room for more than %d entries, script is too complex "
                "(at file offset +%lld)%s",
                kLoadError, kProgramBytes / 2, pos_, kWillNot);
            return false;
        }
        s_.program[s_.length++] = static_cast<unsigned char>(opcode);
        s_.program[s_.length++] = static_cast<unsigned char>(operand);
        return true;
    }

    void at(long long position) { pos_ = position; }

private:
    bool argument(const Command& c, const char* arg, int length)
    {
        int letter = length > 0 ? static_cast<unsigned char>(arg[0]) : 0;
        switch (c.kind) {
        case ARG_NONE: return emit(c.opcode, c.opcode);
        case ARG_TAG: return tag(c.opcode, translate_argtext(arg, length));
        case ARG_TEXT: {
            int n = store(translate_argtext(arg, length));
            return n && emit(c.opcode, n);
        }
        case ARG_FLAG:
        case ARG_FLAGX:
            if (letter >= 'a' && letter <= 'e') return emit(c.opcode, translate_lettercode(letter));
            if (c.kind == ARG_FLAGX && letter == 'x') return emit(c.opcode, kFlagAny);
            show_message("%sflags is not A - E (at file offset +%lld)%s", kLoadError, pos_, kWillNot);
            return false;
        case ARG_OPTTEST:
            if (letter && std::strchr(kTestOptions, letter)) return emit(c.opcode, translate_lettercode(letter));
            show_message("%soption is not b, c, d, h, i, l, o, p, r, t, or u (at file offset +%lld)%s", kLoadError,
                         pos_, kWillNot);
            return false;
        case ARG_OPTSET:
            if (letter && std::strchr(kSetOptions, letter)) return emit(c.opcode, translate_lettercode(letter));
            show_message("%soption is not b, c, d, i, l, p, r, t, or u (at file offset +%lld)%s", kLoadError, pos_,
                         kWillNot);
            if (letter == 'h' || letter == 'o') show_message("You cannot 'setopt' with options 'h' and 'o'.");
            return false;
        case ARG_STRING: return emit(c.opcode, string_number(arg, length));
        }
        return true;
    }

    // A string number: one character whose code is the number, or the
    // number written in decimal (out-of-range values are kept out of range).
    static int string_number(const char* arg, int length)
    {
        if (length <= 0) return 0;
        int value = 0;
        for (int i = 0; i < length; ++i) {
            if (arg[i] < '0' || arg[i] > '9') return static_cast<unsigned char>(arg[0]);
            value = value * 10 + (arg[i] - '0');
            if (value > 255) value = 255;
        }
        return value;
    }

    bool tag(int opcode, std::string name)
    {
        bool closing = !name.empty() && name[0] == '/';
        if (closing) name.erase(0, 1);
        int token = name.find('\0') == std::string::npos ? keyword_lookup(keyword_html(), name.c_str()) : 0;
        if (!token) {
            show_message("%scouldn't parse HTML keyword \"%s%s\" (at file offset +%lld)%s", kLoadError,
                         closing ? "/" : "", name.c_str(), pos_, kWillNot);
            return false;
        }
        return emit(opcode, token + (closing ? TOK_CLOSING : 0));
    }

    // Puts a text in the next free slot; its number, or 0 when full.
    int store(const std::string& text)
    {
        if (s_.stringcount >= kStringSlots || !s_.strings) {
            show_message(
                "%srun out of slots in string lookup table, script is too complex "
                "(at file offset +%lld)%s",
                kLoadError, pos_, kWillNot);
            return 0;
        }
        char* slot = s_.strings[s_.stringcount];
        std::snprintf(slot, kStringSize, "%.*s", kStringSize - 1, text.c_str());
        return ++s_.stringcount;
    }

    TranslateScript& s_;
    long long pos_ = 0;
};

}  // namespace

int translate_compilestream(FILE* f, long long position)
{
    TranslateScript& s = translate_script();
    s.active = 0;
    if (platform_seek(f, position, SEEK_SET) != 0) return 0;
    Compiler c(s);
    char line[kScriptLineLimit + 1];
    int depth = 0;
    for (;;) {
        long long at = platform_tell(f);
        int n = translate_readline(f, line);
        if (n < 0) break;
        c.at(at);
        if (n == 0 || line[0] == ';') {
            // nothing to compile
        } else if (line[0] == '{') {
            if (depth > 0 && !c.emit(OP_OPEN, depth > 255 ? 255 : depth)) return 0;
            ++depth;
        } else if (line[0] == '}') {
            if (depth == 0) break;  // no block was open: nothing to close
            --depth;
            if (depth == 0) {
                if (!c.emit(OP_DONE, OP_DONE) || !c.emit(OP_END, 0)) return 0;
            } else if (!c.emit(OP_CLOSE, depth > 255 ? 255 : depth)) {
                return 0;
            }
        } else if (!c.command(line, n, at)) {
            return 0;
        }
        if (depth == 0) break;
    }
    s.active = 1;
    return 1;
}

void translate_compile(long long position)
{
    if (position == 0) return;
    std::string name = run_supportpath("translat");
    FILE* f = platform_openregular(name.c_str());
    if (!f) return;
    translate_compilestream(f, position);
    std::fclose(f);
}

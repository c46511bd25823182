// Inside the translate module: the compiled script shared by the compiler
// and the interpreter, and the pure steps exposed for testing.
#pragma once

#include <cstdio>
#include <string>

const int kScriptLineLimit = 79;  // characters kept of one script line
const int kProgramBytes = 512;  // 256 entries of opcode, operand
const int kStringSlots = 32;
const int kStringSize = 32;  // 31 characters and the terminator
const int kFlagCount = 5;  // A to E
const int kFlagAny = 255;  // the "x" flag of ifflag and printflag

// The opcodes of the program's entries. An entry's operand is a token, a
// string number, a letter code or a nesting depth, as its opcode says; the
// program ends at OP_END.
enum TranslateOp {
    OP_END = 0,
    OP_WHEN = 1,  // a rule for the tag token in the operand starts
    OP_UNKNOWN = 2,  // a rule for the unknown tag named by the string starts
    OP_IFIN = 3,  // condition: the parameters contain the string
    OP_IFIS = 4,  // condition: the parameters are the string
    OP_IFFLAG = 5,  // condition: the flag is set (kFlagAny always)
    OP_IFNOTFLAG = 6,
    OP_IFOPT = 7,  // condition: the option is on
    OP_IFNOTOPT = 8,
    OP_SETOPT = 9,
    OP_UNSETOPT = 10,
    OP_REPLACE = 11,  // the result is the token in the operand
    OP_OMIT = 13,  // the result is no tag
    OP_SETFLAG = 14,
    OP_CLEARFLAG = 15,
    OP_DONE = 16,  // the rule ends with its result
    OP_WARN = 20,  // the string is shown
    OP_ABORT = 21,
    OP_PRINTFLAG = 22,
    OP_PRINTSTR = 23,
    OP_STRCOUNT = 24,  // the flag is set to the number of strings + 127
    OP_PRSTRTBL = 25,
    OP_OPEN = 128,  // "{": the entries up to its OP_CLOSE run when the condition holds
    OP_CLOSE = 129,  // "}"
};

// Flag and option letters are held as letter codes, 'a' being 1: a flag's
// code is its number.
inline int translate_lettercode(int letter) { return letter - ('a' - 1); }
inline int translate_codeletter(int code) { return code + ('a' - 1); }

struct TranslateScript {
    unsigned char program[kProgramBytes];
    int length;  // bytes used
    char (*strings)[kStringSize];  // claimed; kStringSlots slots, numbered from 1
    int stringcount;
    int flags[kFlagCount];
    int active;
};

// The one compiled script of the run.
TranslateScript& translate_script();

// Prepares a line read from the script in place (line ends cut, lowercased,
// spaces outside backquotes removed); returns its new length.
int translate_prepareline(char* line, int length);

// Reads and prepares one line (longer lines are cut, the rest of the line
// skipped). `line` holds kScriptLineLimit + 1 bytes. -1 at end of file.
int translate_readline(FILE* f, char* line);

// The text of a backquoted argument: from after the opening backquote to
// the last backquote of the line (anything after it is ignored); a missing
// backquote is forgiven.
std::string translate_argtext(const char* arg, int length);

// Whether a prepared line beginning with "translate" selects the input
// path; `issep` says which characters separate folders.
bool translate_selects(const char* line, int length, const char* path, bool (*issep)(char));

// Reads prepared lines until a selector matches; the position of the line
// after it, or 0.
long long translate_findblock(FILE* f, const char* path, bool (*issep)(char));

// Compiles the block at `position` of the stream into the script; 1 on
// success (translation made active), 0 after a load error (reported).
int translate_compilestream(FILE* f, long long position);

// Clears the program and the active state; makes sure the string table is
// claimed and empty. 0 when the table cannot be claimed.
int translate_begin();
// Back to the starting state, flags included (tests only: flags otherwise
// live for the whole run).
void translate_reset();

// The interpreter: runs the rule whose entries start at entry `pc`;
// returns the result (-1 keeps the tag as it is).
int translate_run(int pc);
// The test of an option letter against the current style state.
bool translate_optiontest(int letter);

// Inside the translate module: the compiled script shared by the compiler
// and the interpreter, and the pure steps exposed for testing.
#pragma once

#include <cstdio>
#include <string>

const int kScriptLineLimit = 79;    // characters kept of one script line
const int kProgramBytes = 512;      // 256 entries of opcode, operand
const int kStringSlots = 32;
const int kStringSize = 32;         // 31 characters and the terminator
const int kFlagCount = 5;           // A to E
const int kFlagAny = 255;           // the "x" flag of ifflag and printflag

struct TranslateScript {
    unsigned char program[kProgramBytes];
    int length;                     // bytes used
    char (*strings)[kStringSize];   // claimed; kStringSlots slots, numbered from 1
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

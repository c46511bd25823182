// The script converter's own interface between its files: the converter
// state, the command reader, the parameter values and the command
// operations. Nothing outside src/script/ includes this; the rest of the
// program only sees dramaton.h.
#pragma once

#include <cstddef>

#include "markup/keywords.h"

// ---- Converter state (driver.cpp) ----------------------------------------

int dramaton_begun();
void dramaton_setbegun();
// The last token as it was before the command now being run.
int dramaton_lasttoken();
// The heading-written rule: false the first time (and marks a heading as
// written), true afterwards, when the caller writes its break.
bool dramaton_headingbreak();

int dramaton_escape();
int dramaton_shorthand();
void dramaton_dispatchtoken(int token);
void dramaton_respatchtoken(int token);

// Grows a register to twice its capacity (at least five entries more); the
// new entries are zeroed. False when the memory cannot be had.
bool dramaton_grow(void** block, int* capacity, size_t entrysize);
// A register could not grow: message, output deleted, exit 1.
[[noreturn]] void dramaton_growfailure(const char* what);

// ---- Command reader (reader.cpp) -----------------------------------------

enum { DRM_COMMENT = 255, DRM_CLOSING = 128 };

int dramaton_readcommand();
// After "<!": 1 when a comment was skipped.
int dramaton_skipcomment();
void dramaton_unknowncommand();
void dramaton_loadignorelist();
void dramaton_releaseignorelist();
int dramaton_ignorecount();
const char* dramaton_ignoreentry(int i);
void dramaton_skipuntil(int token);

// ---- Parameter values (values.cpp) ---------------------------------------

struct ScriptValue {
    char text[256];  // at most 255 characters
};

const int kNumberCap = 999999999;  // larger digit runs read as this

ScriptValue dramaton_value(int offset);
ScriptValue dramaton_keyvalue(const char* keyword, int refresh);
// Skips non-digits and reads a run of digits; *next is the position after
// it, or null when there was no digit (a null text reads as 0).
long dramaton_number(const char* text, const char** next);
// Remakes the lower-cased copy of the parameter text (first 256 bytes).
void dramaton_lowerparams();
const char* dramaton_loweredparams();
// Position of keyword in the lowered parameters, or -1.
int dramaton_findlowered(const char* keyword);
// Copies a value into a field of `size` bytes, cutting it to size - 1.
void dramaton_copyfield(char* field, size_t size, const char* value);
// Adds a text to the workspace as plain text (never as a format).
void dramaton_text(const char* text);

// ---- Continuation (continue.cpp) -----------------------------------------

void dramaton_continue();
// The fallback name for a continuation: the input path up to its last "."
// (not counting its final character) followed by name. 0 with *built set,
// or the failure code 1-3.
int dramaton_continuationname(const char* inputpath, const char* name, char* built, size_t size);
void dramaton_releasecontinue();

// ---- Header and title page (header.cpp) ----------------------------------

struct ScriptDate {
    int year, month, day;
};

void dramaton_title();
void dramaton_episode();
void dramaton_author();
void dramaton_address();
void dramaton_telephone();
void dramaton_copyright();
void dramaton_target();
// What a date command sets: the title page's date, or one of the three
// dates of the address block.
enum { DATE_TITLE = 1, DATE_STARTED = 2, DATE_FINISHED = 3, DATE_REVISED = 4, DATE_KINDS = 5 };

void dramaton_date(int kind);  // DATE_TITLE ... DATE_REVISED
void dramaton_begin();
long long dramaton_targetduration();

ScriptDate dramaton_today();
int dramaton_lastday(int year, int month);
// 0 Sunday ... 6 Saturday.
int dramaton_weekday(int year, int month, int day);
unsigned dramaton_packdate(int year, int month, int day);
// The date operation's checks and corrections on the three numbers read,
// with warnings naming the command; returns the packed date.
unsigned dramaton_checkdate(long a, long b, long c, const ScriptDate& today, const char* name);
// "(Thursday, 25 August 2005)", English names whatever the locale.
void dramaton_formatdate(unsigned packed, char* out, size_t size);

// ---- Styles, effects, directives, indents (styles.cpp) -------------------

enum {
    STY_BOLD = 0,
    STY_ITALIC = 1,
    STY_UNDERLINE = 2,
    STY_SCENE = 256,
    STY_SPEECH = 257,
    STY_SPEAKER = 258,
    STY_CASTDESC = 262,
    STY_CHAPTER = 263,
    STY_DIR = 264,
    STY_LOC = 265,
    STY_PROP = 266,
    STY_SFX = 267,
    STY_ACT = 268
};

void dramaton_styleon(int id);
void dramaton_styleoff(int id);
int dramaton_styletest(int id);
// What dramaton_stylereset ends: the effects and the open directive, or
// those and every user style.
enum { RESET_EFFECTS = 0, RESET_STYLES = 1 };

void dramaton_stylereset(int mode);
int dramaton_italicon();
int dramaton_directivetype();
void dramaton_directiveopen(int type);
void dramaton_directiveclose(int type);
void dramaton_effecton(int effect);
void dramaton_effectoff(int effect);
void dramaton_indent();
void dramaton_unindent();
// Indent of a level in millipoints.
long long dramaton_indentof(int level);
void dramaton_resetstyles();  // back to the starting state (tests)

// ---- Cast and dialogue (cast.cpp) ----------------------------------------

struct CastEntry {
    char name[64];
    char alias[64];
    unsigned female : 1;
    unsigned added : 1;
    unsigned speaking : 1;  // marks the current speaker while the register is sorted
    unsigned dialogue;
};

void dramaton_createcast();
void dramaton_releasecast();
enum { CAST_ACTOR = 1, CAST_ACTRESS = 2 };

void dramaton_defcharacter(int kind);  // CAST_ACTOR or CAST_ACTRESS
void dramaton_defcharacterclose();
void dramaton_speechopen();
void dramaton_speechclose();
// Adds one counted character to the current speaker.
void dramaton_countspeech(unsigned n = 1);
int dramaton_castcount();
CastEntry* dramaton_castentry(int i);
// Index of the character a speaker name addresses, or -1.
int dramaton_findspeaker(const char* name);
// The character list order: dialogue count, highest first; equal counts
// by name in byte order; the current speaker is followed.
void dramaton_sortcast();
void dramaton_sortentries(CastEntry* entries, int count);

// ---- Scenes and page structure (scenes.cpp) ------------------------------

enum { SCN_AD = 16, SCN_OMITTED = 32 };
// A scene's place and time of day (0 when not given), held in its flags as
// place + 4 * time.
enum { PLACE_INT = 1, PLACE_EXT = 2 };
enum { TIME_DAY = 1, TIME_NIGHT = 2 };
inline int dramaton_sceneflags(int place, int time) { return place + 4 * time; }
inline int dramaton_sceneplace(int flags) { return flags & 3; }
inline int dramaton_scenetime(int flags) { return (flags >> 2) & 3; }

struct SceneEntry {
    char title[64];
    int flags;
    int minutes;
    int seconds;
};

void dramaton_createscenes();
void dramaton_releasescenes();
void dramaton_sceneopen();
void dramaton_sceneclose();
void dramaton_adbreak();
void dramaton_omit();
void dramaton_chapteropen();
void dramaton_chapterclose();
enum { BREAK_LINE = 1, BREAK_PARA = 2, BREAK_PAGE = 3 };

void dramaton_break(int kind);  // BREAK_LINE <br>, BREAK_PARA <p>, BREAK_PAGE <newpage>
int dramaton_scenecount();
const SceneEntry* dramaton_sceneentry(int i);
// Minutes and seconds of a duration, seconds above 59 carried into minutes.
void dramaton_normaliseduration(long minutes, long seconds, int* outmin, int* outsec);

// ---- Lists (lists.cpp) ---------------------------------------------------

struct DurationParts {
    long long hours, minutes, seconds;
};

enum { LIST_CAST = 1, LIST_SCENES = 2 };

void dramaton_list(int kind);  // LIST_CAST <actorlist>, LIST_SCENES <scenelist>
DurationParts dramaton_splitduration(long long seconds);

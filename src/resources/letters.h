// The scripts of the Unicode data, the Latin spellings of Cyrillic and
// Greek letters, and the runs of letters that have neither a host form nor
// a spelling (tables generated: tools/gen_letters.py).
#pragma once

#include <cstddef>
#include <cstdint>

struct ScriptRange {
    uint32_t first, last;
    int script;  // an index of kScriptNames
};

struct LetterSpelling {
    uint32_t code;
    const char* text;  // host bytes, as the letter is written alone: "Shh" for a capital
    const char* caps;  // in capitals: "SHH"
    bool capital;
};

extern const ScriptRange kScriptRanges[];  // in order, not overlapping
extern const int kScriptRangeCount;
extern const char* const kScriptNames[];
extern const int kScriptNameCount;
extern const LetterSpelling kLetterSpellings[];  // ordered by code point
extern const int kLetterSpellingCount;

// The scripts the reader names; the generator keeps these numbers, and
// gives the others after them. SCRIPT_JAPANESE is a run where Han and kana
// meet.
enum {
    SCRIPT_UNKNOWN,
    SCRIPT_COMMON,
    SCRIPT_INHERITED,
    SCRIPT_HAN,
    SCRIPT_HIRAGANA,
    SCRIPT_KATAKANA,
    SCRIPT_JAPANESE = -1
};

// The script of a code point (SCRIPT_UNKNOWN for one the data leaves out).
int letters_script(uint32_t code);
// A script's name as a marker shows it ("Han", "Old Italic", "Japanese").
const char* letters_scriptname(int script);
// The Latin spelling of a Cyrillic or Greek letter; null for any other.
const LetterSpelling* letters_spelling(uint32_t code);

// A run of letters of one script without a host form or a spelling, read
// on from its first letter.
struct LetterRun {
    int script;  // the run's script (SCRIPT_JAPANESE once Han and kana meet)
    long long letters;  // its letters so far
    long long unmapped;  // its characters without a host form so far: the
        // letters and the marks and signs between them
    size_t taken;  // set by letters_run: the bytes to its last letter
    long long lines;  // set by letters_run: the line feeds among them
};

// The most bytes of spaces, signs and marks between two letters of a run.
const size_t kLetterRunGap = 256;

// Reads the run on through the n host bytes at p, the text after its last
// letter (characters without a host form are references, "&#x4E2D;"): a
// letter of the run's script, or of Han, Hiragana and Katakana for a run of
// one of them, joins it, with the spaces, Common and Inherited characters
// before it; anything else ends it (a tag's '<', a letter of another script
// or with a host form, a named reference). True when the run may go on past
// the n bytes (they end inside it and last says more follow); at least
// 2 * kLetterRunGap bytes are to be given then.
bool letters_run(const unsigned char* p, size_t n, bool last, LetterRun* run);

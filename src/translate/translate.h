// Translate scripts: per-document tag rules from the "translat" file.
#pragma once

// Finds the first selector in "translat" that matches the input path and
// returns the file position of the line after it; 0 when there is none (no
// file, no match, no memory). Silent.
long long translate_load();
// Compiles the block at that position (0: nothing) and makes translation
// active when it compiled without error.
void translate_compile(long long position);
// What the rules act through, given by the converter: the body loop's
// action on a token (closing tokens past TOK_CLOSING), for the option
// switches, and whether an option letter other than 'd' is in force in the
// style state, for the option tests. Without them, switches do nothing
// and those tests fail.
void translate_sethooks(void (*dispatch)(int token), bool (*optiontest)(int letter));
// Whether a compiled block is active for this run.
int translate_active();
// Runs the rules on a found tag's token; returns the token to act on.
int translate_token(int token);
// Runs the rules on a tag name not in the keyword table; returns the token
// to act on, 0 when no rule applies or the rule keeps the tag.
int translate_name(const char* name);

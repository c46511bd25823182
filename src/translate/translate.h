// Translate scripts: per-document tag rules from the "translat" file.
#pragma once

// Finds the first selector in "translat" that matches the input path and
// returns the file position of the line after it; 0 when there is none (no
// file, no match, no memory). Silent.
long long translate_load();
// Compiles the block at that position (0: nothing) and makes translation
// active when it compiled without error.
void translate_compile(long long position);
// Whether a compiled block is active for this run.
int translate_active();
// Runs the rules on a found tag's token; returns the token to act on.
int translate_token(int token);
// Runs the rules on a tag name not in the keyword table; returns the token
// to act on, 0 when no rule applies or the rule keeps the tag.
int translate_name(const char* name);

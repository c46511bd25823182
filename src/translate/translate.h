// Translate scripts: per-document tag rules from the "translat" file.
#pragma once

// Finds and compiles the block of rules for this input (silent when absent).
void translate_load();
// Whether a compiled block is active for this run.
int translate_active();
// Runs the rules on a found tag's token; returns the token to act on.
int translate_token(int token);
// Runs the rules on a tag name not in the keyword table; -1 for no token.
int translate_name(const char* name);
